// The in-memory store of the signed-in account and the operations that change it.
//
// While an account is signed in, g_store holds the root record, the Dir records with their
// open files, the Frame records, and the case table of (Dir, Frame, case) positions. The
// records are the working copy: every operation below updates the files at once and enters
// its change into the journal (journal.h) and new objects into their month timeline
// (timeline.h). Positions are plain indexes: Dir i is slot i of the root record, Frame j of
// Dir i is slot j of Dir record i, case k is slot k of the Frame record.
//
// The case table covers 100 x 100 x 1000 positions but only costs memory for Frames that
// hold cases: each Frame's case slots are allocated when its first record is put in.
//
// Locking: the desk and the ticker change the records under the desk data lock
// (shell/globals.h); the frame loop's rebuild (free + load) runs under the sync lock. The
// operations here take no lock of their own except the journal's and the timeline's.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "store/records.h"

namespace wf::store {

// A (Dir, Frame, case) position. Operations that fail put a negative code in the field
// that failed (and leave the later fields -1).
struct Position {
  int dir = -1;
  int frame = -1;
  int kase = -1;
};

// The case records of one Frame, allocated only when the Frame holds one.
struct CaseSlots {
  std::array<std::unique_ptr<CaseRecord>, kCaseSlots> records;
};

struct DirSlot {
  DirRecord rec{};
  int fd = -1;   // the Dir record file, open while the store is loaded
  std::array<std::unique_ptr<FrameRecord>, kFrameSlots> frames;
  std::array<std::unique_ptr<CaseSlots>, kFrameSlots> cases;
};

struct DataStore {
  RootRecord root{};
  int root_fd = -1;               // "root.frame", open while the store is loaded
  std::array<DirSlot, kDirSlots> dirs;
  bool loaded = false;
  bool local_account = true;      // set by the sign-in: the local account (never synced)
  // The whiteboard the desk shows.
  std::atomic<int32_t> cur_dir{0};
  std::atomic<int32_t> cur_frame{0};
};

inline DataStore g_store;

// Load results.
constexpr int kLoadCreated = 1;       // a new tree was made ("工作台" / "我的白板")
constexpr int kLoadNoRoot = -1;       // root record cannot be opened
constexpr int kLoadNoDir = -2;        // a Dir record file is missing
constexpr int kLoadNoFrame = -3;      // a Frame file is missing
constexpr int kLoadNoCase = -4;       // a case file is missing
constexpr int kLoadShort = -5;        // a file is shorter than its record
constexpr int kLoadBadCount = -6;     // a count exceeds its table
constexpr int kLoadWriteFailed = -7;  // the new tree could not be written

// Loads the signed-in account's store from the data root (stamp.h). With repair, Frames and
// cases whose files are missing are first removed from their lists (and the removals
// journaled), as at the sign-in of an e-mail account. Loads the timeline first when it is
// not loaded for this data root. Damaged files are refused and left as they are.
int load_store(bool repair);
// Closes the open files and frees every record (waits for a running repair pass first).
void free_store();

// Called by load_store for the local account: is_new = 1 when it is about to create a new
// tree, 0 otherwise. The sync client sets it to start its local-account report.
using LoadReportHook = void (*)(int is_new);
void set_load_report_hook(LoadReportHook hook);

// Record access; nullptr for an empty or out-of-range position.
DirRecord* dir_record(int dir);
FrameRecord* frame_record(int dir, int frame);
CaseRecord* case_record(int dir, int frame, int kase);
int dir_count();                 // the root record's count
int frame_count(int dir);        // 0 for an empty position
int case_count(int dir, int frame);

// New Dir: the index, or -1 (20 Dirs exist), -2 (no name or longer than 20 bytes),
// -3 (the name exists), -4 (a file could not be written).
int new_dir(const char* name);
// Index or -1.
int find_dir(const char* name);
// Index, -1 when absent, -2 when a Frame slot below the count is empty.
int find_frame(int dir, const char* name);

// New Frame with the given stamp (nullptr: a new stamp of kind 0x7FF1). Position (dir, j),
// or frame = -3 (20 Frames exist), -5 (the name exists), -1 (no such Dir), -4 (a file could
// not be written).
Position new_frame(int dir, const char* name, const Stamp* stamp = nullptr);
// 0, or -1 (no such Frame), -4 (the Frame file is missing).
int rename_frame(int dir, int frame, const char* name);
// 0, -1 (the Dir has no Frame or no such Frame), -2 (the only Frame of Dir 0).
int delete_frame(int dir, int frame);
// 0, -2 (the Dir has no Frame / no such Frame), -4 (the Frame file is missing: not created).
int save_frame(int dir, int frame);

// Reads every CaseRecord of the Frame from disk into the case table: 0, or -1 (no such
// Frame), -4 (a case file is missing or damaged; its position is left empty).
int load_cases(int dir, int frame);
// New case: position (dir, frame, k), or kase = -1 (100 cases), -2 (no such Frame),
// -4 (the file could not be written). The stamp gets its serial from the timeline.
Position new_case(int dir, int frame, const char* title, const Stamp& stamp);
// 0, -1 (no record at that position), -4 (the case file has gone missing: nothing written).
int save_case(int dir, int frame, int kase);

// Deleting a case: journals the delete and the Frame, removes the identity and the record
// (closing up the list), saves the Frame and marks the stamp removed in its timeline.
// The case's files stay on disk. 0 or -1 (no such case).
int delete_case(int dir, int frame, int kase);
// Takes a case out of a Frame in memory (identity and record, closing up the list); the
// caller journals and saves the Frame. 0 or -1.
int take_case(int dir, int frame, int kase, std::unique_ptr<CaseRecord>* out);
// Appends a record (and its identity) to a Frame in memory; the caller journals and saves.
// Position, or kase = -3 (1000 cases), -2 (no such Frame).
Position put_case(int dir, int frame, std::unique_ptr<CaseRecord> rec);
// Rewrites the Frame's case list (identities and records) in the given order: order[i] is
// the old slot that moves to slot i; it must be a permutation of 0 ... count - 1. 0 or -1.
int reorder_cases(int dir, int frame, const int* order, int n);

// The stored path of a Dir's record file ("0\\frame\\" + the name from its stamp).
std::string dir_file_path(const Stamp& dir_stamp);
// The stored path of "root.frame".
std::string root_file_path();

}  // namespace wf::store
