// Start-up steps, the window size rule, the rate rules, the tickers and the external
// programs of the shell (everything that does not depend on the desk type).
#include "shell/shell.h"

#include <mutex>
#include <string>
#include <thread>

#include "draw/graphics.h"
#include "platform/clock.h"
#include "platform/names.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/tempdir.h"
#include "shell/globals.h"
#include "store/rng.h"
#include "store/settings.h"

namespace wf::shell {

bool too_many_instances(const char* image_name) {
  return platform::process_count(image_name) > kMaxInstances;
}

int prepare_process() {
  store::seed_general_rng(static_cast<int32_t>(platform::tick_ms() & 0x7FFFFFFF));
  store::write_global_settings();
  platform::prepare_temp_folder();
  // The locks are the process-wide objects of globals.h and the store; nothing to set up.
  return too_many_instances(names::kMainProgram) ? 1 : 0;
}

WindowPlan plan_window(int stored_width, int stored_height, int work_width, int work_height) {
  WindowPlan plan;
  if (stored_width != 0 && stored_height != 0) {
    if (stored_width > work_width || stored_height > work_height) {
      plan.width = work_width;
      plan.height = work_height;
      plan.save = true;
      plan.place_origin = true;
    } else {
      plan.width = stored_width;
      plan.height = stored_height;
      plan.x = (work_width - stored_width) / 2;
      plan.y = (work_height - stored_height) / 2;
    }
  } else {
    plan.width = work_width;
    plan.height = work_height;
    plan.save = true;
  }
  return plan;
}

int32_t choose_rate(const RateFacts& f, bool* reset_idle) {
  *reset_idle = false;
  if (f.mouse_idle && f.keyboard_idle && f.boost_seconds <= 0) {
    if (f.foreground)
      return f.idle_half_seconds > kIdleForegroundHalfSeconds ? f.idle_rate : f.active_rate;
    if (f.minimised) return f.minimised_rate;
    return f.idle_half_seconds > kIdleBackgroundHalfSeconds ? f.idle_rate : f.active_rate;
  }
  *reset_idle = true;
  return f.active_rate;
}

int32_t choose_frame_rate() {
  RateFacts f;
  f.mouse_idle = g_shell.mouse_idle != 0;
  f.keyboard_idle = g_shell.keyboard_idle != 0;
  f.boost_seconds = g_shell.boost_seconds;
  f.idle_half_seconds = g_shell.idle_half_seconds;
  draw::HWINDOW w = draw::windowhandle();
  f.foreground = draw::window_isforeground(w);
  f.minimised = draw::window_isminimised(w);
  f.active_rate = g_shell.active_rate;
  f.idle_rate = g_shell.idle_rate;
  f.minimised_rate = g_shell.minimised_rate;
  bool reset = false;
  const int32_t rate = choose_rate(f, &reset);
  if (reset) g_shell.idle_half_seconds = 0;
  g_shell.current_rate = rate;
  return rate;
}

void half_second_tick() {
  ++g_shell.idle_half_seconds;
  g_shell.blink_phase ^= 1;
}

void count_down_boost() {
  int32_t seen = g_shell.boost_seconds;
  while (seen > 0 && !g_shell.boost_seconds.compare_exchange_weak(seen, seen - 1)) {
  }
}

void start_half_second_ticker() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::thread([] {
      for (;;) {
        platform::wait_ms(500);
        half_second_tick();
      }
    }).detach();
  });
}

void start_idle_thread() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::thread([] {
      for (;;) platform::wait_ms(500);
    }).detach();
  });
}

int start_update_program() {
  platform::sleep_ms(kSpawnDelayMs);
  const std::string path = platform::native_path(names::kUpdateProgram);
  return platform::run_process(path.c_str());
}

namespace {
std::mutex g_capture_lock;
std::thread g_capture_thread;
}  // namespace

void run_capture_program() {
  platform::wait_ms(kSpawnDelayMs);
  const std::string path = platform::native_path(names::kCaptureProgram);
  platform::run_process(path.c_str());
  g_shell.run_state = RUN_RETURNED;
}

void start_capture_thread() {
  std::lock_guard<std::mutex> hold(g_capture_lock);
  if (g_capture_thread.joinable()) g_capture_thread.join();
  g_capture_thread = std::thread(run_capture_program);
}

void join_capture_thread() {
  std::lock_guard<std::mutex> hold(g_capture_lock);
  if (g_capture_thread.joinable()) g_capture_thread.join();
}

}  // namespace wf::shell
