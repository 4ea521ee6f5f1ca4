// The 16-byte stamp that names every stored object and its file, the object kinds, the data
// root of the signed-in account, and the rules that turn a stamp into its stored path.
//
// Stored paths keep backslashes and begin with the data root (".\\account\\local\\" or
// ".\\account\\%08X\\"); platform::native_path() turns them into native paths only at the
// file-system boundary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace wf::store {

#pragma pack(push, 1)
struct Stamp {
  uint16_t kind;      // 0: object kind (kKind... below); + kKindRemoved once removed
  uint8_t zero2;      // 2: always 0
  uint8_t second;     // 3: 0-59
  uint16_t serial;    // 4: set when the object enters its month timeline
  uint8_t zero6[4];   // 6: always 0 (the wire reuses bytes 2 and 6-9 of association entries)
  uint16_t year;      // 10
  uint8_t month;      // 12: 1-12
  uint8_t day;        // 13: 1-31
  uint8_t hour;       // 14: 0-23
  uint8_t minute;     // 15: 0-59
};
#pragma pack(pop)

constexpr size_t kStampSize = 16;
constexpr size_t kStampKind = 0;
constexpr size_t kStampSecond = 3;
constexpr size_t kStampSerial = 4;
constexpr size_t kStampYear = 10;
constexpr size_t kStampMonth = 12;
constexpr size_t kStampDay = 13;
constexpr size_t kStampHour = 14;
constexpr size_t kStampMinute = 15;
static_assert(sizeof(Stamp) == kStampSize);
static_assert(offsetof(Stamp, kind) == kStampKind);
static_assert(offsetof(Stamp, second) == kStampSecond);
static_assert(offsetof(Stamp, serial) == kStampSerial);
static_assert(offsetof(Stamp, year) == kStampYear);
static_assert(offsetof(Stamp, month) == kStampMonth);
static_assert(offsetof(Stamp, day) == kStampDay);
static_assert(offsetof(Stamp, hour) == kStampHour);
static_assert(offsetof(Stamp, minute) == kStampMinute);

// Object kinds.
constexpr uint16_t kKindDir = 1;
constexpr uint16_t kKindObject = 101;
constexpr uint16_t kKindCase = 102;      // CaseRecord, ".pass"
constexpr uint16_t kKindWho = 103;
constexpr uint16_t kKindWhere = 104;
constexpr uint16_t kKindWhen = 105;
constexpr uint16_t kKindWhat = 106;
constexpr uint16_t kKindWhy = 107;
constexpr uint16_t kKindResult = 108;
constexpr uint16_t kKindPicture = 109;   // JPEG picture, ".jpg"
constexpr uint16_t kKindTimeline = 0x7FF0;
constexpr uint16_t kKindFrame = 0x7FF1;
constexpr uint16_t kKindRemoved = 0x8000;  // added to the kind of a removed object
constexpr uint16_t kKindTimePoint = 0xFFFF;  // a point in time, not an object

// The data root that every stored path of the records begins with: the signed-in account's
// (set by load_settings, settings.h), or the local account's before any sign-in.
inline constexpr char kLocalDataRoot[] = ".\\account\\local\\";
std::string store_root();

// A stamp of that kind with the current local date and time and serial 0.
Stamp new_stamp(uint16_t kind);

// True when both stamps name the same object: kind, serial, date and time all equal.
bool same_object(const Stamp& a, const Stamp& b);

// The stored path of the object that the stamp names, as the kind says (the removed bit is
// ignored). Empty for a kind that names no file.
std::string object_path(uint16_t kind, const Stamp& stamp);
inline std::string object_path(const Stamp& stamp) { return object_path(stamp.kind, stamp); }

// Creates the folders the object's path needs (kind folder, year, month, day under the data
// root; for a month timeline only its year folder; for a Dir only "0\\frame\\"). Existing
// folders are fine. Returns 0, or -1 when a folder cannot be made or the kind names no file.
int object_folders(const Stamp& stamp);

// The local time that new stamps and saved stamps take. Tests put a fixed time in its place;
// nullptr returns to the real clock.
using LocalTimeSource = void (*)(std::tm* out);
void set_local_time_source(LocalTimeSource source);
void local_time_now(std::tm* out);

// Copies a zero-terminated GBK text into a field of cap bytes, keeping the terminator and
// never splitting a two-byte character; the rest of the field is zeroed. Returns the bytes
// copied (without the terminator).
size_t copy_text(char* field, size_t cap, const char* text);

// The length of a text stored in a field of cap bytes (stops at cap when no terminator).
size_t field_length(const char* field, size_t cap);

}  // namespace wf::store
