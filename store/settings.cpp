// The settings record: field access, defaults, the in-memory record and its files.
#include "store/settings.h"

#include <sys/stat.h>

#include <cstring>

#include "platform/paths.h"
#include "shell/globals.h"
#include "store/accounts.h"
#include "store/sealed.h"

namespace wf::store {
namespace {

SettingsRecord g_settings{};
std::recursive_mutex g_settings_lock;
std::string g_data_root;  // under g_settings_lock

bool file_exists(const std::string& stored) {
  struct stat st;
  return ::stat(platform::native_path(stored).c_str(), &st) == 0;
}

// The settings file of account index (-1: the current data root); empty when there is none.
std::string settings_path(int index) {
  if (index == -1) return g_data_root.empty() ? std::string() : g_data_root + kConfigFile;
  std::lock_guard<std::recursive_mutex> hold(account_lock());
  int32_t id = account_table().folder_id(index);
  if (id == kNoAccount) return std::string();
  return account_folder(id) + "\\" + kConfigFile;
}

// What every successful load leaves behind in the shell's shared values.
void apply_loaded_settings() {
  shell::g_shell.active_rate = g_settings.high_rate() ? shell::kHighActiveRate : shell::kActiveRate;
  if (g_newest_version_code.load() > shell::kVersionCode) shell::g_shell.boost_seconds = 20;
  shell::g_shell.autosave_period = 1;
}

}  // namespace

uint32_t SettingsRecord::u32(int at) const {
  return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

uint16_t SettingsRecord::u16(int at) const {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

void SettingsRecord::put_u32(int at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void SettingsRecord::put_u16(int at, uint16_t v) {
  bytes[at] = static_cast<uint8_t>(v);
  bytes[at + 1] = static_cast<uint8_t>(v >> 8);
}

int32_t SettingsRecord::version_code() const {
  return static_cast<int32_t>(version_major() * 1000000u + version_minor() * 10000u + version_patch());
}

void SettingsRecord::set_version(uint32_t major, uint32_t minor, uint32_t patch) {
  put_u32(kSetVersionPatch, patch);
  put_u32(kSetVersionMajor, major);
  put_u32(kSetVersionMinor, minor);
}

void SettingsRecord::set_theme(int theme) {
  bytes[kSetTheme] = static_cast<uint8_t>(theme);
  std::memset(bytes + kSetThemeReserved, 0, kThemeReservedSize);
}

void SettingsRecord::set_window_size(int width, int height) {
  auto cut = [](int v) { return static_cast<uint16_t>(v < 0 ? 0 : v > 65535 ? 65535 : v); };
  put_u16(kSetWindowWidth, cut(width));
  put_u16(kSetWindowHeight, cut(height));
}

void SettingsRecord::set_board_selector_unfolded(bool on) {
  bytes[kSetBoardSelector] = static_cast<uint8_t>((bytes[kSetBoardSelector] & ~1u) | (on ? 1u : 0u));
}

void SettingsRecord::clear() { std::memset(bytes, 0, sizeof bytes); }

void SettingsRecord::set_new_account() {
  clear();
  set_high_rate(true);
  set_reserved_option(true);
  set_night_wallpaper(true);
  set_axes(true);
  set_quick_new(false);
  set_version(shell::kVersionMajor, shell::kVersionMinor, shell::kVersionPatch);
  set_language(kLanguageChinese);
  set_lite_mode(true);
}

void SettingsRecord::set_global() {
  clear();
  set_version(shell::kVersionMajor, shell::kVersionMinor, shell::kVersionPatch);
  set_language(kLanguageChinese);
}

SettingsRecord& settings() { return g_settings; }
std::recursive_mutex& settings_lock() { return g_settings_lock; }

SettingsRecord settings_copy() {
  std::lock_guard<std::recursive_mutex> hold(g_settings_lock);
  return g_settings;
}

std::string data_root() {
  std::lock_guard<std::recursive_mutex> hold(g_settings_lock);
  return g_data_root;
}

int save_settings(int index) {
  std::lock_guard<std::recursive_mutex> hold(g_settings_lock);
  if (index < -1 || index >= kMaxAccounts) return kSettingsBadIndex;
  g_settings.set_lite_mode(true);
  std::string path = settings_path(index);
  if (path.empty()) return kSettingsWriteFailed;
  return write_sealed(path, g_settings.bytes, sizeof g_settings.bytes) == 0 ? 0 : kSettingsWriteFailed;
}

int load_settings(int index, const std::string& password) {
  std::lock_guard<std::recursive_mutex> hold(g_settings_lock);
  if (index < -1 || index >= kMaxAccounts) return kSettingsBadIndex;
  std::string expected_password;
  if (index == -1) {
    platform::make_folder(kAccountRoot);
    platform::make_folder(kLocalAccountFolder);
    g_data_root = std::string(kLocalAccountFolder) + "\\";
  } else {
    std::lock_guard<std::recursive_mutex> hold_table(account_lock());
    int32_t id = account_table().folder_id(index);
    if (id == kNoAccount) return kSettingsEmptyEntry;
    expected_password = account_table().password(index);
    platform::make_folder(kAccountRoot);
    platform::make_folder(account_folder(id));
    g_data_root = account_folder(id) + "\\";
  }

  std::string path = g_data_root + kConfigFile;
  if (!file_exists(path)) {
    g_settings.set_new_account();
    save_settings(index);
  }

  // Room for more than a record, so that a longer file shows up as damaged, not as cut.
  uint8_t buf[2 * kSettingsSize];
  long n = read_sealed(path, buf, sizeof buf);
  if (n == kSealEmptyFile) return kSettingsBadIndex;
  if (n == kSealMissing) return kSettingsWriteFailed;  // the defaults could not be written
  if (n != kSettingsSize) return kSettingsDamaged;
  std::memcpy(g_settings.bytes, buf, kSettingsSize);
  g_settings.set_lite_mode(true);

  if (index != -1 && password != expected_password) return kSettingsWrongPassword;
  apply_loaded_settings();
  g_settings.set_language(kLanguageChinese);
  return 0;
}

int write_global_settings() {
  SettingsRecord global;
  global.set_global();
  return write_sealed(kConfigFile, global.bytes, sizeof global.bytes) == 0 ? 0 : kSettingsWriteFailed;
}

}  // namespace wf::store
