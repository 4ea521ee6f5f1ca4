// The real window: starts its own Xvfb on a free display, opens a window, presents a frame
// and reads a pixel back from the window. Skipped when no X server can be started.
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "draw/graphics.h"
#include "platform/clock.h"
#include <gtest/gtest.h>

extern char** environ;

namespace wf::draw::testing {
namespace {

// An Xvfb of our own; display() is empty when none could be started.
class Xvfb {
 public:
  Xvfb() {
    for (int n = 91; n < 111 && display_.empty(); ++n) {
      std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      struct stat st;
      if (stat(lock.c_str(), &st) == 0) continue;
      std::string disp = ":" + std::to_string(n);
      const char* argv[] = {"Xvfb", disp.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp", nullptr};
      posix_spawn_file_actions_t fa;
      posix_spawn_file_actions_init(&fa);
      posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
      pid_t pid;
      int r = posix_spawnp(&pid, "Xvfb", &fa, nullptr, const_cast<char**>(argv), environ);
      posix_spawn_file_actions_destroy(&fa);
      if (r != 0) return;  // not installed
      std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
      for (int i = 0; i < 100; ++i) {  // up to 5 s for the server to come up
        if (stat(sock.c_str(), &st) == 0) {
          pid_ = pid;
          display_ = disp;
          break;
        }
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) break;  // it gave up (display in use)
        usleep(50000);
      }
      if (display_.empty() && waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
      }
    }
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// The window's part runs in a child process that ends with _exit: the desktop libraries
// keep global state that a sanitizer build's leak check would report at a normal exit.
#define SMOKE_CHECK(cond)                                       \
  do {                                                          \
    if (!(cond)) {                                              \
      std::fprintf(stderr, "smoke check failed: %s\n", #cond); \
      _exit(1);                                                 \
    }                                                           \
  } while (0)

void present_and_read_back() {
  platform::use_virtual_clock(false);
  usebackend(BACKEND_WINDOW);
  graphmode(GRAPH_MANUAL, 40, 30);
  initgraph(160, 120);
  SMOKE_CHECK(currentbackend() == BACKEND_WINDOW);
  graphtitle("窗口");
  backcolor(0x204080);
  fillcolor(0xFF8000);
  fillrect(10, 10, 20, 20);
  framepace(60);
  std::vector<uint32_t> screen;
  int w = 0, h = 0;
  SMOKE_CHECK(screenpixels(&screen, &w, &h) == 0);
  SMOKE_CHECK(w == 160 && h == 120);
  SMOKE_CHECK((screen[15 * 160 + 15] & 0xFFFFFF) == 0xFF8000u);
  SMOKE_CHECK((screen[100 * 160 + 100] & 0xFFFFFF) == 0x204080u);
  int ww = 0, wh = 0;
  desktop_workarea(&ww, &wh);
  SMOKE_CHECK(ww > 0 && ww <= 1280);
  initgraph(200, 100);  // resizes the same window
  framepace(60);
  SMOKE_CHECK(screenpixels(&screen, &w, &h) == 0);
  SMOKE_CHECK(w == 200);
  hidegraph();
  closegraph();
  std::fprintf(stderr, "smoke: presented and read back\n");
  _exit(0);
}

TEST(WindowSmokeTest, PresentsAFrameOnARealDisplay) {
  Xvfb server;
  if (server.display().empty()) GTEST_SKIP() << "Xvfb could not be started: no display for the window test";
  setenv("DISPLAY", server.display().c_str(), 1);
  // A plain fork: the child must use this test's X server, not start one of its own.
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(present_and_read_back(), ::testing::ExitedWithCode(0), "smoke: presented and read back");
}

}  // namespace
}  // namespace wf::draw::testing
