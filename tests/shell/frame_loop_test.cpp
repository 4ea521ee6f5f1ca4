// The frame loop and the keyboard step on the headless backend with the virtual clock: the
// adaptive rate, the RunState exits, the rebuild after a sync, F6 and Shift+F6, Ctrl+Shift+X
// and the Ctrl+digit frame switch.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "desk/desk_state.h"
#include "platform/clock.h"
#include "shell/frame_loop.h"
#include "shell/globals.h"
#include "shell_test_support.h"

namespace wf::shell {
namespace {

using testing::HeadlessWindow;
using testing::StoreFolder;
using testing::TestDesk;

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::reset_shell_state();
    desk::DESK_GESTURE = desk::GESTURE_NONE;
  }
  void TearDown() override {
    g_frame_switch.join();
    join_capture_thread();
  }
  StoreFolder store_;
  HeadlessWindow window_;
  TestDesk desk_{320, 200};
};

// The pace of frame i is the virtual time between its update step and the next one.
double pace_after(const TestDesk& d, size_t frame) {
  return d.update_times.at(frame + 1) - d.update_times.at(frame);
}

TEST_F(FrameLoop, IdleForegroundDropsToNineAndInputRestoresTheActiveRate) {
  size_t input_frame = 0;
  desk_.on_update = [&](TestDesk& d) {
    const double t = d.update_times.back() - d.update_times.front();
    if (input_frame == 0 && t >= 7000) {
      draw::inject_mouse(draw::MOUSE_MOVE, 10, 10);
      input_frame = d.update_times.size() - 1;
    }
    return input_frame && d.update_times.size() > input_frame + 3;
  };
  EXPECT_EQ(frame_loop(desk_), kLoopEnded);
  ASSERT_GT(input_frame, 0u);
  // Shortly after the start the loop runs at 60; after 5 s without input at 9.
  EXPECT_NEAR(pace_after(desk_, 1), 1000.0 / 60, 1.0);
  EXPECT_NEAR(pace_after(desk_, input_frame - 1), 1000.0 / 9, 1.0);
  // The frame that takes the input already paces at the active rate, and so does the next.
  EXPECT_NEAR(pace_after(desk_, input_frame), 1000.0 / 60, 1.0);
  EXPECT_NEAR(pace_after(desk_, input_frame + 1), 1000.0 / 60, 1.0);
  EXPECT_EQ(g_shell.run_state, RUN_STOPPED);
}

TEST_F(FrameLoop, BoostSecondsHoldTheActiveRate) {
  g_shell.boost_seconds = 3;
  double boost_ends = 0;
  desk_.on_update = [&](TestDesk& d) {
    const double now = d.update_times.back();
    // The one-second ticker's count-down, on virtual time.
    if (now - d.update_times.front() >= 1000.0 * (4 - g_shell.boost_seconds) &&
        g_shell.boost_seconds > 0) {
      count_down_boost();
      if (g_shell.boost_seconds == 0) boost_ends = now;
    }
    return now - d.update_times.front() > 8000;
  };
  frame_loop(desk_);
  ASSERT_GT(boost_ends, 0);
  for (size_t i = 0; i + 1 < desk_.update_times.size(); ++i) {
    if (desk_.update_times[i] < boost_ends) {
      ASSERT_NEAR(pace_after(desk_, i), 1000.0 / 60, 1.0) << "frame " << i;
    }
  }
  EXPECT_NEAR(desk_.update_times.back() - desk_.update_times[desk_.update_times.size() - 2],
              1000.0 / 9, 1.0);
  EXPECT_EQ(g_shell.boost_seconds, 0);
}

// Each case opens a window of its own (a closed window stays closed).
TEST(FrameLoopExit, LeavesOnCloseDrawStopAndRunStates) {
  StoreFolder store;
  struct Case {
    const char* what;
    int32_t state;       // RunState set in the update step (0: none)
    bool close, draw_stop;
    int result;
    int32_t final_state;
    bool visible;
  } cases[] = {
      {"window closed", 0, true, false, kLoopEnded, RUN_STOPPED, true},
      {"draw step asks to stop", 0, false, true, kLoopEnded, RUN_STOPPED, true},
      {"resize", RUN_RESIZE, false, false, kLoopReopen, RUN_RESIZE, false},
      {"update program", RUN_UPDATE, false, false, kLoopReopen, RUN_UPDATE, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::reset_shell_state();
    HeadlessWindow window;
    TestDesk d(320, 200);
    d.draw_result = c.draw_stop ? -1 : 0;
    d.on_update = [&](TestDesk& t) {
      if (t.frames == 3) {
        if (c.close) draw::inject_close();
        if (c.state) g_shell.run_state = c.state;
      }
      return 0;
    };
    EXPECT_EQ(frame_loop(d), c.result);
    EXPECT_EQ(g_shell.run_state, c.final_state);
    EXPECT_EQ(draw::windowvisible(), c.visible);
    EXPECT_LE(d.frames, 4);
  }
}

TEST_F(FrameLoop, CtrlShiftXHandsOverToTheCaptureProgramAndComesBack) {
  // There is no capture program in the folder: the thread only returns to the loop.
  draw::inject_keydown(kKeyCtrl);
  draw::inject_keydown(kKeyShift);
  draw::inject_keydown(kKeyX);
  EXPECT_EQ(frame_loop(desk_), kLoopCapture);
  EXPECT_FALSE(draw::windowvisible());
  while (g_shell.run_state == RUN_CAPTURE) draw::sleepms(kCaptureWaitMs);
  join_capture_thread();
  EXPECT_EQ(g_shell.run_state, RUN_RETURNED);
}

TEST_F(FrameLoop, RebuildReloadsTheStoreAndTheShownWidgets) {
  static int reloads;
  reloads = 0;
  StoreReload saved = g_store_reload;
  g_store_reload = [] { return ++reloads, 0; };
  g_shell.rebuild_request = 1;
  desk_.on_update = [](TestDesk& d) {
    // The rebuild ran before the update step, holding neither lock any more.
    EXPECT_TRUE(g_shell.sync_lock.try_lock());
    g_shell.sync_lock.unlock();
    return d.frames >= 2;
  };
  frame_loop(desk_);
  g_store_reload = saved;
  EXPECT_EQ(reloads, 1);
  EXPECT_EQ(desk_.dropped, 1);
  ASSERT_EQ(desk_.loaded_widgets.size(), 1u);
  EXPECT_EQ(desk_.loaded_widgets[0], std::make_pair(0, 0));
  EXPECT_STREQ(desk_.status_text, kRebuiltText);
  EXPECT_EQ(g_shell.rebuild_request, 0);
}

TEST_F(FrameLoop, InputWaitsWhileTheWhiteboardLoads) {
  draw::inject_char(u'a');
  set_progress(50.0f);
  desk_.on_update = [](TestDesk& d) { return d.frames >= 3; };
  frame_loop(desk_);
  EXPECT_TRUE(desk_.keys.empty());
  set_progress(100.0f);
  desk_.frames = 0;
  frame_loop(desk_);
  ASSERT_EQ(desk_.keys.size(), 1u);
  EXPECT_EQ(desk_.keys[0], 'a');
}

TEST_F(FrameLoop, F6FreezesTheKeyboardStepUntilReleased) {
  draw::inject_keydown(kKeyF6);
  std::atomic<bool> returned{false};
  std::thread step([&] {
    keyboard_step(desk_);
    returned = true;
  });
  platform::wait_ms(500);  // the frozen step keeps polling (and moving the virtual clock)
  EXPECT_FALSE(returned);
  draw::inject_keyup(kKeyF6);
  step.join();
  EXPECT_TRUE(returned);
}

TEST_F(FrameLoop, F6DoesNotFreezeDuringAGesture) {
  desk::DESK_GESTURE = desk::GESTURE_PAN;
  draw::inject_keydown(kKeyF6);
  draw::inject_keydown(kKeyShift);
  keyboard_step(desk_);  // returns, and the process lives on
  desk::DESK_GESTURE = desk::GESTURE_NONE;
  draw::inject_keyup(kKeyF6);
}

using FrameLoopDeath = FrameLoop;
TEST_F(FrameLoopDeath, ShiftWithF6EndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        draw::inject_keydown(kKeyF6);
        draw::inject_keydown(kKeyShift);
        keyboard_step(desk_);
        std::exit(5);
      },
      ::testing::ExitedWithCode(0), "");
}

// Adds Frames to Dir 0 until it holds n.
void make_frames(int n) {
  for (int i = store::frame_count(0); i < n; ++i) {
    std::string name = "f" + std::to_string(i);
    ASSERT_GE(store::new_frame(0, name.c_str()).frame, 0);
  }
  ASSERT_EQ(store::frame_count(0), n);
}

TEST_F(FrameLoop, CtrlDigitSwitchesOnlyToAnExistingOtherFrame) {
  struct Case {
    const char* what;
    int frames, key, current;
    int switched_to;  // -1: nothing happens
  } cases[] = {
      {"Ctrl+3 with two Frames", 2, '3', 0, -1},
      {"Ctrl+1 on the current Frame", 2, '1', 0, -1},
      {"Ctrl+2 with two Frames", 2, '2', 0, 1},
      {"Ctrl+0 selects the tenth", 10, '0', 0, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    make_frames(c.frames);
    store::g_store.cur_dir = 0;
    store::g_store.cur_frame = c.current;
    desk_.loaded_cases.clear();
    draw::inject_keydown(kKeyCtrl);
    draw::inject_keydown(c.key);
    keyboard_step(desk_);
    g_frame_switch.join();
    draw::inject_keyup(c.key);
    draw::inject_keyup(kKeyCtrl);
    if (c.switched_to < 0) {
      EXPECT_TRUE(desk_.loaded_cases.empty());
      EXPECT_EQ(store::g_store.cur_frame, c.current);
    } else {
      ASSERT_EQ(desk_.loaded_cases.size(), 1u);
      EXPECT_EQ(desk_.loaded_cases[0], std::make_pair(0, c.switched_to));
      EXPECT_EQ(store::g_store.cur_frame, c.switched_to);
      EXPECT_EQ(g_shell.keyboard_idle, 0);
    }
    EXPECT_EQ(progress(), 100.0f);  // empty whiteboards finish at once
  }
}

TEST_F(FrameLoop, CtrlDigitIsRefusedWhileASwitchRuns) {
  make_frames(3);
  desk_.busy = 1;
  draw::inject_keydown(kKeyCtrl);
  draw::inject_keydown('2');
  keyboard_step(desk_);
  g_frame_switch.join();
  EXPECT_TRUE(desk_.loaded_cases.empty());
  EXPECT_EQ(progress(), 100.0f);
}

TEST_F(FrameLoop, FrameSwitchSetsTheProgressForTheNewCases) {
  make_frames(2);
  store::Stamp st = store::new_stamp(store::kKindCase);
  for (int i = 0; i < 4; ++i) ASSERT_GE(store::new_case(0, 1, "c", st).kase, 0);
  switch_frame(desk_, 1);
  EXPECT_EQ(desk_.layouts, 1);
  EXPECT_FLOAT_EQ(desk_.progress_step, 49.0f / 4);
  EXPECT_EQ(progress(), 50.0f);
  EXPECT_EQ(store::g_store.cur_frame, 1);
  EXPECT_EQ(desk_.busy, 0);
}

TEST_F(FrameLoop, KeysGoToTheDeskAndSetTheIdleFlag) {
  draw::inject_char(u'q');
  keyboard_step(desk_);
  EXPECT_EQ(g_shell.keyboard_idle, 0);
  keyboard_step(desk_);
  EXPECT_EQ(g_shell.keyboard_idle, 1);
  // With Ctrl held and no digit the flag stays as it was when nothing is queued.
  draw::inject_keydown(kKeyCtrl);
  g_shell.keyboard_idle = 0;
  keyboard_step(desk_);
  EXPECT_EQ(g_shell.keyboard_idle, 0);
  ASSERT_EQ(desk_.keys.size(), 1u);
  EXPECT_EQ(desk_.keys[0], 'q');
}

}  // namespace
}  // namespace wf::shell
