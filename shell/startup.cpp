// The program entry's flow: process preparation, the local account, the window, the desk,
// the tickers, the outer loop over the RunState and the exit path.
#include <cstdio>
#include <memory>

#include "platform/names.h"

#include "draw/graphics.h"
#include "platform/clock.h"
#include "shell/frame_loop.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "store/datastore.h"
#include "store/settings.h"

#ifdef WF_HAVE_DESK
#include "cases/case_widget.h"
#include "desk/desk.h"
#include "desk/picture_codec.h"
#include "shell/clipboard.h"
#include "web/web.h"
namespace wf::shell {
using ProgramDesk = desk::Desk;

// The desk fetches the pin pictures with the file download and copies pictures to the
// clipboard through the shell's clipboard functions.
void connect_desk_services() {
  desk::g_pin_download = &web::download_file;
  desk::set_put_picture([](const char* path) { return put_picture(path) ? 0 : -1; });
}
}
#else
#include "shell/plain_desk.h"
namespace wf::shell {
using ProgramDesk = PlainDesk;
void connect_desk_services() {}
}
#endif

namespace wf::shell {
namespace {

constexpr int kWindowFlags = draw::GRAPH_NOBORDER | draw::GRAPH_MANUAL | draw::GRAPH_NOEXIT;
constexpr int kLocalAccount = -1;

// Applies the window size rule to the account settings; stores the replaced size.
WindowPlan size_window_from_settings() {
  int work_w = 0, work_h = 0;
  draw::desktop_workarea(&work_w, &work_h);
  WindowPlan plan;
  {
    std::lock_guard<std::recursive_mutex> hold(store::settings_lock());
    store::SettingsRecord& s = store::settings();
    plan = plan_window(s.window_width(), s.window_height(), work_w, work_h);
    if (plan.save) {
      s.set_window_size(plan.width, plan.height);
      store::save_settings(kLocalAccount);
    }
  }
  if (plan.place_origin) g_shell.placement_mode = 0;
  g_shell.window_x = plan.x;
  g_shell.window_y = plan.y;
  return plan;
}

// Shows the window again at the size and the place the RunState asks for.
void reopen_window(int width, int height) {
  draw::initgraph(width, height);
  if (g_shell.placement_mode == 0) {
    g_shell.window_x = 0;
    g_shell.window_y = 0;
    g_shell.placement_mode = -1;
  }
  draw::window_move(draw::windowhandle(), g_shell.window_x, g_shell.window_y);
  draw::textbackmode(draw::TEXT_TRANSPARENT);
}

}  // namespace

int open_local_account() {
  int rc = store::load_settings(kLocalAccount, "");
  if (rc != 0 && rc != store::kSettingsWrongPassword) return rc;
  g_shell.autosave_period = 1;
  int loaded = store::load_store(false);
  return loaded < 0 ? loaded : 0;
}

int run_program() {
  if (prepare_process() != 0) return 0;
  start_half_second_ticker();
  // The sign-in screen comes later; until then the local account opens directly.
  if (int rc = open_local_account(); rc != 0) {
    std::fprintf(stderr, "%s: the local account could not be opened (%d); its files are left as they are\n",
                 names::kMainProgram, rc);
    return 0;
  }
  connect_desk_services();

  WindowPlan plan = size_window_from_settings();
  int width = plan.width, height = plan.height;
  draw::graphmode(kWindowFlags, plan.x, plan.y);
  draw::initgraph(width, height);
  draw::window_move(draw::windowhandle(), g_shell.window_x, g_shell.window_y);
  draw::textbackmode(draw::TEXT_TRANSPARENT);
  draw::backcolor(kBackground);

  auto desk = std::make_unique<ProgramDesk>(width, height);
  start_second_ticker(*desk);
  start_idle_thread();

  for (;;) {
    frame_loop(*desk);
    while (g_shell.run_state == RUN_CAPTURE) draw::sleepms(kCaptureWaitMs);
    const int32_t state = g_shell.run_state;
    if (state == RUN_RESIZE) {
      width = g_shell.requested_width;
      height = g_shell.requested_height;
      desk->resize(width, height);
    } else if (state < 0) {
      break;
    }
    reopen_window(width, height);
  }

  draw::hidegraph();
  stop_second_ticker();
  g_frame_switch.join();
  join_capture_thread();
  desk.reset();
  if (g_shell.run_state == RUN_UPDATE) {
    draw::sleepms(kUpdateDelayMs);
    start_update_program();
  }
  return 0;
}

}  // namespace wf::shell
