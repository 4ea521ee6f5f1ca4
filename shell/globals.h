// The shell's process-wide values: the RunState, the frame rates, the idle counters, the load
// progress and the locks that the shell, the desk, the cases and the sync client share.
//
// They are read and written from several threads (main, tickers, capture thread, sync);
// single words are atomics so that no access tears, and the values that must change together
// with other data sit under their lock.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

namespace wf::shell {

// RunState values.
inline constexpr int32_t RUN_ACTIVE = 1;
inline constexpr int32_t RUN_CAPTURE = 2;
inline constexpr int32_t RUN_RESIZE = 3;
inline constexpr int32_t RUN_UPDATE = -99;
inline constexpr int32_t RUN_STOPPED = -1;
inline constexpr int32_t RUN_RETURNED = 0;

// This build's version and version code (major * 1000000 + minor * 10000 + patch).
inline constexpr int32_t kVersionMajor = 1;
inline constexpr int32_t kVersionMinor = 1;
inline constexpr int32_t kVersionPatch = 0;
inline constexpr int32_t kVersionCode = 1010000;

inline constexpr int32_t kActiveRate = 60;
inline constexpr int32_t kHighActiveRate = 180;
inline constexpr int32_t kIdleRate = 9;
inline constexpr int32_t kMinimisedRate = 3;

struct ShellState {
  std::atomic<int32_t> run_state{RUN_ACTIVE};
  std::atomic<int32_t> requested_width{0};
  std::atomic<int32_t> requested_height{0};
  std::atomic<int32_t> window_x{0};
  std::atomic<int32_t> window_y{0};
  std::atomic<int32_t> placement_mode{-1};
  std::atomic<int32_t> active_rate{kActiveRate};
  std::atomic<int32_t> idle_rate{kIdleRate};
  std::atomic<int32_t> minimised_rate{kMinimisedRate};
  std::atomic<int32_t> current_rate{kActiveRate};
  std::atomic<int32_t> boost_seconds{10};
  std::atomic<int32_t> idle_half_seconds{0};
  std::atomic<uint8_t> mouse_idle{0};
  std::atomic<uint8_t> keyboard_idle{0};
  std::atomic<int32_t> rebuild_request{0};
  std::atomic<int32_t> blink_phase{0};
  std::atomic<int32_t> save_counter{0};
  std::atomic<int32_t> autosave_period{10};

  // Load progress of the shown whiteboard in percent; input is handled only at 100.
  // Read and written under progress_lock (set_progress / progress below).
  float load_progress = 100.0f;
  std::mutex progress_lock;

  // The shown whiteboard's case list, its records and its widgets.
  std::recursive_mutex desk_data_lock;
  // One sync thread at a time, and the frame loop's rebuild. Order: sync, then desk data.
  std::recursive_mutex sync_lock;
};

inline ShellState g_shell;

inline void set_progress(float value) {
  std::lock_guard<std::mutex> hold(g_shell.progress_lock);
  g_shell.load_progress = value;
}

inline float progress() {
  std::lock_guard<std::mutex> hold(g_shell.progress_lock);
  return g_shell.load_progress;
}

// Stores a value that the one-second ticker reads, under the desk data lock.
inline void locked_store(int32_t* place, int32_t value) {
  std::lock_guard<std::recursive_mutex> hold(g_shell.desk_data_lock);
  *place = value;
}

}  // namespace wf::shell
