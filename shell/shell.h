// The main program's shell: start-up, the outer loop over the RunState, the frame loop with
// its adaptive rate, the keyboard step, the frame-switch thread, the two tickers, the start
// of the update program and the capture program.
//
// The frame loop, the keyboard step, the frame switch and the auto-save pass are templates
// over the desk type, so that the program drives wf::desk::Desk and the tests drive a small
// desk of their own with the same members (see frame_loop.h for what is used).
#pragma once
#include <cstdint>

namespace wf::shell {

// Key codes the keyboard step tests.
inline constexpr int kKeyShift = 16;
inline constexpr int kKeyCtrl = 17;
inline constexpr int kKeyF6 = 117;
inline constexpr int kKeyX = 'X';
inline constexpr int kKey0 = '0';

inline constexpr int kDigitFrames = 10;       // Ctrl+1 ... Ctrl+9, Ctrl+0
inline constexpr uint32_t kBackground = 0x7F7F7F;
inline constexpr int kCaptureWaitMs = 50;     // outer loop poll while the capture runs
inline constexpr int kUpdateDelayMs = 500;    // before the update program starts at exit
inline constexpr int kSpawnDelayMs = 200;     // before the update or capture program starts
inline constexpr int kFreezePollMs = 10;      // F6 held: how often the key is looked at
inline constexpr int kIdleForegroundHalfSeconds = 9;  // more than this: idle rate in front
inline constexpr int kIdleBackgroundHalfSeconds = 4;  // more than this: idle rate behind
inline constexpr int kMaxInstances = 2;

// ---- Start-up steps ----

// Steps 1 to 5 of start-up: seed the general generator from the tick count, write the
// global "config.cfg", prepare the temp folder, and count the running main programs.
// Returns 0 to go on, 1 when this is a third instance (the program then ends with 0).
int prepare_process();
// True when more than kMaxInstances processes named image_name run (this one included).
bool too_many_instances(const char* image_name);

// The window size rule against the work area (W x H).
struct WindowPlan {
  int width = 0, height = 0;
  int x = 0, y = 0;
  bool save = false;        // the size was replaced: store it and save the settings
  bool place_origin = false;  // the placement mode becomes 0
};
WindowPlan plan_window(int stored_width, int stored_height, int work_width, int work_height);

// Opens the local account: its settings (window size, rate) and its store. 0 or negative.
int open_local_account();

// The whole program: start-up, the outer loop, the exit path. Returns the exit code (0).
int run_program();

// ---- Frame rate ----

struct RateFacts {
  bool mouse_idle = false, keyboard_idle = false;
  int32_t boost_seconds = 0;
  int32_t idle_half_seconds = 0;
  bool foreground = true, minimised = false;
  int32_t active_rate = 60, idle_rate = 9, minimised_rate = 3;
};
// The rate for this frame; *reset_idle is set when the idle half-seconds are to be cleared.
int32_t choose_rate(const RateFacts& facts, bool* reset_idle);
// choose_rate on the shared values and the window facts; stores the current rate.
int32_t choose_frame_rate();

// ---- Tickers ----

// One step of the half-second ticker: idle half-seconds + 1, blink phase flipped.
void half_second_tick();
// Lowers the boost seconds by one, never below 0.
void count_down_boost();
// Starts the half-second ticker and the idle thread (each once per process).
void start_half_second_ticker();
void start_idle_thread();

// ---- External programs ----

// Sleeps 200 ms, starts the update program from the program folder and waits for its end.
// A missing program is ignored. Returns the exit code, or a negative code when it did not
// start.
int start_update_program();
// The capture program thread's body: sleep 200 ms, run the capture program and wait for it,
// then set RunState to RUN_RETURNED in every case.
void run_capture_program();
// Starts run_capture_program on its own thread (joined by the next start or at exit).
void start_capture_thread();
void join_capture_thread();

}  // namespace wf::shell
