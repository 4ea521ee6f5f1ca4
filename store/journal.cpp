// The change journal: filling change records from the store, merging them with pending
// entries of the same object, and keeping "log" equal to the in-memory list (entry i lies
// at offset 128 * i). One lock serialises every operation.
#include "store/journal.h"

#include <cstring>
#include <mutex>

#include "store/records_io.h"

namespace wf::store {
namespace {

constexpr char kLogName[] = "log";

struct Journal {
  std::mutex lock;
  std::vector<ChangeRecord> list;
  bool loaded = false;
  std::string root_of;  // the data root whose "log" the list mirrors
};

Journal g_journal;

int load_locked() {
  g_journal.list.clear();
  g_journal.loaded = true;
  g_journal.root_of = store_root();
  std::string path = journal_path();
  long long len = io::file_length(path);
  if (len < static_cast<long long>(kChangeRecordSize)) return 0;
  size_t count = static_cast<size_t>(len) / kChangeRecordSize;
  g_journal.list.resize(count);
  long long n = io::read_file(path, g_journal.list.data(), count * kChangeRecordSize);
  if (n < 0) n = 0;
  g_journal.list.resize(static_cast<size_t>(n) / kChangeRecordSize);
  return static_cast<int>(g_journal.list.size());
}

// The list must mirror the "log" of the current data root before it is changed.
void ensure_loaded_locked() {
  if (!g_journal.loaded || g_journal.root_of != store_root()) load_locked();
}

int write_entry_locked(size_t i) {
  std::string path = journal_path();
  int fd = io::open_update(path);
  if (fd < 0) fd = io::create_file(path);
  if (fd < 0) return -3;
  int rc = io::write_at(fd, &g_journal.list[i], kChangeRecordSize,
                        static_cast<long long>(i * kChangeRecordSize));
  io::close_fd(&fd);
  return rc == 0 ? 0 : -3;
}

void put_i32(uint8_t* at, int32_t v) { std::memcpy(at, &v, 4); }
void put_u32(uint8_t* at, uint32_t v) { std::memcpy(at, &v, 4); }

const char* dir_name_of(int dir) {
  if (dir < 0 || dir >= kDirSlots) return nullptr;
  return g_store.root.dir_names[dir];
}

// Fills the class-dependent fields; -2 when nothing is at the position.
int fill_dir(ChangeRecord* r, uint8_t op, Position pos, const char* name) {
  if (pos.dir < 0 || pos.dir >= kDirSlots) return -2;
  r->content_size = kDirRecordSize;
  r->stamp = g_store.root.dir_stamps[pos.dir];
  copy_text(r->dir_name, sizeof r->dir_name, dir_name_of(pos.dir));
  if (op == kOpRename) copy_text(reinterpret_cast<char*>(r->data), sizeof r->data, name);
  if (op == kOpItemCount) put_u32(r->data, g_store.dirs[pos.dir].rec.frame_count);
  return 0;
}

int fill_frame(ChangeRecord* r, uint8_t op, Position pos, const char* name) {
  if (pos.dir < 0 || pos.dir >= kDirSlots || pos.frame < 0 || pos.frame >= kFrameSlots) return -2;
  const DirSlot& d = g_store.dirs[pos.dir];
  const FrameRecord* f = d.frames[pos.frame].get();
  r->content_size = kFrameRecordSize;
  r->stamp = f ? f->own : d.rec.frame_stamps[pos.frame];
  copy_text(r->dir_name, sizeof r->dir_name, dir_name_of(pos.dir));
  if (f) copy_text(r->frame_name, sizeof r->frame_name, f->name);
  if (op == kOpRename) copy_text(reinterpret_cast<char*>(r->data), sizeof r->data, name);
  if (op == kOpMove && f) {
    put_i32(r->data, f->origin_x);
    put_i32(r->data + 4, f->origin_y);
  }
  if (op == kOpItemCount && f) put_u32(r->data, f->case_count);
  return 0;
}

int fill_case(ChangeRecord* r, uint8_t op, Position pos) {
  const CaseRecord* c = case_record(pos.dir, pos.frame, pos.kase);
  const FrameRecord* f = frame_record(pos.dir, pos.frame);
  if (!c) return -2;
  r->content_size = kCaseRecordSize;
  r->stamp = c->own;
  copy_text(r->dir_name, sizeof r->dir_name, dir_name_of(pos.dir));
  if (f) copy_text(r->frame_name, sizeof r->frame_name, f->name);
  copy_text(r->title, sizeof r->title, c->title);
  if (op == kOpMove) {
    put_i32(r->data, c->x);
    put_i32(r->data + 4, c->y);
  }
  return 0;
}

int fill_record(ChangeRecord* r, uint8_t op, uint8_t cls, Position pos, const char* name,
                const Stamp* stamp) {
  std::memset(r, 0, sizeof *r);
  r->op = op;
  r->cls = cls;
  int rc = -2;
  switch (cls) {
    case kClassDir: rc = fill_dir(r, op, pos, name); break;
    case kClassFrame: rc = fill_frame(r, op, pos, name); break;
    case kClassCase: rc = fill_case(r, op, pos); break;
    case kClassPicture:
      if (!stamp) return -2;
      rc = 0;
      {
        long long len = io::file_length(object_path(*stamp));
        r->content_size = len < 0 ? 0u : static_cast<uint32_t>(len);
      }
      break;
    default: return -1;
  }
  if (op == kOpTimelineCheck && stamp) {
    // A timeline check names its object by the given stamp, even when the position has
    // moved on since the check was made.
    if (rc != 0) {
      std::memset(r, 0, sizeof *r);
      r->op = op;
      r->cls = cls;
      r->content_size = cls == kClassCase ? kCaseRecordSize : 0;
      rc = 0;
    }
    r->stamp = *stamp;
  } else if (cls == kClassPicture && stamp) {
    r->stamp = *stamp;
  }
  return rc;
}

// Merges r into a pending entry of the same object when the operation allows it: returns
// 1 when merged (nothing to append), 0 when r must be appended, or a write error.
int merge_locked(const ChangeRecord& r) {
  if (r.op != kOpDelete && r.op != kOpModify && r.op != kOpMove && r.op != kOpTimelineCheck)
    return 0;
  for (size_t i = 0; i < g_journal.list.size(); ++i) {
    ChangeRecord& e = g_journal.list[i];
    if (e.cls != r.cls || !same_object(e.stamp, r.stamp)) continue;
    switch (r.op) {
      case kOpDelete:
        if (e.op != kOpNew) continue;
        e.op = kOpCancelled;
        return write_entry_locked(i) == 0 ? 1 : -3;
      case kOpModify:
        if (e.op != kOpModify) continue;
        return 1;
      case kOpMove:
        if (e.op != kOpMove) continue;
        std::memcpy(e.data, r.data, 8);
        return write_entry_locked(i) == 0 ? 1 : -3;
      case kOpTimelineCheck:
        return 1;
    }
  }
  return 0;
}

int append_locked(const ChangeRecord& r) {
  ensure_loaded_locked();
  int merged = merge_locked(r);
  if (merged != 0) return merged < 0 ? merged : 0;
  g_journal.list.push_back(r);
  return write_entry_locked(g_journal.list.size() - 1);
}

}  // namespace

std::string journal_path() { return store_root() + kLogName; }

int journal_append(uint8_t op, uint8_t cls, Position pos, const char* name, const Stamp* stamp) {
  ChangeRecord r;
  int rc = fill_record(&r, op, cls, pos, name, stamp);
  if (rc != 0) return rc;
  std::lock_guard<std::mutex> hold(g_journal.lock);
  return append_locked(r);
}

int journal_append_password(const char* password) {
  ChangeRecord r;
  std::memset(&r, 0, sizeof r);
  r.op = kOpPassword;
  r.content_size = static_cast<uint32_t>(copy_text(reinterpret_cast<char*>(r.data), sizeof r.data,
                                                    password));
  std::lock_guard<std::mutex> hold(g_journal.lock);
  return append_locked(r);
}

int journal_load() {
  std::lock_guard<std::mutex> hold(g_journal.lock);
  return load_locked();
}

int journal_cancel_matching(const ChangeRecord& rec) {
  std::lock_guard<std::mutex> hold(g_journal.lock);
  ensure_loaded_locked();
  int cancelled = 0;
  for (size_t i = 0; i < g_journal.list.size(); ++i) {
    ChangeRecord& e = g_journal.list[i];
    if (e.op == kOpCancelled && e.cls == 0) continue;  // already zero-filled
    if (e.cls != rec.cls || !same_object(e.stamp, rec.stamp)) continue;
    std::memset(&e, 0, sizeof e);
    write_entry_locked(i);
    ++cancelled;
  }
  return cancelled;
}

void journal_delete() {
  std::lock_guard<std::mutex> hold(g_journal.lock);
  io::remove_file(journal_path());
  g_journal.list.clear();
  g_journal.loaded = true;
  g_journal.root_of = store_root();
}

std::vector<ChangeRecord> journal_entries() {
  std::lock_guard<std::mutex> hold(g_journal.lock);
  ensure_loaded_locked();
  return g_journal.list;
}

size_t journal_size() {
  std::lock_guard<std::mutex> hold(g_journal.lock);
  ensure_loaded_locked();
  return g_journal.list.size();
}

void journal_clear_memory() {
  std::lock_guard<std::mutex> hold(g_journal.lock);
  g_journal.list.clear();
  g_journal.loaded = false;
  g_journal.root_of.clear();
}

}  // namespace wf::store
