// The timeline: a per-month index of every Frame, case and picture created in the account,
// under "0\\timeline\\" of the data root. "root.timeline" flags the years that have a
// timeline folder; each month file holds the stamps entered in that month. A removed
// object's entry is marked (kind + 0x8000) instead of being erased.
//
// All operations are serialised by the timeline lock: they run on the main thread, the
// sign-in thread, the repair pass and the sync threads. Months are held in memory only when
// they exist (a sparse table keyed by year and month).
#pragma once
#include <cstddef>
#include <cstdint>

#include "store/records.h"
#include "store/stamp.h"

namespace wf::store {

constexpr int kTimelineYears = 2998;      // years 0 ... 2997
constexpr int kTimelineEntries = 3000;    // entries per month

#pragma pack(push, 1)
// "root.timeline", 6000 bytes.
struct TimelineRoot {
  uint32_t year_count;                    // 0
  uint16_t year_flags[kTimelineYears];    // 4: 1 = the year has a timeline folder
};
constexpr size_t kTimelineRootSize = 6000;
constexpr size_t kTimelineRootYearCount = 0;
constexpr size_t kTimelineRootFlags = 4;
static_assert(sizeof(TimelineRoot) == kTimelineRootSize);
static_assert(offsetof(TimelineRoot, year_flags) == kTimelineRootFlags);

// "0\\timeline\\YYYY\\MM.timeline", 64384 bytes: a header in the CaseRecord layout, then
// the entries.
struct MonthTimeline {
  uint32_t size;                          // 0: 64384
  uint32_t zero4;                         // 4
  uint8_t reserved8[272];                 // 8
  int32_t minus_one_280;                  // 280: -1
  int32_t minus_one_284;                  // 284: -1
  uint8_t reserved288[8];                 // 288
  Stamp own;                              // 296: kind 0x7FF0, serial 0xFFFF, creation time
  uint8_t reserved312[16];                // 312
  char name[kNameField];                  // 328: "%04u.%02u"
  uint8_t reserved360[16020];             // 360
  uint32_t entry_count;                   // 16380
  Stamp entries[kTimelineEntries];        // 16384
};
constexpr size_t kMonthTimelineSize = 64384;
constexpr size_t kMonthOwnStamp = 296;
constexpr size_t kMonthName = 328;
constexpr size_t kMonthEntryCount = 16380;
constexpr size_t kMonthEntries = 16384;
static_assert(sizeof(MonthTimeline) == kMonthTimelineSize);
static_assert(offsetof(MonthTimeline, minus_one_280) == 280);
static_assert(offsetof(MonthTimeline, own) == kMonthOwnStamp);
static_assert(offsetof(MonthTimeline, name) == kMonthName);
static_assert(offsetof(MonthTimeline, entry_count) == kMonthEntryCount);
static_assert(offsetof(MonthTimeline, entries) == kMonthEntries);
#pragma pack(pop)

// Results.
constexpr int kTimelineOutOfRange = -2;   // year 2998 or later, month 0 or above 12
constexpr int kTimelineNotFound = -3;     // no entry, or the month not held in memory
constexpr int kTimelineFull = -4;         // the month already holds 3000 entries
constexpr int kTimelineNotLoaded = -5;    // load_timeline has not run for this data root
constexpr int kTimelineWriteFailed = -6;  // a timeline file could not be written
constexpr int kTimelineDamaged = -7;      // "root.timeline" is short or its count too high

// Loads (or, when missing, creates) the timeline of the data root. A month file that is
// shorter than its record or whose count exceeds 3000 is not held (and takes no entries).
// Returns 0, kTimelineWriteFailed when a new root cannot be made, or kTimelineDamaged when
// "root.timeline" is damaged (it is left as it is and the timeline stays unloaded).
int load_timeline();
// Closes "root.timeline" and forgets every month.
void free_timeline();
bool timeline_loaded();

// Enters the stamp into its month. Unless keep_serial is set or the kind is 109 (picture),
// the caller's stamp first gets a new serial (low 16 bits of the general generator).
// 0, kTimelineOutOfRange, kTimelineFull, kTimelineNotLoaded, kTimelineWriteFailed. A month
// whose file exists but could not be read takes no entry and returns 0.
int timeline_add(Stamp* stamp, bool keep_serial);
// As timeline_add, never changing the stamp (objects received from the server).
int timeline_add_as_is(const Stamp& stamp);
// Index of the first entry with the stamp's serial, day, hour, minute and second in its
// month (a removed entry is found too), or -2.
int timeline_find(const Stamp& stamp);
// Sets the removed bit of the stamp's entry: 0, -2 (year or month out of range), -3.
int timeline_mark_removed(const Stamp& stamp);

// A copy of one month's record when it is held in memory: 0 or -3. (For the sync client.)
int timeline_month_copy(int year, int month, MonthTimeline* out);
// A copy of the root record: 0 or kTimelineNotLoaded.
int timeline_root_copy(TimelineRoot* out);

// The stored paths of "root.timeline" and of a month file.
std::string timeline_root_path();
std::string timeline_month_path(int year, int month);

// The bytes of a month file checked as load_timeline does: 0, kBadShort or kBadCount.
int check_month_timeline(const void* bytes, size_t len);

}  // namespace wf::store
