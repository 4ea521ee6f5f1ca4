// A case widget on the headless drawing backend: a CaseRecord in memory, the desk's side
// played by the fixture (front-most slot, focus, clipboard, bring to front), and a
// temporary program folder for pictures.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "cases/case_widget.h"
#include "desk/desk_state.h"
#include "draw/graphics.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "store/records.h"
#include "store/stamp.h"

namespace wf::cases::testing {

// What the fixture's desk knows.
struct FakeDesk {
  int front = -1;
  int focus = -1;
  int clipboard_slot = -1;
  int brought = -1;
  int level_slot = -1, level_command = -1;
  int clears = 0;
  int puts = 0;
  std::string put_path;
};
inline FakeDesk g_fake;

inline void install_fake_desk() {
  g_fake = FakeDesk{};
  g_case_desk = CaseDesk{};
  g_case_desk.front_slot = [] { return g_fake.front; };
  g_case_desk.focus = [] { return g_fake.focus; };
  g_case_desk.in_clipboard = [](int slot) { return slot == g_fake.clipboard_slot; };
  g_case_desk.bring_to_front = [](int slot) {
    g_fake.brought = slot;
    g_fake.front = slot;
  };
  g_case_desk.level_command = [](int slot, int command) {
    g_fake.level_slot = slot;
    g_fake.level_command = command;
  };
  g_case_desk.clear_clipboard = [] {
    ++g_fake.clears;
    g_fake.clipboard_slot = -1;
  };
  g_case_desk.put_picture = [](const char* path) {
    ++g_fake.puts;
    g_fake.put_path = path;
    return 0;
  };
  g_case_desk.open_with_shell = [](const char*) {};
  desk::DESK_DRAGCASE = -1;
  desk::DESK_RESIZING = 0;
  desk::DESK_SCROLLDRAG = -1;
  desk::DESK_LINK = -1;
  desk::DESK_SIGN = -1;
  desk::DESK_DIALOG = -1;
}

inline draw::MOUSEREC move_at(int x, int y) {
  return draw::MOUSEREC{x, y, draw::MOUSE_MOVE, 0, 0};
}

// The stamp of a case made at the given local time, with its serial.
inline store::Stamp case_stamp(int year, int month, int day, int hour, int minute, int second,
                               uint32_t serial = 0) {
  store::Stamp own{};
  own.kind = store::kKindCase;
  own.year = static_cast<decltype(own.year)>(year);
  own.month = static_cast<decltype(own.month)>(month);
  own.day = static_cast<decltype(own.day)>(day);
  own.hour = static_cast<decltype(own.hour)>(hour);
  own.minute = static_cast<decltype(own.minute)>(minute);
  own.second = static_cast<decltype(own.second)>(second);
  own.serial = static_cast<decltype(own.serial)>(serial);
  return own;
}

class CaseTest : public ::testing::Test {
 protected:
  static constexpr int kSlot = 3;
  static constexpr int kOriginX = 40, kOriginY = 70;

  void SetUp() override {
    char pattern[] = "/tmp/wf-cases-XXXXXX";
    folder_ = mkdtemp(pattern);
    platform::use_virtual_clock(true);
    platform::set_program_folder(folder_);
    draw::usebackend(draw::BACKEND_HEADLESS);
    draw::initgraph(1200, 900);
    fresh();
  }
  // A new record and desk state for the next case of a table.
  void fresh() {
    widget_.destroy();
    install_fake_desk();
    rec_ = std::make_unique<store::CaseRecord>();
    store::init_case_record(rec_.get(), case_stamp(2026, 12, 11, 9, 5, 7, 0x1A2B), "Plan");
    rec_->x = 100;
    rec_->y = 200;
    rec_->width = 422;
    rec_->height = 300;
  }
  void TearDown() override {
    widget_.destroy();
    g_case_desk = CaseDesk{};
    draw::closegraph();
    std::string cmd = "rm -rf '" + folder_ + "'";
    if (std::system(cmd.c_str()) != 0) {
    }
  }

  // Builds the widget on the fixture's record.
  void make() {
    ASSERT_EQ(widget_.create_on(rec_.get(), {0, 0, kSlot}, kSlot, kOriginX, kOriginY, hit_),
              kCaseOk);
  }
  void make_front() {
    make();
    g_fake.front = kSlot;
    g_fake.focus = 100;
  }
  // A left click at (x, y) as the desk delivers it: drag end for every case, then release.
  void click(int x, int y, unsigned flags = 0) {
    widget_.hover_update(true, x, y);
    widget_.pointer_drag(move_at(x, y), 0, 0, kDragEnd);
    widget_.pointer_release(x, y, flags);
    widget_.hover_update(false, x, y);
  }

  std::string folder_;
  std::unique_ptr<store::CaseRecord> rec_;
  int32_t hit_[kHitInts] = {};
  CaseWidget widget_;
};

}  // namespace wf::cases::testing
