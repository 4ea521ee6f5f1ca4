// Shared fixtures of the shell tests: a temporary program folder with a fresh local store,
// the headless window on the virtual clock, and a desk double with the members the frame
// loop uses.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "draw/graphics.h"
#include "store/datastore.h"

namespace wf::shell::testing {

// A fresh temporary folder (removed by the destructor).
struct TempFolder {
  TempFolder();
  ~TempFolder();
  std::string path;
};

// Points the program folder and the temp folder at a new temporary folder and loads a
// fresh local store there (one Dir, one Frame). Frees the store at the end.
struct StoreFolder {
  StoreFolder();
  ~StoreFolder();
  TempFolder folder;
  int load_result = 0;
};

// The headless window (width x height) on the virtual clock; closed again at the end.
struct HeadlessWindow {
  HeadlessWindow(int width = 320, int height = 200);
  ~HeadlessWindow();
};

// Resets the shell's shared values to their start values.
void reset_shell_state();

struct FakeWidget {
  int32_t modified_ = 0;
  int x_ = 0, y_ = 0;
  store::Position pos_;
  int32_t modified() const { return modified_; }
  void clear_modified() { modified_ = 0; }
  bool store_position(int ox, int oy);
  store::Position position() const { return pos_; }
};

struct FakeBoard {
  int32_t origin_x = 0, origin_y = 0;
  int32_t order_count = 0;
  int32_t order[16] = {};
  FakeWidget* widgets[16] = {};
};

// The desk double: counts the calls, records the virtual time of each update step and lets
// a test act on each frame through on_update (return nonzero to stop the loop).
struct TestDesk {
  TestDesk(int w, int h);
  ~TestDesk();
  int update();
  void mouse();
  void key(int code) { keys.push_back(code); }
  int draw() { ++draws; return draw_result; }
  void resize(int w, int h) { width = w; height = h; }
  void drop_widgets() { ++dropped; }
  int load_widgets(int dir, int frame) { loaded_widgets.push_back({dir, frame}); return 0; }
  int load_cases(int dir, int frame) { loaded_cases.push_back({dir, frame}); return 0; }
  int store_layout() { ++layouts; return 0; }
  void set_progress_step(float step) { progress_step = step; }
  FakeBoard& board() { return board_; }

  draw::PIMAGE canvas = nullptr;
  char status_text[256] = {};
  std::atomic<int32_t> busy{0};
  int width = 0, height = 0;

  std::function<int(TestDesk&)> on_update;  // called in every update step
  int frames = 0;
  int draws = 0;
  int draw_result = 0;
  int dropped = 0, layouts = 0;
  float progress_step = 0;
  std::vector<double> update_times;        // virtual ms at each update step
  std::vector<int> keys;
  std::vector<std::pair<int, int>> loaded_widgets, loaded_cases;
  double next_half_second = 0;             // drives the half-second ticker on virtual time
  FakeBoard board_;
};

}  // namespace wf::shell::testing
