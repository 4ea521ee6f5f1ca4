// A desk on the headless drawing backend for tests and benchmarks: a temporary program
// folder with the local account's settings and a fresh store, the virtual clock, a fixed
// local time, and one frame of the frame loop (update, mouse step, keys, draw).
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "desk/desk.h"
#include "draw/graphics.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "shell/globals.h"
#include "store/datastore.h"
#include "store/journal.h"
#include "store/settings.h"
#include "store/stamp.h"

namespace wf::desk::testing {

// The local time every test sees; tests change the hour and minute.
inline std::tm g_test_time = [] {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 11;
  t.tm_hour = 12;
  t.tm_min = 30;
  t.tm_sec = 5;
  return t;
}();
inline void test_time(std::tm* out) { *out = g_test_time; }

struct DeskHarness {
  std::string folder;
  std::unique_ptr<Desk> desk;
  int last_draw = 0;

  // Prepares the account and the store; the desk is built by open_desk().
  void start() {
    char pattern[] = "/tmp/wf-desk-XXXXXX";
    folder = mkdtemp(pattern);
    platform::use_virtual_clock(true);
    platform::set_program_folder(folder);
    store::set_local_time_source(&test_time);
    draw::usebackend(draw::BACKEND_HEADLESS);
    draw::initgraph(1920, 1040);
    store::load_settings(-1, "");
    store::load_store(false);
    shell::set_progress(100.0f);
  }
  void open_desk(int width = 1920, int height = 1040) {
    desk = std::make_unique<Desk>(width, height);
  }
  void stop() {
    desk.reset();
    reset_boards();
    store::free_store();
    store::journal_clear_memory();
    draw::closegraph();
    store::set_local_time_source(nullptr);
    for (auto* v : {&DESK_GESTURE, &DESK_PICK, &DESK_MENU, &DESK_DIALOG, &DESK_LINK, &DESK_SIGN,
                    &DESK_PANEL, &DESK_MOVEWIN, &DESK_DRAGCASE, &DESK_SCROLLDRAG})
      *v = -1;
    DESK_RENAME = 0;
    DESK_CLOSEARM = 0;
    DESK_LOCKED = 0;
    DESK_DIALOG_OPEN = 0;
    DESK_RESIZING = 0;
    std::string cmd = "rm -rf '" + folder + "'";
    if (std::system(cmd.c_str()) != 0) {}
  }
  // One frame as the frame loop runs it; keys go straight to the key handler.
  int frame() {
    desk->update();
    if (shell::progress() >= 100.0f) {
      desk->mouse();
      while (draw::keypending()) desk->key(draw::nextkey());
    }
    draw::clearimage(desk->canvas);
    last_draw = desk->draw();
    return last_draw;
  }
  void frames(int n) {
    for (int i = 0; i < n; ++i) frame();
  }
};

// A post of the given colour at screen position (x, y) on the shown board (a new case lands
// where the placement rules put it and is moved there), with its position stored.
inline cases::CaseWidget* add_post_at(int x, int y, const char* title, int colour) {
  set_new_case_position(x, y);
  int slot = new_case(title, kNewCaseKindCode, colour);
  EXPECT_GE(slot, 0);
  if (slot < 0) return nullptr;
  cases::CaseWidget* w = current_board().widgets[slot];
  w->move_by(x - w->x(), y - w->y());
  w->store_position(current_board().origin_x, current_board().origin_y);
  return w;
}

}  // namespace wf::desk::testing
