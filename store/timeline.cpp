// The month timelines of the signed-in account: loading, entering, finding and marking
// removed, each change written in place to its file. One lock serialises every operation.
#include "store/timeline.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/paths.h"
#include "store/records_io.h"
#include "store/rng.h"

namespace wf::store {
namespace {

constexpr char kTimelineFolder[] = "0\\timeline\\";
constexpr char kRootName[] = "root.timeline";

struct Month {
  std::unique_ptr<MonthTimeline> rec;  // null: the file exists but could not be read
};

struct Timeline {
  std::mutex lock;
  bool loaded = false;
  std::string root_of;                 // the data root it was loaded for
  TimelineRoot root{};
  int root_fd = -1;
  std::map<int, Month> months;         // key: year * 16 + month
};

Timeline g_timeline;

int month_key(int year, int month) { return year * 16 + month; }

bool in_range(int year, int month) {
  return year >= 0 && year < kTimelineYears && month >= 1 && month <= 12;
}

void clear_locked() {
  io::close_fd(&g_timeline.root_fd);
  g_timeline.months.clear();
  std::memset(&g_timeline.root, 0, sizeof g_timeline.root);
  g_timeline.loaded = false;
  g_timeline.root_of.clear();
}

std::string year_folder(int year) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%04u", kTimelineFolder, unsigned(year));
  return store_root() + name;
}

int create_root_locked(const std::string& root) {
  platform::make_folder(root.substr(0, root.size() - 1));
  platform::make_folder(root + "0");
  platform::make_folder(root + "0\\timeline");
  int fd = io::create_file(timeline_root_path());
  if (fd < 0) return kTimelineWriteFailed;
  if (io::write_at(fd, &g_timeline.root, sizeof g_timeline.root, 0) != 0) {
    io::close_fd(&fd);
    return kTimelineWriteFailed;
  }
  g_timeline.root_fd = fd;
  return 0;
}

// Reads one month file; a missing file leaves no slot, an unreadable one an empty slot.
void load_month_locked(int year, int month) {
  std::string path = timeline_month_path(year, month);
  auto rec = std::make_unique<MonthTimeline>();
  long long n = io::read_file(path, rec.get(), sizeof *rec);
  if (n < 0) return;
  Month& slot = g_timeline.months[month_key(year, month)];
  if (check_month_timeline(rec.get(), static_cast<size_t>(n)) == 0) slot.rec = std::move(rec);
}

int load_locked() {
  clear_locked();
  std::string root = store_root();
  if (!io::folder_exists(root + "0\\timeline") || !io::file_exists(timeline_root_path())) {
    int rc = create_root_locked(root);
    if (rc != 0) return rc;
    g_timeline.loaded = true;
    g_timeline.root_of = root;
    return 0;
  }
  int fd = io::open_update(timeline_root_path());
  if (fd < 0) return kTimelineDamaged;
  long long n = io::read_at(fd, &g_timeline.root, sizeof g_timeline.root, 0);
  if (n != static_cast<long long>(kTimelineRootSize) ||
      g_timeline.root.year_count > static_cast<uint32_t>(kTimelineYears)) {
    io::close_fd(&fd);
    std::memset(&g_timeline.root, 0, sizeof g_timeline.root);
    return kTimelineDamaged;
  }
  g_timeline.root_fd = fd;
  for (int year = 0; year < kTimelineYears; ++year) {
    if (!g_timeline.root.year_flags[year]) continue;
    for (int month = 1; month <= 12; ++month) load_month_locked(year, month);
  }
  g_timeline.loaded = true;
  g_timeline.root_of = root;
  return 0;
}

// The timeline must belong to the current data root; load it when it does not.
int ensure_loaded_locked() {
  if (g_timeline.loaded && g_timeline.root_of == store_root()) return 0;
  int rc = load_locked();
  return rc == 0 ? 0 : kTimelineNotLoaded;
}

void give_serial(Stamp* stamp, bool keep) {
  if (!keep && stamp->kind != kKindPicture)
    stamp->serial = static_cast<uint16_t>(next_general_rng() & 0xFFFF);
}

int set_year_flag_locked(int year) {
  platform::make_folder(year_folder(year));
  if (g_timeline.root.year_count >= static_cast<uint32_t>(kTimelineYears)) return 0;
  g_timeline.root.year_count += 1;
  g_timeline.root.year_flags[year] = 1;
  int rc = io::write_at(g_timeline.root_fd, &g_timeline.root.year_count, 4, kTimelineRootYearCount);
  if (rc == 0)
    rc = io::write_at(g_timeline.root_fd, &g_timeline.root.year_flags[year], 2,
                      kTimelineRootFlags + 2 * static_cast<size_t>(year));
  return rc == 0 ? 0 : kTimelineWriteFailed;
}

int new_month_locked(const Stamp& first) {
  auto rec = std::make_unique<MonthTimeline>();
  std::memset(rec.get(), 0, sizeof *rec);
  rec->size = kMonthTimelineSize;
  rec->minus_one_280 = -1;
  rec->minus_one_284 = -1;
  rec->own = new_stamp(kKindTimeline);
  rec->own.serial = 0xFFFF;
  std::snprintf(rec->name, sizeof rec->name, "%04u.%02u", unsigned{first.year},
                unsigned{first.month});
  rec->entry_count = 1;
  rec->entries[0] = first;
  platform::make_folder(year_folder(first.year));
  if (io::write_new_file(timeline_month_path(first.year, first.month), rec.get(), sizeof *rec) != 0)
    return kTimelineWriteFailed;
  g_timeline.months[month_key(first.year, first.month)].rec = std::move(rec);
  return 0;
}

// Writes entry i (and, when with_count, the count) of a held month into its file; a file
// that went missing is written whole again.
int write_entry_locked(const MonthTimeline& rec, int year, int month, uint32_t i, bool with_count) {
  std::string path = timeline_month_path(year, month);
  int fd = io::open_update(path);
  if (fd < 0) return io::write_new_file(path, &rec, sizeof rec) == 0 ? 0 : kTimelineWriteFailed;
  int rc = 0;
  if (with_count) rc = io::write_at(fd, &rec.entry_count, 4, kMonthEntryCount);
  if (rc == 0) rc = io::write_at(fd, &rec.entries[i], kStampSize, kMonthEntries + kStampSize * i);
  io::close_fd(&fd);
  return rc == 0 ? 0 : kTimelineWriteFailed;
}

int add_locked(Stamp* stamp, bool keep) {
  if (!in_range(stamp->year, stamp->month)) return kTimelineOutOfRange;
  if (int rc = ensure_loaded_locked(); rc != 0) return rc;
  const int year = stamp->year, month = stamp->month;
  if (g_timeline.root.year_flags[year]) {
    auto it = g_timeline.months.find(month_key(year, month));
    if (it != g_timeline.months.end() && it->second.rec) {
      MonthTimeline& rec = *it->second.rec;
      if (rec.entry_count >= static_cast<uint32_t>(kTimelineEntries)) return kTimelineFull;
      give_serial(stamp, keep);
      uint32_t i = rec.entry_count;
      rec.entries[i] = *stamp;
      rec.entry_count = i + 1;
      return write_entry_locked(rec, year, month, i, true);
    }
    if (it != g_timeline.months.end() || io::file_exists(timeline_month_path(year, month))) {
      // The month's file exists but is not held: it takes no entry. The object still gets
      // its serial so that its file name is as unique as any other.
      give_serial(stamp, keep);
      return 0;
    }
  } else if (int rc = set_year_flag_locked(year); rc != 0) {
    return rc;
  }
  give_serial(stamp, keep);
  return new_month_locked(*stamp);
}

MonthTimeline* held_month_locked(int year, int month) {
  auto it = g_timeline.months.find(month_key(year, month));
  return it == g_timeline.months.end() ? nullptr : it->second.rec.get();
}

int find_locked(const Stamp& s) {
  if (!in_range(s.year, s.month)) return -2;
  if (ensure_loaded_locked() != 0) return -2;
  const MonthTimeline* rec = held_month_locked(s.year, s.month);
  if (!rec) return -2;
  for (uint32_t i = 0; i < rec->entry_count && i < static_cast<uint32_t>(kTimelineEntries); ++i) {
    const Stamp& e = rec->entries[i];
    if (e.serial == s.serial && e.day == s.day && e.hour == s.hour && e.minute == s.minute &&
        e.second == s.second)
      return static_cast<int>(i);
  }
  return -2;
}

}  // namespace

std::string timeline_root_path() { return store_root() + kTimelineFolder + kRootName; }

std::string timeline_month_path(int year, int month) {
  char name[48];
  std::snprintf(name, sizeof name, "%s%04u\\%02u.timeline", kTimelineFolder, unsigned(year),
                unsigned(month));
  return store_root() + name;
}

int check_month_timeline(const void* bytes, size_t len) {
  if (!bytes || len < kMonthTimelineSize) return kBadShort;
  uint32_t count;
  std::memcpy(&count, static_cast<const char*>(bytes) + kMonthEntryCount, 4);
  return count > static_cast<uint32_t>(kTimelineEntries) ? kBadCount : 0;
}

int load_timeline() {
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  return load_locked();
}

void free_timeline() {
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  clear_locked();
}

bool timeline_loaded() {
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  return g_timeline.loaded && g_timeline.root_of == store_root();
}

int timeline_add(Stamp* stamp, bool keep_serial) {
  if (!stamp) return kTimelineOutOfRange;
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  return add_locked(stamp, keep_serial);
}

int timeline_add_as_is(const Stamp& stamp) {
  Stamp copy = stamp;
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  return add_locked(&copy, true);
}

int timeline_find(const Stamp& stamp) {
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  return find_locked(stamp);
}

int timeline_mark_removed(const Stamp& stamp) {
  if (!in_range(stamp.year, stamp.month)) return -2;
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  int i = find_locked(stamp);
  MonthTimeline* rec = held_month_locked(stamp.year, stamp.month);
  if (i < 0 || !rec) return -3;
  Stamp& e = rec->entries[i];
  if (e.kind >= kKindRemoved) return 0;
  e.kind = static_cast<uint16_t>(e.kind + kKindRemoved);
  return write_entry_locked(*rec, stamp.year, stamp.month, static_cast<uint32_t>(i), false) == 0
             ? 0
             : kTimelineWriteFailed;
}

int timeline_month_copy(int year, int month, MonthTimeline* out) {
  if (!out || !in_range(year, month)) return -3;
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  if (ensure_loaded_locked() != 0) return -3;
  const MonthTimeline* rec = held_month_locked(year, month);
  if (!rec) return -3;
  std::memcpy(out, rec, sizeof *rec);
  return 0;
}

int timeline_root_copy(TimelineRoot* out) {
  if (!out) return kTimelineNotLoaded;
  std::lock_guard<std::mutex> hold(g_timeline.lock);
  if (ensure_loaded_locked() != 0) return kTimelineNotLoaded;
  std::memcpy(out, &g_timeline.root, sizeof *out);
  return 0;
}

}  // namespace wf::store
