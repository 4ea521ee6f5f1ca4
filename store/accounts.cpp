// The account table: field access, the in-memory table, its file, and adding, removing and
// finding accounts.
#include "store/accounts.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "platform/paths.h"
#include "store/rng.h"
#include "store/sealed.h"

namespace wf::store {
namespace {

bool valid_index(int i) { return i >= 0 && i < kMaxAccounts; }

uint32_t load_u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void store_u32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string load_text(const uint8_t* p) {
  size_t n = 0;
  while (n < kTextFieldSize - 1 && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

void store_text(uint8_t* p, std::string_view text) {
  size_t n = text.size() < kTextFieldSize - 1 ? text.size() : kTextFieldSize - 1;
  std::memset(p, 0, kTextFieldSize);
  std::memcpy(p, text.data(), n);
}

bool folder_exists(const std::string& stored) {
  struct stat st;
  return ::stat(platform::native_path(stored).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A table read from disk must be consistent, or callers would index past the entries.
bool table_consistent(const AccountTable& t) {
  uint32_t count = t.count();
  if (count > kMaxAccounts || t.free_slots() != kMaxAccounts - count) return false;
  int32_t cur = t.current();
  return cur == kNoAccount || (cur >= 0 && static_cast<uint32_t>(cur) < count);
}

AccountTable g_table{};
std::recursive_mutex g_account_lock;

}  // namespace

uint32_t AccountTable::free_slots() const { return load_u32(bytes + kTabFreeSlots); }
uint32_t AccountTable::count() const { return load_u32(bytes + kTabCount); }
int32_t AccountTable::current() const { return static_cast<int32_t>(load_u32(bytes + kTabCurrent)); }
void AccountTable::set_free_slots(uint32_t v) { store_u32(bytes + kTabFreeSlots, v); }
void AccountTable::set_count(uint32_t v) { store_u32(bytes + kTabCount, v); }
void AccountTable::set_current(int32_t v) { store_u32(bytes + kTabCurrent, static_cast<uint32_t>(v)); }

#define WF_ENTRY(i) (bytes + kTabEntries + (i) * kEntrySize)

int32_t AccountTable::folder_id(int i) const {
  return valid_index(i) ? static_cast<int32_t>(load_u32(WF_ENTRY(i) + kEntryFolderId)) : kNoAccount;
}
int32_t AccountTable::user_id(int i) const {
  return valid_index(i) ? static_cast<int32_t>(load_u32(WF_ENTRY(i) + kEntryUserId)) : -1;
}
int32_t AccountTable::user_key(int i) const {
  return valid_index(i) ? static_cast<int32_t>(load_u32(WF_ENTRY(i) + kEntryUserKey)) : -1;
}
std::string AccountTable::email(int i) const {
  return valid_index(i) ? load_text(WF_ENTRY(i) + kEntryEmail) : std::string();
}
std::string AccountTable::password(int i) const {
  return valid_index(i) ? load_text(WF_ENTRY(i) + kEntryPassword) : std::string();
}
bool AccountTable::remember(int i) const { return valid_index(i) && bytes[kTabRememberFlags + i] == 1; }
std::string AccountTable::remembered_password(int i) const {
  return valid_index(i) ? load_text(bytes + kTabRememberedPasswords + i * kTextFieldSize) : std::string();
}
bool AccountTable::offline(int i) const { return valid_index(i) && bytes[kTabOfflineFlags + i] == 1; }

void AccountTable::set_folder_id(int i, int32_t v) {
  if (valid_index(i)) store_u32(WF_ENTRY(i) + kEntryFolderId, static_cast<uint32_t>(v));
}
void AccountTable::set_user_id(int i, int32_t v) {
  if (valid_index(i)) store_u32(WF_ENTRY(i) + kEntryUserId, static_cast<uint32_t>(v));
}
void AccountTable::set_user_key(int i, int32_t v) {
  if (valid_index(i)) store_u32(WF_ENTRY(i) + kEntryUserKey, static_cast<uint32_t>(v));
}
void AccountTable::set_email(int i, std::string_view text) {
  if (valid_index(i)) store_text(WF_ENTRY(i) + kEntryEmail, text);
}
void AccountTable::set_password(int i, std::string_view text) {
  if (valid_index(i)) store_text(WF_ENTRY(i) + kEntryPassword, text);
}
void AccountTable::set_remember(int i, bool on) {
  if (valid_index(i)) bytes[kTabRememberFlags + i] = on ? 1 : 0;
}
void AccountTable::set_remembered_password(int i, std::string_view text) {
  if (valid_index(i)) store_text(bytes + kTabRememberedPasswords + i * kTextFieldSize, text);
}
void AccountTable::set_offline(int i, bool on) {
  if (valid_index(i)) bytes[kTabOfflineFlags + i] = on ? 1 : 0;
}

void AccountTable::clear_entry(int i) {
  if (!valid_index(i)) return;
  std::memset(WF_ENTRY(i), 0, kEntrySize);
  set_folder_id(i, kNoAccount);
  set_user_id(i, -1);
  set_user_key(i, -1);
  set_remember(i, false);
  set_offline(i, false);
  std::memset(bytes + kTabRememberedPasswords + i * kTextFieldSize, 0, kTextFieldSize);
}

#undef WF_ENTRY

void AccountTable::clear() {
  std::memset(bytes, 0, sizeof bytes);
  set_free_slots(kMaxAccounts);
  set_count(0);
  set_current(kNoAccount);
  for (int i = 0; i < kMaxAccounts; ++i) clear_entry(i);
}

AccountTable& account_table() { return g_table; }
std::recursive_mutex& account_lock() { return g_account_lock; }

std::string account_folder(int32_t folder_id) {
  char buf[sizeof kAccountRoot + 16];
  std::snprintf(buf, sizeof buf, "%s\\%08X", kAccountRoot, static_cast<uint32_t>(folder_id));
  return buf;
}

int save_account_table() {
  std::lock_guard<std::recursive_mutex> hold(g_account_lock);
  return write_sealed(kAccountTableFile, g_table.bytes, sizeof g_table.bytes) == 0 ? 0 : kAccountsWriteFailed;
}

int load_account_table() {
  std::lock_guard<std::recursive_mutex> hold(g_account_lock);
  platform::make_folder(kAccountRoot);
  AccountTable read{};
  long n = read_sealed(kAccountTableFile, read.bytes, sizeof read.bytes);
  if (n == kSealMissing) {
    g_table.clear();
    save_account_table();
    return 0;
  }
  if (n == kSealEmptyFile) return kAccountsEmptyFile;
  if (n != kAccountTableSize || !table_consistent(read)) return kAccountsDamaged;
  g_table = read;
  if (g_table.current() != kNoAccount) {
    uint32_t i = 0;
    while (i < g_table.count()) {
      if (!folder_exists(account_folder(g_table.folder_id(static_cast<int>(i)))))
        remove_account(static_cast<int>(i));  // the next entry moves into place i
      else
        ++i;
    }
  }
  return 0;
}

int add_account_slot() {
  std::lock_guard<std::recursive_mutex> hold(g_account_lock);
  uint32_t free_slots = g_table.free_slots();
  if (free_slots < 1 || free_slots > kMaxAccounts) return -1;
  int slot = -1;
  for (int i = 0; i < kMaxAccounts && slot < 0; ++i)
    if (g_table.folder_id(i) == kNoAccount) slot = i;
  if (slot < 0) return -1;
  // A folder left on disk by a removed account must not be handed to a new one: the new
  // account would take over the old account's data.
  int32_t id = kNoAccount;
  bool taken = true;
  while (taken) {
    id = next_general_rng();
    taken = id == kNoAccount || folder_exists(account_folder(id));
    for (int i = 0; i < kMaxAccounts && !taken; ++i) taken = g_table.folder_id(i) == id;
  }
  platform::make_folder(kAccountRoot);
  if (platform::make_folder(account_folder(id)) != 0) return -1;
  g_table.set_folder_id(slot, id);
  g_table.set_free_slots(free_slots - 1);
  g_table.set_count(g_table.count() + 1);
  return slot;
}

int remove_account(int index) {
  std::lock_guard<std::recursive_mutex> hold(g_account_lock);
  if (!valid_index(index) || g_table.folder_id(index) == kNoAccount) return 0;
  uint32_t count = g_table.count();
  if (count == 0 || count > kMaxAccounts) return 0;
  uint32_t new_count = count - 1;
  g_table.set_free_slots(g_table.free_slots() + 1);
  g_table.set_count(new_count);
  uint8_t* b = g_table.bytes;
  for (int i = index; i + 1 < kMaxAccounts; ++i) {
    std::memcpy(b + kTabEntries + i * kEntrySize, b + kTabEntries + (i + 1) * kEntrySize, kEntrySize);
    b[kTabRememberFlags + i] = b[kTabRememberFlags + i + 1];
    std::memcpy(b + kTabRememberedPasswords + i * kTextFieldSize,
                b + kTabRememberedPasswords + (i + 1) * kTextFieldSize, kTextFieldSize);
    b[kTabOfflineFlags + i] = b[kTabOfflineFlags + i + 1];
  }
  for (int i = static_cast<int>(new_count); i < kMaxAccounts; ++i)
    if (i >= index) g_table.clear_entry(i);
  g_table.set_current(new_count > 0 ? 0 : kNoAccount);
  save_account_table();
  return 0;
}

int find_account(std::string_view email) {
  std::lock_guard<std::recursive_mutex> hold(g_account_lock);
  for (int i = 0; i < kMaxAccounts; ++i)
    if (g_table.used(i) && g_table.email(i) == email) return i;
  return -1;
}

}  // namespace wf::store
