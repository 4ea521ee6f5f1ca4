// The timeline repair pass on its background thread. Each Frame's case list is copied
// under the desk data lock and checked against the timeline without holding it; the lock
// is taken by polling so that a caller of free_store that holds it can stop the pass.
#include "store/repair.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <time.h>
#include <vector>

#include "shell/globals.h"
#include "store/datastore.h"
#include "store/journal.h"
#include "store/timeline.h"

namespace wf::store {
namespace {

std::mutex g_thread_lock;
std::thread g_thread;
std::atomic<bool> g_stop{false};

struct Listed {
  Position pos;
  Stamp stamp;
};

// Takes the desk data lock unless the pass is asked to stop first.
bool lock_desk(std::unique_lock<std::recursive_mutex>* hold) {
  *hold = std::unique_lock<std::recursive_mutex>(shell::g_shell.desk_data_lock, std::defer_lock);
  while (!hold->try_lock()) {
    if (g_stop.load()) return false;
    const timespec pause{0, 1000000};  // 1 ms between tries
    nanosleep(&pause, nullptr);
  }
  return true;
}

// The case stamps of every Frame of one Dir, copied under the desk data lock. False when
// the pass is asked to stop or the Dir is past the count.
bool list_dir(int dir, std::vector<Listed>* out) {
  std::unique_lock<std::recursive_mutex> hold;
  if (!lock_desk(&hold)) return false;
  out->clear();
  if (dir >= dir_count()) return false;
  if (g_store.root.dir_names[dir][0] == 0) return true;
  for (int frame = 0; frame < kFrameSlots && frame < frame_count(dir); ++frame) {
    const FrameRecord* f = frame_record(dir, frame);
    if (!f) continue;
    for (uint32_t k = 0; k < f->case_count && k < static_cast<uint32_t>(kCaseSlots); ++k)
      out->push_back(Listed{Position{dir, frame, static_cast<int>(k)}, f->case_stamps[k]});
  }
  return true;
}

// Journals the check; the position is used only while it still holds the same case.
void journal_check(const Listed& item) {
  std::unique_lock<std::recursive_mutex> hold;
  if (!lock_desk(&hold)) return;
  const CaseRecord* c = case_record(item.pos.dir, item.pos.frame, item.pos.kase);
  Position pos = (c && same_object(c->own, item.stamp)) ? item.pos : Position{};
  journal_append(kOpTimelineCheck, kClassCase, pos, nullptr, &item.stamp);
}

}  // namespace

int run_repair_pass() {
  int entered = 0;
  std::vector<Listed> listed;
  for (int dir = 0; dir < kDirSlots; ++dir) {
    if (!list_dir(dir, &listed)) break;
    for (const Listed& item : listed) {
      if (g_stop.load()) return entered;
      if (timeline_find(item.stamp) >= 0) continue;
      Stamp copy = item.stamp;
      timeline_add(&copy, true);
      journal_check(item);
      ++entered;
    }
  }
  return entered;
}

void start_repair_pass() {
  std::lock_guard<std::mutex> hold(g_thread_lock);
  if (g_thread.joinable()) g_thread.join();
  g_stop.store(false);
  g_thread = std::thread([] { run_repair_pass(); });
}

void wait_repair_pass() {
  std::lock_guard<std::mutex> hold(g_thread_lock);
  if (g_thread.joinable()) g_thread.join();
}

void stop_repair_pass() {
  std::lock_guard<std::mutex> hold(g_thread_lock);
  if (!g_thread.joinable()) return;
  g_stop.store(true);
  g_thread.join();
  g_stop.store(false);
}

}  // namespace wf::store
