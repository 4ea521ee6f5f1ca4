// The settings record: 2048 bytes of options, the last shown Dir and Frame, the language,
// the theme, the window size and the version that wrote it. It exists as the global
// "config.cfg" in the program folder (rewritten at each start, read by the update program),
// and as "config.cfg" in each account's folder. Files are sealed (sealed.h).
//
// The process keeps one record in memory, the signed-in account's. Read single fields with
// the accessors; hold settings_lock() around changes that belong together and the save that
// follows them (or use settings_copy() to take a consistent snapshot).
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace wf::store {

constexpr int kSettingsSize = 2048;

// Field offsets.
constexpr int kSetHighRate = 16;        // byte: nonzero = active frame rate 180, else 60
constexpr int kSetReservedOption = 17;  // byte: kept by the options dialog, no effect
constexpr int kSetNightWallpaper = 18;  // byte: night wallpaper in the evening hours
constexpr int kSetAxes = 19;            // byte: the whiteboard shows its origin axes
constexpr int kSetQuickNew = 20;        // byte: new case at once, empty title, random skin
constexpr int kSetVersionPatch = 28;    // u32
constexpr int kSetVersionMajor = 32;    // u32
constexpr int kSetVersionMinor = 36;    // u32
constexpr int kSetDirIndex = 40;        // i32: Dir shown when the desk last closed
constexpr int kSetFrameIndex = 44;      // i32: Frame shown when the desk last closed
constexpr int kSetLanguage = 48;        // i32: 2052 = Chinese, else English
constexpr int kSetTheme = 52;           // byte: background theme 0 to 4
constexpr int kSetThemeReserved = 53;   // 16 bytes cleared together with the theme
constexpr int kThemeReservedSize = 16;
constexpr int kSetNoticeId = 77;        // i32 (unaligned): highest notice id already shown
constexpr int kSetLiteMode = 81;        // byte: 1 = compact layout; forced to 1 on load/save
constexpr int kSetWindowWidth = 82;     // u16: 0 = fill the work area
constexpr int kSetWindowHeight = 84;    // u16
constexpr int kSetBoardSelector = 87;   // byte, bit 0: the board selector is unfolded

constexpr int32_t kLanguageChinese = 2052;
constexpr int32_t kLanguageEnglish = 9;
constexpr int kThemeCount = 5;

inline constexpr char kConfigFile[] = "config.cfg";

// Result codes of load_settings (save and write give 0 or kSettingsWriteFailed).
constexpr int kSettingsBadIndex = -1;      // index 3 or more, or an empty file
constexpr int kSettingsEmptyEntry = -2;    // the account entry is empty
constexpr int kSettingsWrongPassword = -3; // the record is loaded all the same
constexpr int kSettingsDamaged = -4;       // the file does not unseal to exactly 2048 bytes;
                                           // it stays on disk, the record is not replaced
constexpr int kSettingsWriteFailed = -5;

struct SettingsRecord {
  uint8_t bytes[kSettingsSize];

  bool high_rate() const { return bytes[kSetHighRate] != 0; }
  bool reserved_option() const { return bytes[kSetReservedOption] != 0; }
  bool night_wallpaper() const { return bytes[kSetNightWallpaper] != 0; }
  bool axes() const { return bytes[kSetAxes] != 0; }
  bool quick_new() const { return bytes[kSetQuickNew] != 0; }
  uint32_t version_patch() const { return u32(kSetVersionPatch); }
  uint32_t version_major() const { return u32(kSetVersionMajor); }
  uint32_t version_minor() const { return u32(kSetVersionMinor); }
  int32_t version_code() const;  // major * 1000000 + minor * 10000 + patch
  int32_t dir_index() const { return static_cast<int32_t>(u32(kSetDirIndex)); }
  int32_t frame_index() const { return static_cast<int32_t>(u32(kSetFrameIndex)); }
  int32_t language() const { return static_cast<int32_t>(u32(kSetLanguage)); }
  int theme() const { return bytes[kSetTheme]; }
  int32_t notice_id() const { return static_cast<int32_t>(u32(kSetNoticeId)); }
  bool lite_mode() const { return bytes[kSetLiteMode] != 0; }
  int window_width() const { return u16(kSetWindowWidth); }
  int window_height() const { return u16(kSetWindowHeight); }
  bool board_selector_unfolded() const { return (bytes[kSetBoardSelector] & 1) != 0; }

  void set_high_rate(bool on) { bytes[kSetHighRate] = on ? 1 : 0; }
  void set_reserved_option(bool on) { bytes[kSetReservedOption] = on ? 1 : 0; }
  void set_night_wallpaper(bool on) { bytes[kSetNightWallpaper] = on ? 1 : 0; }
  void set_axes(bool on) { bytes[kSetAxes] = on ? 1 : 0; }
  void set_quick_new(bool on) { bytes[kSetQuickNew] = on ? 1 : 0; }
  void set_version(uint32_t major, uint32_t minor, uint32_t patch);
  void set_dir_index(int32_t v) { put_u32(kSetDirIndex, static_cast<uint32_t>(v)); }
  void set_frame_index(int32_t v) { put_u32(kSetFrameIndex, static_cast<uint32_t>(v)); }
  void set_language(int32_t v) { put_u32(kSetLanguage, static_cast<uint32_t>(v)); }
  void set_theme(int theme);  // also clears the 16 reserved bytes after it
  void set_notice_id(int32_t v) { put_u32(kSetNoticeId, static_cast<uint32_t>(v)); }
  void set_lite_mode(bool on) { bytes[kSetLiteMode] = on ? 1 : 0; }
  void set_window_size(int width, int height);  // each cut to 0 ... 65535
  void set_board_selector_unfolded(bool on);

  void clear();                 // all 2048 bytes zero
  void set_new_account();       // the defaults of a new account's record
  void set_global();            // the global file's record: version and language only

  uint32_t u32(int at) const;
  uint16_t u16(int at) const;
  void put_u32(int at, uint32_t v);
  void put_u16(int at, uint16_t v);
};

// The in-memory record of the signed-in account, and its lock.
SettingsRecord& settings();
std::recursive_mutex& settings_lock();
SettingsRecord settings_copy();

// The signed-in account's data root, with a trailing backslash (".\\account\\local\\" or
// ".\\account\\%08X\\"); empty before the first load_settings.
std::string data_root();

// The newest version code the first-tier server reported; the sync client stores it and
// load_settings reads it (a newer version lengthens the start-up boost to 20 seconds).
inline std::atomic<int32_t> g_newest_version_code{0};

// Loads the settings of account index (-1 = the local account) into memory, creating the
// defaults when the account has no file yet; sets the data root, the active frame rate, the
// boost and auto-save period; forces language 2052 and lite mode 1.
// Returns 0 or one of the codes above.
int load_settings(int index, const std::string& password);
// Seals and writes the in-memory record (lite mode forced to 1): index -1 to the current data
// root, else to the folder of that account entry. Returns 0 or kSettingsWriteFailed.
int save_settings(int index);
// Writes the global "config.cfg" in the program folder: version of this build, language 2052.
int write_global_settings();

}  // namespace wf::store
