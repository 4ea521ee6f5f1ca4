// The in-memory store and its operations: loading the account's tree (with the repair of
// missing Frame and case files), creating the first tree, and creating, renaming, saving
// and deleting Dirs, Frames and cases with their files and journal entries.
//
// Files of a new object are written before the list that names it, so that a list on disk
// never names a file that was not written.
#include "store/datastore.h"

#include <cstring>
#include <vector>

#include "platform/paths.h"
#include "store/journal.h"
#include "store/records_io.h"
#include "store/repair.h"
#include "store/rng.h"
#include "store/timeline.h"

namespace wf::store {
namespace {

constexpr char kRootFile[] = "0\\frame\\root.frame";
constexpr char kFirstDirName[] = "工作台";
constexpr char kFirstFrameName[] = "我的白板";
constexpr const char* kCaseFolders[] = {"1\\object", "1\\pass", "1\\who",   "1\\where", "1\\when",
                                        "1\\what",   "1\\why",  "1\\result", "1\\jpg"};

LoadReportHook g_report_hook = nullptr;

uint16_t general_serial() { return static_cast<uint16_t>(next_general_rng() & 0xFFFF); }

bool dir_in_use(int dir) {
  return dir >= 0 && dir < kDirSlots && static_cast<uint32_t>(dir) < g_store.root.dir_count &&
         g_store.root.dir_names[dir][0] != 0;
}

bool frame_in_range(int frame) { return frame >= 0 && frame < kFrameSlots; }

// Closes every file and drops every record; the store is empty afterwards.
void clear_records() {
  io::close_fd(&g_store.root_fd);
  std::memset(&g_store.root, 0, sizeof g_store.root);
  for (DirSlot& d : g_store.dirs) {
    io::close_fd(&d.fd);
    std::memset(&d.rec, 0, sizeof d.rec);
    for (auto& f : d.frames) f.reset();
    for (auto& c : d.cases) c.reset();
  }
  g_store.loaded = false;
}

int load_code(int check) { return check == kBadShort ? kLoadShort : kLoadBadCount; }

// Reads a whole record from an open file and checks it: 0, kLoadShort or kLoadBadCount.
template <typename Check>
int read_checked(int fd, void* rec, size_t size, Check check) {
  long long n = io::read_at(fd, rec, size, 0);
  if (n < 0) n = 0;
  int rc = check(rec, static_cast<size_t>(n));
  return rc == 0 ? 0 : load_code(rc);
}

// Reads a whole record from a file by path: 0, missing (the given code), kLoadShort or
// kLoadBadCount.
template <typename Check>
int read_file_checked(const std::string& path, void* rec, size_t size, Check check, int missing) {
  long long n = io::read_file(path, rec, size);
  if (n < 0) return missing;
  int rc = check(rec, static_cast<size_t>(n));
  return rc == 0 ? 0 : load_code(rc);
}

template <typename T, size_t N>
void close_up(std::array<T, N>& items, uint32_t count, uint32_t at) {
  for (uint32_t i = at; i + 1 < count; ++i) items[i] = std::move(items[i + 1]);
  if (count > 0) items[count - 1] = T{};
}

void close_up_stamps(Stamp* stamps, uint32_t count, uint32_t at) {
  for (uint32_t i = at; i + 1 < count; ++i) stamps[i] = stamps[i + 1];
  if (count > 0) std::memset(&stamps[count - 1], 0, sizeof(Stamp));
}

int write_root() {
  return io::write_at(g_store.root_fd, &g_store.root, sizeof g_store.root, 0);
}

int write_dir(int dir) {
  DirSlot& d = g_store.dirs[dir];
  return io::write_at(d.fd, &d.rec, sizeof d.rec, 0);
}

CaseSlots& case_slots(int dir, int frame) {
  auto& slots = g_store.dirs[dir].cases[frame];
  if (!slots) slots = std::make_unique<CaseSlots>();
  return *slots;
}

void drop_empty_case_slots(int dir, int frame) {
  auto& slots = g_store.dirs[dir].cases[frame];
  if (!slots) return;
  for (const auto& r : slots->records)
    if (r) return;
  slots.reset();
}

// Repair before the plain load: Frames whose files are missing leave their Dir, cases
// whose files are missing leave their Frame; every removal is journaled.
int repair_lists() {
  for (int i = 0; i < kDirSlots && static_cast<uint32_t>(i) < g_store.root.dir_count; ++i) {
    if (!dir_in_use(i)) continue;
    DirSlot& d = g_store.dirs[i];
    d.fd = io::open_update(dir_file_path(g_store.root.dir_stamps[i]));
    if (d.fd < 0) return kLoadNoDir;
    if (int rc = read_checked(d.fd, &d.rec, sizeof d.rec, check_dir_record); rc != 0) return rc;
    for (uint32_t j = 0; j < d.rec.frame_count;) {
      const Stamp stamp = d.rec.frame_stamps[j];
      const std::string path = object_path(stamp);
      auto fr = std::make_unique<FrameRecord>();
      int rc = read_file_checked(path, fr.get(), sizeof *fr, check_frame_record, kLoadNoFrame);
      if (rc == kLoadNoFrame) {
        timeline_mark_removed(stamp);
        journal_append(kOpModify, kClassDir, Position{i, -1, -1});
        close_up_stamps(d.rec.frame_stamps, d.rec.frame_count, j);
        d.rec.frame_count -= 1;
        write_dir(i);
        continue;
      }
      if (rc != 0) return rc;
      d.frames[j] = std::move(fr);
      FrameRecord& f = *d.frames[j];
      for (uint32_t k = 0; k < f.case_count;) {
        if (io::file_exists(object_path(f.case_stamps[k]))) {
          ++k;
          continue;
        }
        journal_append(kOpModify, kClassFrame, Position{i, static_cast<int>(j), -1});
        close_up_stamps(f.case_stamps, f.case_count, k);
        f.case_count -= 1;
        io::patch_file(path, &f, sizeof f, 0);
      }
      ++j;
    }
    io::close_fd(&d.fd);
  }
  return 0;
}

int plain_load() {
  for (int i = 0; i < kDirSlots && static_cast<uint32_t>(i) < g_store.root.dir_count; ++i) {
    if (!dir_in_use(i)) continue;
    DirSlot& d = g_store.dirs[i];
    d.fd = io::open_update(dir_file_path(g_store.root.dir_stamps[i]));
    if (d.fd < 0) return kLoadNoDir;
    if (int rc = read_checked(d.fd, &d.rec, sizeof d.rec, check_dir_record); rc != 0) return rc;
    for (uint32_t j = 0; j < d.rec.frame_count; ++j) {
      auto fr = std::unique_ptr<FrameRecord>(new FrameRecord);  // filled by the read
      int rc = read_file_checked(object_path(d.rec.frame_stamps[j]), fr.get(), sizeof *fr,
                                 check_frame_record, kLoadNoFrame);
      if (rc != 0) return rc;
      const uint32_t cases = fr->case_count;
      for (uint32_t k = 0; k < cases; ++k) {
        auto rec = std::unique_ptr<CaseRecord>(new CaseRecord);  // filled by the read
        rc = read_file_checked(object_path(fr->case_stamps[k]), rec.get(), sizeof *rec,
                               check_case_record, kLoadNoCase);
        if (rc != 0) return rc;
        case_slots(i, static_cast<int>(j)).records[k] = std::move(rec);
      }
      d.frames[j] = std::move(fr);
    }
  }
  return 0;
}

// The first tree of an account: folders, an empty root record, the first Dir and Frame.
int create_tree() {
  const std::string root = store_root();
  for (size_t i = 1; i < root.size(); ++i)
    if (root[i] == '\\') platform::make_folder(std::string_view(root).substr(0, i));
  platform::make_folder(root + "0");
  platform::make_folder(root + "0\\frame");
  g_store.root_fd = io::create_file(root_file_path());
  if (g_store.root_fd < 0 || write_root() != 0) {
    clear_records();
    return kLoadWriteFailed;
  }
  platform::make_folder(root + "1");
  for (const char* folder : kCaseFolders) platform::make_folder(root + folder);
  g_store.loaded = true;
  int dir = new_dir(kFirstDirName);
  if (dir < 0 || new_frame(dir, kFirstFrameName).frame < 0) {
    clear_records();
    return kLoadWriteFailed;
  }
  return kLoadCreated;
}

}  // namespace

std::string root_file_path() { return store_root() + kRootFile; }

std::string dir_file_path(const Stamp& dir_stamp) { return object_path(kKindDir, dir_stamp); }

void set_load_report_hook(LoadReportHook hook) { g_report_hook = hook; }

int load_store(bool repair) {
  stop_repair_pass();
  clear_records();
  const std::string root = store_root();
  const bool missing = !io::folder_exists(root + "0\\frame") || !io::file_exists(root_file_path());
  if (g_store.local_account && g_report_hook) g_report_hook(missing ? 1 : 0);
  if (!timeline_loaded()) load_timeline();
  if (missing) return create_tree();

  g_store.root_fd = io::open_update(root_file_path());
  if (g_store.root_fd < 0) return kLoadNoRoot;
  int rc = read_checked(g_store.root_fd, &g_store.root, sizeof g_store.root, check_root_record);
  if (rc == 0 && g_store.root.dir_count > 0) {
    if (repair) {
      rc = repair_lists();
      if (rc == 0) {
        // Start the plain load from the repaired files.
        for (DirSlot& d : g_store.dirs) {
          io::close_fd(&d.fd);
          for (auto& f : d.frames) f.reset();
        }
      }
    }
    if (rc == 0) rc = plain_load();
  }
  if (rc != 0) {
    clear_records();
    return rc;
  }
  g_store.loaded = true;
  return 0;
}

void free_store() {
  stop_repair_pass();
  clear_records();
}

DirRecord* dir_record(int dir) {
  if (dir < 0 || dir >= kDirSlots || static_cast<uint32_t>(dir) >= g_store.root.dir_count)
    return nullptr;
  return &g_store.dirs[dir].rec;
}

FrameRecord* frame_record(int dir, int frame) {
  if (dir < 0 || dir >= kDirSlots || !frame_in_range(frame)) return nullptr;
  return g_store.dirs[dir].frames[frame].get();
}

CaseRecord* case_record(int dir, int frame, int kase) {
  if (dir < 0 || dir >= kDirSlots || !frame_in_range(frame) || kase < 0 || kase >= kCaseSlots)
    return nullptr;
  const auto& slots = g_store.dirs[dir].cases[frame];
  return slots ? slots->records[kase].get() : nullptr;
}

int dir_count() { return static_cast<int>(g_store.root.dir_count); }

int frame_count(int dir) {
  const DirRecord* d = dir_record(dir);
  return d ? static_cast<int>(d->frame_count) : 0;
}

int case_count(int dir, int frame) {
  const FrameRecord* f = frame_record(dir, frame);
  return f ? static_cast<int>(f->case_count) : 0;
}

int new_dir(const char* name) {
  if (g_store.root.dir_count >= static_cast<uint32_t>(kMaxDirs)) return -1;
  if (!name || !name[0] || std::strlen(name) > static_cast<size_t>(kMaxDirName)) return -2;
  if (find_dir(name) >= 0) return -3;
  if (g_store.root_fd < 0) return -4;

  const int i = static_cast<int>(g_store.root.dir_count);
  Stamp stamp = new_stamp(kKindDir);
  stamp.serial = general_serial();
  DirSlot& d = g_store.dirs[i];
  std::memset(&d.rec, 0, sizeof d.rec);
  io::close_fd(&d.fd);
  d.fd = io::create_file(dir_file_path(stamp));
  if (d.fd < 0 || write_dir(i) != 0) {
    io::close_fd(&d.fd);
    return -4;
  }
  copy_text(g_store.root.dir_names[i], kNameField, name);
  g_store.root.dir_stamps[i] = stamp;
  g_store.root.dir_count += 1;
  journal_append(kOpNew, kClassDir, Position{i, -1, -1});
  if (write_root() != 0) return -4;
  return i;
}

int find_dir(const char* name) {
  if (!name) return -1;
  for (int i = 0; i < kDirSlots && static_cast<uint32_t>(i) < g_store.root.dir_count; ++i)
    if (g_store.root.dir_names[i][0] != 0 &&
        std::strncmp(g_store.root.dir_names[i], name, kNameField) == 0)
      return i;
  return -1;
}

int find_frame(int dir, const char* name) {
  const DirRecord* d = dir_record(dir);
  if (!d || !name) return -1;
  for (uint32_t j = 0; j < d->frame_count && j < static_cast<uint32_t>(kFrameSlots); ++j) {
    const FrameRecord* f = g_store.dirs[dir].frames[j].get();
    if (!f) return -2;
    if (std::strncmp(f->name, name, kNameField) == 0) return static_cast<int>(j);
  }
  return -1;
}

Position new_frame(int dir, const char* name, const Stamp* given) {
  Position pos{dir, -1, -1};
  if (!dir_in_use(dir) || g_store.dirs[dir].fd < 0) return pos;
  DirSlot& d = g_store.dirs[dir];
  if (d.rec.frame_count >= static_cast<uint32_t>(kMaxFramesPerDir)) {
    pos.frame = -3;
    return pos;
  }
  char field[kNameField];
  copy_text(field, sizeof field, name);
  if (find_frame(dir, field) >= 0) {
    pos.frame = -5;
    return pos;
  }

  Stamp stamp = given ? *given : new_stamp(kKindFrame);
  if (timeline_add(&stamp, false) != 0) stamp.serial = general_serial();
  object_folders(stamp);
  auto fr = std::make_unique<FrameRecord>();
  init_frame_record(fr.get(), stamp, field);
  if (io::write_new_file(object_path(stamp), fr.get(), sizeof *fr) != 0) {
    pos.frame = -4;
    return pos;
  }
  const uint32_t j = d.rec.frame_count;
  d.rec.frame_stamps[j] = stamp;
  d.rec.frame_count = j + 1;
  io::write_at(d.fd, &d.rec.frame_count, 4, kDirFrameCount);
  io::write_at(d.fd, &d.rec.frame_stamps[j], kStampSize, kDirFrameStamps + kStampSize * j);
  d.frames[j] = std::move(fr);
  pos.frame = static_cast<int>(j);
  journal_append(kOpNew, kClassFrame, pos);
  journal_append(kOpItemCount, kClassDir, Position{dir, -1, -1});
  return pos;
}

int rename_frame(int dir, int frame, const char* name) {
  FrameRecord* f = frame_record(dir, frame);
  if (!f) return -1;
  const std::string path = object_path(f->own);
  if (!io::file_exists(path)) return -4;
  journal_append(kOpRename, kClassFrame, Position{dir, frame, -1}, name);
  copy_text(f->name, sizeof f->name, name);
  if (io::patch_file(path, f->name, sizeof f->name, kFrameName) != 0) return -4;
  return save_frame(dir, frame);
}

int save_frame(int dir, int frame) {
  if (frame_count(dir) == 0) return -2;
  FrameRecord* f = frame_record(dir, frame);
  if (!f) return -2;
  Stamp saved = new_stamp(f->own.kind);
  saved.serial = f->own.serial;
  f->saved = saved;
  return io::patch_file(object_path(f->own), f, sizeof *f, 0) == 0 ? 0 : -4;
}

int delete_frame(int dir, int frame) {
  if (!dir_in_use(dir) || g_store.dirs[dir].rec.frame_count == 0) return -1;
  DirSlot& d = g_store.dirs[dir];
  if (dir == 0 && d.rec.frame_count == 1) return -2;
  if (frame < 0 || static_cast<uint32_t>(frame) >= d.rec.frame_count) return -1;

  timeline_mark_removed(d.rec.frame_stamps[frame]);
  journal_append(kOpDelete, kClassFrame, Position{dir, frame, -1});
  journal_append(kOpModify, kClassDir, Position{dir, -1, -1});
  const uint32_t count = d.rec.frame_count;
  close_up_stamps(d.rec.frame_stamps, count, static_cast<uint32_t>(frame));
  close_up(d.frames, count, static_cast<uint32_t>(frame));
  close_up(d.cases, count, static_cast<uint32_t>(frame));
  d.rec.frame_count = count - 1;
  return write_dir(dir) == 0 ? 0 : -4;
}

int load_cases(int dir, int frame) {
  FrameRecord* f = frame_record(dir, frame);
  if (!f) return -1;
  int rc = 0;
  const uint32_t count = f->case_count;
  for (uint32_t k = 0; k < count; ++k) {
    auto rec = std::unique_ptr<CaseRecord>(new CaseRecord);
    if (read_file_checked(object_path(f->case_stamps[k]), rec.get(), sizeof *rec,
                          check_case_record, kLoadNoCase) != 0) {
      // The record held in memory (if any) is the only copy left: keep it.
      rc = -4;
      continue;
    }
    case_slots(dir, frame).records[k] = std::move(rec);
  }
  if (auto& slots = g_store.dirs[dir].cases[frame]) {
    for (uint32_t k = count; k < static_cast<uint32_t>(kCaseSlots); ++k) slots->records[k].reset();
  }
  drop_empty_case_slots(dir, frame);
  return rc;
}

Position new_case(int dir, int frame, const char* title, const Stamp& given) {
  Position pos{dir, frame, -2};
  FrameRecord* f = frame_record(dir, frame);
  if (!f) return pos;
  if (f->case_count >= static_cast<uint32_t>(kMaxNewCases)) {
    pos.kase = -1;
    return pos;
  }
  const std::string frame_path = object_path(f->own);
  if (!io::file_exists(frame_path)) {
    pos.kase = -4;
    return pos;
  }
  Stamp stamp = given;
  if (timeline_add(&stamp, false) != 0 && stamp.kind != kKindPicture)
    stamp.serial = general_serial();
  object_folders(stamp);
  auto rec = std::make_unique<CaseRecord>();
  init_case_record(rec.get(), stamp, title);
  if (io::write_new_file(object_path(stamp), rec.get(), sizeof *rec) != 0) {
    pos.kase = -4;
    return pos;
  }
  const uint32_t k = f->case_count;
  f->case_stamps[k] = stamp;
  f->case_count = k + 1;
  io::patch_file(frame_path, &f->case_count, 4, kFrameCaseCount);
  io::patch_file(frame_path, &f->case_stamps[k], kStampSize, kFrameCaseStamps + kStampSize * k);
  case_slots(dir, frame).records[k] = std::move(rec);
  pos.kase = static_cast<int>(k);
  journal_append(kOpNew, kClassCase, pos);
  journal_append(kOpItemCount, kClassFrame, Position{dir, frame, -1});
  return pos;
}

int save_case(int dir, int frame, int kase) {
  CaseRecord* c = case_record(dir, frame, kase);
  if (!c) return -1;
  size_t len = field_length(c->text, sizeof c->text);
  if (len == sizeof c->text) {
    // No terminator: cut at the last whole character that leaves room for one.
    size_t i = 0;
    while (i < sizeof c->text - 1) {
      const auto b = static_cast<unsigned char>(c->text[i]);
      size_t step = (b >= 0x81 && b <= 0xFE) ? 2 : 1;
      if (i + step > sizeof c->text - 1) break;
      i += step;
    }
    len = i;
  }
  std::memset(c->text + len, 0, sizeof c->text - len);
  Stamp saved = new_stamp(c->own.kind);
  saved.serial = c->own.serial;
  c->saved = saved;
  return io::patch_file(object_path(c->own), c, sizeof *c, 0) == 0 ? 0 : -4;
}

int take_case(int dir, int frame, int kase, std::unique_ptr<CaseRecord>* out) {
  FrameRecord* f = frame_record(dir, frame);
  if (!f || kase < 0 || static_cast<uint32_t>(kase) >= f->case_count) return -1;
  const uint32_t count = f->case_count;
  auto& slots = g_store.dirs[dir].cases[frame];
  std::unique_ptr<CaseRecord> taken;
  if (slots) {
    taken = std::move(slots->records[kase]);
    close_up(slots->records, count, static_cast<uint32_t>(kase));
  }
  close_up_stamps(f->case_stamps, count, static_cast<uint32_t>(kase));
  f->case_count = count - 1;
  drop_empty_case_slots(dir, frame);
  if (out) *out = std::move(taken);
  return 0;
}

Position put_case(int dir, int frame, std::unique_ptr<CaseRecord> rec) {
  Position pos{dir, frame, -2};
  FrameRecord* f = frame_record(dir, frame);
  if (!f || !rec) return pos;
  if (f->case_count >= static_cast<uint32_t>(kCaseSlots)) {
    pos.kase = -3;
    return pos;
  }
  const uint32_t k = f->case_count;
  f->case_stamps[k] = rec->own;
  f->case_count = k + 1;
  case_slots(dir, frame).records[k] = std::move(rec);
  pos.kase = static_cast<int>(k);
  return pos;
}

int delete_case(int dir, int frame, int kase) {
  FrameRecord* f = frame_record(dir, frame);
  if (!f || kase < 0 || static_cast<uint32_t>(kase) >= f->case_count) return -1;
  const Stamp stamp = f->case_stamps[kase];
  journal_append(kOpDelete, kClassCase, Position{dir, frame, kase});
  take_case(dir, frame, kase, nullptr);
  journal_append(kOpModify, kClassFrame, Position{dir, frame, -1});
  save_frame(dir, frame);
  timeline_mark_removed(stamp);
  return 0;
}

int reorder_cases(int dir, int frame, const int* order, int n) {
  FrameRecord* f = frame_record(dir, frame);
  if (!f || !order || n < 0 || static_cast<uint32_t>(n) != f->case_count) return -1;
  std::vector<char> seen(static_cast<size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    if (order[i] < 0 || order[i] >= n || seen[static_cast<size_t>(order[i])]) return -1;
    seen[static_cast<size_t>(order[i])] = 1;
  }
  std::vector<Stamp> stamps(f->case_stamps, f->case_stamps + n);
  for (int i = 0; i < n; ++i) f->case_stamps[i] = stamps[static_cast<size_t>(order[i])];
  if (auto& slots = g_store.dirs[dir].cases[frame]) {
    std::vector<std::unique_ptr<CaseRecord>> recs(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) recs[static_cast<size_t>(i)] = std::move(slots->records[i]);
    for (int i = 0; i < n; ++i)
      slots->records[i] = std::move(recs[static_cast<size_t>(order[i])]);
  }
  return 0;
}

}  // namespace wf::store
