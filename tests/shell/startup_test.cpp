// Start-up rules: the window size against the work area, the frame-rate choice, the boost
// count-down, and the refusal of a third running instance.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "platform/process.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "shell_test_support.h"

namespace wf::shell {
namespace {

TEST(WindowPlan, SizesAgainstTheWorkArea) {
  struct Case {
    int sw, sh, ww, wh;
    int w, h, x, y;
    bool save, origin;
  } cases[] = {
      {0, 0, 1920, 1040, 1920, 1040, 0, 0, true, false},        // first start fills
      {800, 0, 1920, 1040, 1920, 1040, 0, 0, true, false},      // one zero counts as none
      {800, 600, 1920, 1040, 800, 600, 560, 220, false, false}, // centred
      {801, 601, 1920, 1040, 801, 601, 559, 219, false, false}, // integer halves
      {1920, 1040, 1920, 1040, 1920, 1040, 0, 0, false, false}, // exactly the work area
      {2000, 600, 1920, 1040, 1920, 1040, 0, 0, true, true},    // too wide: replaced
      {800, 1041, 1920, 1040, 1920, 1040, 0, 0, true, true},    // too high: replaced
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.sw << "x" << c.sh);
    WindowPlan p = plan_window(c.sw, c.sh, c.ww, c.wh);
    EXPECT_EQ(p.width, c.w);
    EXPECT_EQ(p.height, c.h);
    EXPECT_EQ(p.x, c.x);
    EXPECT_EQ(p.y, c.y);
    EXPECT_EQ(p.save, c.save);
    EXPECT_EQ(p.place_origin, c.origin);
  }
}

TEST(FrameRate, ChoiceFollowsInputBoostAndWindowState) {
  struct Case {
    const char* what;
    bool mouse_idle, key_idle;
    int boost, half;
    bool fg, mini;
    int rate;
    bool reset;
  } cases[] = {
      {"foreground, 5 s idle", true, true, 0, 10, true, false, 9, false},
      {"foreground, 4.5 s idle", true, true, 0, 9, true, false, 60, false},
      {"background, 2.5 s idle", true, true, 0, 5, false, false, 9, false},
      {"background, 2 s idle", true, true, 0, 4, false, false, 60, false},
      {"minimised", true, true, 0, 0, false, true, 3, false},
      {"boost holds the active rate", true, true, 1, 100, true, false, 60, true},
      {"boost below 0 does not", true, true, -3, 100, true, false, 9, false},
      {"mouse input", false, true, 0, 100, true, false, 60, true},
      {"key input", true, false, 0, 100, false, true, 60, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RateFacts f;
    f.mouse_idle = c.mouse_idle;
    f.keyboard_idle = c.key_idle;
    f.boost_seconds = c.boost;
    f.idle_half_seconds = c.half;
    f.foreground = c.fg;
    f.minimised = c.mini;
    bool reset = false;
    EXPECT_EQ(choose_rate(f, &reset), c.rate);
    EXPECT_EQ(reset, c.reset);
  }
  RateFacts high;
  high.active_rate = kHighActiveRate;
  bool reset = false;
  EXPECT_EQ(choose_rate(high, &reset), kHighActiveRate);
}

TEST(Tickers, BoostCountsDownToZeroAndStays) {
  g_shell.boost_seconds = 2;
  for (int i = 0; i < 5; ++i) count_down_boost();
  EXPECT_EQ(g_shell.boost_seconds, 0);
  // Concurrent count-downs never take it below 0.
  g_shell.boost_seconds = 100;
  std::thread a([] { for (int i = 0; i < 1000; ++i) count_down_boost(); });
  std::thread b([] { for (int i = 0; i < 1000; ++i) count_down_boost(); });
  a.join();
  b.join();
  EXPECT_EQ(g_shell.boost_seconds, 0);

  const int32_t idle = g_shell.idle_half_seconds, blink = g_shell.blink_phase;
  half_second_tick();
  EXPECT_EQ(g_shell.idle_half_seconds, idle + 1);
  EXPECT_EQ(g_shell.blink_phase, blink ^ 1);
}

// Copies of a small stand-in program, each named like the main program, in folders of
// their own: two keep running, the third ends at once with 0.
TEST(Instances, ThirdInstanceEndsAtOnceWhileTwoRun) {
  testing::TempFolder tmp;
  std::string copies[3];
  for (int i = 0; i < 3; ++i) {
    std::string dir = tmp.path + "/c" + std::to_string(i);
    std::filesystem::create_directory(dir);
    copies[i] = dir + "/Wrenfield";
    std::filesystem::copy_file(WF_INSTANCE_PROBE, copies[i]);
    std::filesystem::permissions(copies[i], std::filesystem::perms::owner_all);
  }
  if (platform::process_count("Wrenfield") != 0)
    GTEST_SKIP() << "another main program is running on this machine";
  pid_t first = 0, second = 0;
  ASSERT_EQ(platform::start_process(copies[0].c_str(), &first), 0);
  ASSERT_EQ(platform::start_process(copies[1].c_str(), &second), 0);
  // Each holder leaves a "ready" file beside itself once it has passed its own check.
  for (int i = 0; i < 2; ++i)
    while (!std::filesystem::exists(tmp.path + "/c" + std::to_string(i) + "/ready"))
      std::this_thread::yield();
  EXPECT_EQ(platform::process_count("Wrenfield"), 2);

  EXPECT_EQ(platform::run_process(copies[2].c_str()), 0);

  // The first two are still running: a second instance is not refused.
  int status = 0;
  EXPECT_EQ(waitpid(first, &status, WNOHANG), 0);
  EXPECT_EQ(waitpid(second, &status, WNOHANG), 0);
  kill(first, SIGTERM);
  kill(second, SIGTERM);
  EXPECT_EQ(platform::wait_process(first), 128 + SIGTERM);
  EXPECT_EQ(platform::wait_process(second), 128 + SIGTERM);
  EXPECT_EQ(platform::process_count("Wrenfield"), 0);
}

}  // namespace
}  // namespace wf::shell
