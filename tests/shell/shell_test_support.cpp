// The shell tests' fixtures.
#include "shell_test_support.h"

#include <stdlib.h>

#include <filesystem>

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/tempdir.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "store/settings.h"
#include "store/stamp.h"

namespace wf::shell::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "wfshell.XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  path = mkdtemp(buf.data()) ? buf.data() : "";
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path.empty()) std::filesystem::remove_all(path, ec);
}

StoreFolder::StoreFolder() {
  platform::set_program_folder(folder.path);
  platform::set_system_temp_folder(folder.path);
  platform::prepare_temp_folder();
  std::filesystem::create_directories(folder.path + "/account/local");
  store::load_settings(-1, "");
  load_result = store::load_store(false);
}

StoreFolder::~StoreFolder() {
  store::free_store();
  platform::set_system_temp_folder("");
}

HeadlessWindow::HeadlessWindow(int width, int height) {
  platform::use_virtual_clock(true);
  draw::usebackend(draw::BACKEND_HEADLESS);
  draw::graphmode(draw::GRAPH_NOBORDER | draw::GRAPH_MANUAL | draw::GRAPH_NOEXIT, 0, 0);
  draw::initgraph(width, height);
  draw::headless_setforeground(true);
}

HeadlessWindow::~HeadlessWindow() {
  draw::closegraph();
  platform::use_virtual_clock(false);
}

void reset_shell_state() {
  g_shell.run_state = RUN_ACTIVE;
  g_shell.active_rate = kActiveRate;
  g_shell.current_rate = kActiveRate;
  g_shell.boost_seconds = 0;
  g_shell.idle_half_seconds = 0;
  g_shell.mouse_idle = 0;
  g_shell.keyboard_idle = 0;
  g_shell.rebuild_request = 0;
  g_shell.save_counter = 0;
  g_shell.autosave_period = 1;
  g_shell.placement_mode = -1;
  set_progress(100.0f);
}

bool FakeWidget::store_position(int ox, int oy) {
  store::CaseRecord* rec = store::case_record(pos_.dir, pos_.frame, pos_.kase);
  if (!rec) return false;
  rec->x = x_ - ox;
  rec->y = y_ - oy;
  return true;
}

TestDesk::TestDesk(int w, int h) : width(w), height(h) {
  canvas = draw::newimage(w, h);
  next_half_second = platform::precise_ms() + 500;
}

TestDesk::~TestDesk() { draw::dropimage(canvas); }

int TestDesk::update() {
  const double now = platform::precise_ms();
  update_times.push_back(now);
  while (now >= next_half_second) {
    half_second_tick();
    next_half_second += 500;
  }
  ++frames;
  return on_update ? on_update(*this) : 0;
}

void TestDesk::mouse() {
  while (draw::mousepending()) draw::nextmouse();
}

}  // namespace wf::shell::testing
