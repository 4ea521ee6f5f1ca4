// The change journal: the list of 128-byte change records that the sync client sends to the
// server, held in memory and in the file "log" under the data root.
//
// Every operation is serialised by the journal lock (called from the main thread, the
// sign-in thread, the repair pass and the sync threads), so no record is torn or lost.
// Appending merges with earlier entries of the same object: a delete cancels a pending new,
// a modify after a modify adds nothing, a move overwrites the pending move's position, and a
// timeline check is entered once.
#pragma once
#include <cstddef>
#include <vector>

#include "store/datastore.h"
#include "store/records.h"

namespace wf::store {

// Fills a change record for the object at pos (the class says which field of pos counts)
// and enters it. name: the new name for a rename. stamp: the object's stamp for a timeline
// check and for a picture (class 4). Returns 0, -1 (unknown class), -2 (no object at pos),
// -3 ("log" could not be written; the entry stays in the list).
int journal_append(uint8_t op, uint8_t cls, Position pos, const char* name = nullptr,
                   const Stamp* stamp = nullptr);

// Reads "log" into the list (length / 128 whole records; a trailing partial record is left
// out). Returns the number of records, 0 when there is no file.
int journal_load();
// Zero-fills every list entry with the same class and object as rec, in memory and at its
// place in "log". Returns the number of entries cancelled.
int journal_cancel_matching(const ChangeRecord& rec);
// Deletes "log" and empties the list.
void journal_delete();
// Enters a password change (operation 6) as the sync client makes it: zero stamp, content
// size the password's length. 0 or -3.
int journal_append_password(const char* password);

// A copy of the list (the sync client sends it in order).
std::vector<ChangeRecord> journal_entries();
size_t journal_size();
// Empties the in-memory list without touching "log" (when the store is freed).
void journal_clear_memory();

// The stored path of "log".
std::string journal_path();

}  // namespace wf::store
