// The frame loop, the keyboard step, the frame-switch thread and the auto-save pass, as
// templates over the desk type.
//
// What a desk type must offer (wf::desk::Desk does):
//   int update();                 nonzero: the loop stops
//   void mouse();                 drains the mouse queue
//   void key(int code);           one code from nextkey()
//   int draw();                   -1: the loop stops
//   void resize(int w, int h);
//   char status_text[N];          the loop may overwrite it
//   draw::PIMAGE canvas;          cleared before each draw step
//   void drop_widgets();
//   int load_widgets(int dir, int frame);
//   int load_cases(int dir, int frame);     records only; 0 with cases, 1 none, -1 no Frame
//   int store_layout();
//   void set_progress_step(float step);
//   std::atomic<int32_t> busy;    a frame switch is running
//   board(): order_count, order[], widgets[] with modified(), clear_modified(),
//            store_position(ox, oy), position()
#pragma once
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "desk/desk_state.h"
#include "draw/graphics.h"
#include "platform/clock.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "store/datastore.h"
#include "store/journal.h"

namespace wf::shell {

// Frame loop results.
inline constexpr int kLoopEnded = 0;     // window closed or the desk asked to stop
inline constexpr int kLoopCapture = 2;   // hidden for the capture program
inline constexpr int kLoopReopen = 3;    // resize, or update (window still shown)

inline constexpr char kRebuiltText[] = "update: 数据构造完成";

// ---- Frame switch ----

// The one frame-switch thread; a new switch joins the finished previous one first.
struct FrameSwitcher {
  std::mutex lock;
  std::thread worker;
  std::atomic<bool> running{false};
  void join() {
    std::lock_guard<std::mutex> hold(lock);
    if (worker.joinable()) worker.join();
  }
};
inline FrameSwitcher g_frame_switch;

// The thread's body: store the shown layout, load the new whiteboard's records without
// widgets, set the per-case progress step, then make the new Frame current.
template <class DeskT>
void switch_frame(DeskT& desk, int frame) {
  desk.busy = 1;
  set_progress(5.0f);
  desk.store_layout();
  set_progress(25.0f);
  const int dir = store::g_store.cur_dir;
  desk.load_cases(dir, frame);
  const int n = store::case_count(dir, frame);
  if (n <= 0) {
    set_progress(100.0f);
  } else {
    desk.set_progress_step(49.0f / static_cast<float>(n));
    set_progress(50.0f);
  }
  store::g_store.cur_frame = frame;
  desk.busy = 0;
}

template <class DeskT>
void start_frame_switch(DeskT& desk, int frame) {
  std::lock_guard<std::mutex> hold(g_frame_switch.lock);
  if (g_frame_switch.worker.joinable()) g_frame_switch.worker.join();
  g_frame_switch.running = true;
  g_frame_switch.worker = std::thread([&desk, frame] {
    switch_frame(desk, frame);
    g_frame_switch.running = false;
  });
}

// The Frame index Ctrl+digit selects, or -1 when no digit is held (1 ... 9 give 0 ... 8,
// 0 gives 9; the first held one in that order wins).
inline int held_digit_frame() {
  for (int i = 0; i < kDigitFrames; ++i) {
    int key = i < 9 ? '1' + i : kKey0;
    if (draw::keydown(key) == 1) return i;
  }
  return -1;
}

// Passes one queued key to the desk and clears the keyboard idle flag; with none queued,
// sets the flag when set_idle_when_empty.
template <class DeskT>
void pass_key(DeskT& desk, bool set_idle_when_empty) {
  if (draw::keypending()) {
    g_shell.keyboard_idle = 0;
    desk.key(draw::nextkey());
  } else if (set_idle_when_empty) {
    g_shell.keyboard_idle = 1;
  }
}

// The process end of Shift+F6: at once, with nothing saved.
[[noreturn]] inline void emergency_exit() { std::_Exit(0); }

// The keyboard step: F6 freeze and Shift+F6 exit, keys to the desk, Ctrl+Shift+X capture,
// Ctrl+digit frame switch.
template <class DeskT>
void keyboard_step(DeskT& desk) {
  while (desk::DESK_GESTURE == desk::GESTURE_NONE && draw::keydown(kKeyF6) == 1) {
    if (draw::keydown(kKeyShift) == 1) emergency_exit();
    draw::sleepms(kFreezePollMs);
  }
  if (draw::keydown(kKeyCtrl) != 1) {
    pass_key(desk, true);
    return;
  }
  if (draw::keydown(kKeyShift) == 1 && draw::keydown(kKeyX) == 1) {
    g_shell.run_state = RUN_CAPTURE;
    return;
  }
  const int frame = held_digit_frame();
  if (frame < 0) {
    pass_key(desk, false);
    return;
  }
  const int dir = store::g_store.cur_dir;
  if (desk.busy != 0 || g_frame_switch.running || frame == store::g_store.cur_frame ||
      frame >= store::frame_count(dir))
    return;
  set_progress(0.0f);
  start_frame_switch(desk, frame);
  g_shell.keyboard_idle = 0;
}

// ---- Rebuild after a sync update ----

// Reloads the whole store from disk and the shown whiteboard's widgets. The store's own
// load is a hook so that tests can count it.
using StoreReload = int (*)();
inline int reload_store_from_disk() {
  store::free_store();
  return store::load_store(false);
}
inline StoreReload g_store_reload = reload_store_from_disk;

template <class DeskT>
void rebuild(DeskT& desk) {
  std::lock_guard<std::recursive_mutex> sync(g_shell.sync_lock);
  {
    std::lock_guard<std::recursive_mutex> data(g_shell.desk_data_lock);
    desk.drop_widgets();
  }
  g_store_reload();
  desk.load_widgets(store::g_store.cur_dir, store::g_store.cur_frame);
  std::snprintf(desk.status_text, sizeof desk.status_text, "%s", kRebuiltText);
  g_shell.rebuild_request = 0;
}

// ---- The frame loop ----

template <class DeskT>
int frame_loop(DeskT& desk) {
  g_shell.run_state = RUN_ACTIVE;
  draw::HWINDOW window = draw::windowhandle();
  draw::window_tofront(window);
  while (draw::windowopen()) {
    const int32_t state = g_shell.run_state;
    if (state == RUN_CAPTURE) {
      draw::hidegraph();
      start_capture_thread();
      return kLoopCapture;
    }
    if (state == RUN_RESIZE) {
      draw::hidegraph();
      return kLoopReopen;
    }
    if (state == RUN_UPDATE) return kLoopReopen;
    if (g_shell.rebuild_request == 1) rebuild(desk);

    choose_frame_rate();
    if (desk.update() != 0) break;
    g_shell.mouse_idle = draw::mousepending() ? 0 : 1;
    if (progress() >= 100.0f) {
      desk.mouse();
      if (progress() >= 100.0f) keyboard_step(desk);
    }
    draw::clearimage(desk.canvas);
    if (desk.draw() == -1) break;
    // Input seen in this frame brings the active rate back for this very frame's pace.
    if ((g_shell.mouse_idle == 0 || g_shell.keyboard_idle == 0) &&
        g_shell.current_rate != g_shell.active_rate) {
      g_shell.current_rate = g_shell.active_rate.load();
      g_shell.idle_half_seconds = 0;
    }
    draw::framepace(g_shell.current_rate);
  }
  g_shell.run_state = RUN_STOPPED;
  return kLoopEnded;
}

// ---- Auto-save ----

// Saves every case of the shown whiteboard whose widget is marked modified, in drawing
// order (back to front): position into the record, the record to its file, one modify
// record into the journal. Runs under the desk data lock. Returns the cases saved.
template <class Board>
int autosave_pass(Board& board, int dir, int frame) {
  std::lock_guard<std::recursive_mutex> hold(g_shell.desk_data_lock);
  if (!store::frame_record(dir, frame)) return 0;
  int saved = 0;
  for (int i = board.order_count - 1; i >= 0; --i) {
    const int slot = board.order[i];
    if (slot < 0) continue;
    auto* w = board.widgets[slot];
    if (!w || !w->modified()) continue;
    w->store_position(board.origin_x, board.origin_y);
    const store::Position pos = w->position();
    w->clear_modified();
    if (store::save_case(pos.dir, pos.frame, pos.kase) != 0) continue;  // nothing written
    store::journal_append(store::kOpModify, store::kClassCase, pos);
    ++saved;
  }
  return saved;
}

// One step of the one-second ticker (after its sleep): count down the boost, and when the
// auto-save period has passed and the shown whiteboard is loaded, run the auto-save pass.
// Returns the cases saved, or -1 when the pass was due but had to wait.
template <class DeskT>
int one_second_tick(DeskT& desk) {
  const int32_t count = ++g_shell.save_counter;
  count_down_boost();
  if (count < g_shell.autosave_period) return 0;
  const int dir = store::g_store.cur_dir, frame = store::g_store.cur_frame;
  if (progress() < 100.0f || !store::frame_record(dir, frame)) return -1;
  const int saved = autosave_pass(desk.board(), dir, frame);
  g_shell.save_counter = 0;
  return saved;
}

// The one-second ticker thread: one_second_tick after every second until stopped. It is
// stopped (and joined) before the desk goes away, so it never touches a destroyed desk.
struct SecondTicker {
  std::thread worker;
  std::atomic<bool> stop{false};
};
inline SecondTicker g_second_ticker;
inline constexpr int kTickerSliceMs = 100;  // the stop flag is looked at this often

template <class DeskT>
void start_second_ticker(DeskT& desk) {
  if (g_second_ticker.worker.joinable()) return;
  g_second_ticker.stop = false;
  g_second_ticker.worker = std::thread([&desk] {
    for (;;) {
      for (int waited = 0; waited < 1000; waited += kTickerSliceMs) {
        if (g_second_ticker.stop) return;
        platform::wait_ms(kTickerSliceMs);
      }
      if (g_second_ticker.stop) return;
      one_second_tick(desk);
    }
  });
}

inline void stop_second_ticker() {
  g_second_ticker.stop = true;
  if (g_second_ticker.worker.joinable()) g_second_ticker.worker.join();
}

}  // namespace wf::shell
