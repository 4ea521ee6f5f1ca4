// The account table: the at most three e-mail accounts that have signed in on this computer,
// with their folder ids, server ids, e-mail, password text and the sign-in screen's
// remember-password and offline-use flags. Stored sealed in ".\\account\\table.cfg"; each
// account's data lives in ".\\account\\%08X" (its folder id in upper-case hex). The local
// account is never in the table; its folder is ".\\account\\local".
//
// The process keeps one table in memory. Hold account_lock() around any sequence of reads and
// writes that belong together; the operations below take it themselves.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace wf::store {

constexpr int kAccountTableSize = 644;
constexpr int kMaxAccounts = 3;

// Table field offsets.
constexpr int kTabFreeSlots = 0;             // u32: 3 - count
constexpr int kTabCount = 4;                 // u32: 0 to 3
constexpr int kTabCurrent = 8;               // i32: current entry, -1 = none
constexpr int kTabEntries = 12;              // 3 entries of kEntrySize
constexpr int kTabRememberFlags = 240;       // 3 bytes, 1 = remember password
constexpr int kTabRememberedPasswords = 243; // 3 x 32, zero-terminated
constexpr int kTabOfflineFlags = 339;        // 3 bytes, 1 = offline use
constexpr int kTabReserved = 342;            // 302 bytes, 0

// Entry field offsets (within one entry).
constexpr int kEntrySize = 76;
constexpr int kEntryFolderId = 0;  // i32, -1 = empty entry
constexpr int kEntryUserId = 4;    // i32, -1 when empty
constexpr int kEntryUserKey = 8;   // i32, -1 when empty
constexpr int kEntryEmail = 12;    // 32 bytes, zero-terminated
constexpr int kEntryPassword = 44; // 32 bytes, zero-terminated
constexpr int kTextFieldSize = 32; // e-mail, password and remembered password fields

constexpr int32_t kNoAccount = -1;  // folder id of an empty entry; current index "none"

// Folders and files (stored form; native_path() converts them at the file-system boundary).
inline constexpr char kAccountRoot[] = ".\\account";
inline constexpr char kAccountTableFile[] = ".\\account\\table.cfg";
inline constexpr char kLocalAccountFolder[] = ".\\account\\local";

// Result codes.
constexpr int kAccountsEmptyFile = -1;  // load: the table file is empty
constexpr int kAccountsDamaged = -4;    // load: the file does not unseal to exactly 644 bytes
constexpr int kAccountsWriteFailed = -5;

struct AccountTable {
  uint8_t bytes[kAccountTableSize];

  uint32_t free_slots() const;
  uint32_t count() const;
  int32_t current() const;
  void set_free_slots(uint32_t v);
  void set_count(uint32_t v);
  void set_current(int32_t v);

  // Entry fields; i is 0 to 2 (other indices read as empty and are not written).
  int32_t folder_id(int i) const;
  int32_t user_id(int i) const;
  int32_t user_key(int i) const;
  std::string email(int i) const;     // up to the first zero byte, at most 31 bytes
  std::string password(int i) const;
  bool remember(int i) const;
  std::string remembered_password(int i) const;
  bool offline(int i) const;
  bool used(int i) const { return folder_id(i) != kNoAccount; }

  void set_folder_id(int i, int32_t v);
  void set_user_id(int i, int32_t v);
  void set_user_key(int i, int32_t v);
  void set_email(int i, std::string_view text);     // cut to 31 bytes, zero-filled
  void set_password(int i, std::string_view text);
  void set_remember(int i, bool on);
  void set_remembered_password(int i, std::string_view text);
  void set_offline(int i, bool on);

  // The empty table: free slots 3, count 0, current -1, all entries empty (ids -1).
  void clear();
  // Empties entry i: 76 zero bytes, ids -1, both flags 0, remembered password zero.
  void clear_entry(int i);
};

// The in-memory table and its lock.
AccountTable& account_table();
std::recursive_mutex& account_lock();

// ".\\account\\%08X" for a folder id.
std::string account_folder(int32_t folder_id);

// Creates ".\\account" when missing; creates and saves the empty table when the file is
// missing; otherwise unseals it (a damaged file is reported, kept on disk and not replaced);
// then, when an account is current, removes the accounts whose folders are gone.
// Returns 0, kAccountsEmptyFile or kAccountsDamaged (the in-memory table is unchanged then).
int load_account_table();
// Seals and writes the in-memory table. Returns 0 or kAccountsWriteFailed.
int save_account_table();
// Takes the first empty entry, gives it a new folder id (general generator) and creates its
// folder. Returns the entry index, or -1 when the table is full. The caller fills the rest,
// makes it current and saves the table.
int add_account_slot();
// Removes entry index (ignored above 2 or for an empty entry): the later entries move forward
// with their flags and remembered passwords, the freed last entry is emptied, the current
// index becomes 0 (or -1 when no account is left) and the table is saved. The account's
// folder stays on disk. Returns 0.
int remove_account(int index);
// The entry whose e-mail equals text exactly (case-sensitive), or -1.
int find_account(std::string_view email);

}  // namespace wf::store
