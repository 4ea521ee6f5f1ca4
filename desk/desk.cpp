// The desk object: construction and teardown, layout and images, the update step, the
// mouse step with its gesture state, the key handler, the draw step in its fixed order, the
// lock screen and the status line (see desk.h).
#include "desk/desk.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "cases/case_widget.h"
#include "desk/skin_table.h"
#include "shell/globals.h"
#include "store/datastore.h"
#include "store/records.h"
#include "store/settings.h"
#include "store/stamp.h"

namespace wf::desk {

namespace {

// Virtual-key codes read with keydown().
constexpr int kVkShift = 0x10;
constexpr int kVkControl = 0x11;

// Key codes of the key handler (Ctrl+letter arrives as its control character).
constexpr int kKeyCtrlF1 = 0x170;
constexpr int kKeyCtrlR = 18;
constexpr int kKeyEscape = 27;
constexpr int kKeyCtrlU = 21;
constexpr int kKeyCtrlN = 14;
constexpr int kKeyCtrlX = 24;
constexpr int kKeyCtrlB = 2;
constexpr int kKeyCtrlL = 12;
constexpr int kKeyCopy = 3;
constexpr int kKeyDeleteSelection = 302;
constexpr int kKeyUndo = 26;
constexpr int kKeyRedo = 25;

constexpr draw::color_t kBarColor = 0x161418;
constexpr draw::color_t kTextColor = 0xFCFCFC;
constexpr draw::color_t kFrameColor = 0x5C5A58;
constexpr unsigned kNoticeAlpha = 175;
constexpr unsigned kStatusAlpha = 239;
constexpr int kNoticeTextX = 765;
constexpr int kWheelStepGrowth = 10;
constexpr int kWheelNotch = 120;
constexpr int kWallpaperFrom = 20;  // hours
constexpr int kWallpaperUntil = 6;
constexpr int kFreeTopBarLeft = 175;

std::mutex g_notice_lock;
char g_notice_text[kNoticeTextSize] = {};
std::atomic<int32_t> g_notice_visible{0};

Desk* g_live_desk = nullptr;

void text_field(char* out, size_t cap, const char* field, size_t field_cap) {
  size_t n = std::min(store::field_length(field, field_cap), cap - 1);
  std::memcpy(out, field, n);
  out[n] = 0;
}

cases::CaseWidget* front_widget() {
  int slot = front_slot();
  return slot >= 0 ? current_board().widgets[slot] : nullptr;
}

bool has_cases() { return current_board().order_count > 0; }

void level_command(int slot, int command) {
  switch (command) {
    case cases::kLevelSendToBottom: send_to_bottom(slot); break;
    case cases::kLevelSendToBottomLock: send_to_bottom_locked(slot); break;
    case cases::kLevelRelease: release_from_bottom(slot); break;
    default: break;
  }
}

void install_case_desk() {
  cases::CaseDesk& d = cases::g_case_desk;
  d.front_slot = &front_slot;
  d.focus = [] { return int(current_board().focus); };
  d.in_clipboard = &in_clipboard;
  d.color_theme = [] { return int(g_desk_options.theme); };
  d.bring_to_front = [](int slot) { desk::bring_to_front(slot); };
  d.level_command = &level_command;
  d.clear_clipboard = &empty_clipboard;
  d.pin_mark = [] { return skin_table().pin_mark; };
  d.end_mark = [] { return skin_table().end_mark; };
  d.widget_at = [](int slot) -> cases::CaseWidget* {
    return (slot >= 0 && slot < kBoardSlots) ? current_board().widgets[slot] : nullptr;
  };
}

void read_options() {
  store::SettingsRecord s = store::settings_copy();
  g_desk_options.lite = s.lite_mode() ? 1 : 0;
  g_desk_options.wallpaper = s.night_wallpaper() ? 1 : 0;
  g_desk_options.axes = s.axes() ? 1 : 0;
  g_desk_options.quick_new = s.quick_new() ? 1 : 0;
  g_desk_options.theme = std::clamp(s.theme(), 0, kThemeCount - 1);
  g_desk_options.selector_unfolded = s.board_selector_unfolded() ? 1 : 0;
}

// Picks the Dir and Frame stored in the settings when they exist, else (0, 0).
void select_current_board() {
  store::SettingsRecord s = store::settings_copy();
  int dir = s.dir_index(), frame = s.frame_index();
  if (dir < 0 || dir >= store::dir_count() || frame < 0 || frame >= store::frame_count(dir) ||
      !store::frame_record(dir, frame)) {
    dir = 0;
    frame = 0;
  }
  store::g_store.cur_dir = dir;
  store::g_store.cur_frame = frame;
}

}  // namespace

const char* const kWeekdayNames[7] = {"星期一", "星期二", "星期三", "星期四",
                                      "星期五", "星期六", "星期日"};

int weekday(int year, int month, int day) {
  if (month < 3) {
    month += 12;
    year -= 1;
  }
  int w = (year + year / 4 + (3 * month + 3) / 5 + year / 400 + 2 * month + day - year / 100) % 7;
  return w + 1;
}

void set_notice(const char* text) {
  std::lock_guard<std::mutex> hold(g_notice_lock);
  store::copy_text(g_notice_text, sizeof g_notice_text, text ? text : "");
  g_notice_visible = 1;
}

void hide_notice() { g_notice_visible = 0; }
bool notice_visible() { return g_notice_visible != 0; }

// ---- Hooks of the parts ----

void run_tool(int button) {
  switch (button) {
    case kToolsNew:
      if (quick_new_case(g_desk_options.quick_new != 0) == 0 && DESK_DIALOG == kDialogNewCase &&
          g_live_desk)
        g_live_desk->dialogs.open(kDialogNewCase);
      break;
    case kToolsCapture: shell::g_shell.run_state = shell::RUN_CAPTURE; break;
    case kToolsUndo:
    case kToolsRedo:
      if (cases::CaseWidget* w = front_widget()) w->key(button == kToolsUndo ? kKeyUndo : kKeyRedo);
      break;
    case kToolsOrigin: reset_origin(); break;
    default: break;  // sync and window size come with their parts
  }
}

void run_menu_entry(int entry) {
  static constexpr int kDialogs[5] = {8, -1, -1, 10, 9};
  if (entry < 0 || entry >= 5) return;
  if (entry == 1) {
    set_notice("已是最新版本");
    return;
  }
  if (kDialogs[entry] >= 0 && g_live_desk) {
    DESK_DIALOG = kDialogs[entry];
    g_live_desk->dialogs.open(kDialogs[entry]);
  }
}

void choose_theme(int theme) {
  theme = std::clamp(theme, 0, kThemeCount - 1);
  g_desk_options.theme = theme;
  if (g_live_desk && g_live_desk->canvas) draw::backcolor(kThemeBackground[theme], g_live_desk->canvas);
  std::lock_guard<std::recursive_mutex> hold(store::settings_lock());
  store::settings().set_theme(theme);
  store::save_settings(g_desk_options.account_index);
}

void lock_desk() {
  if (g_live_desk) g_live_desk->lock();
}

void unlock_desk() {
  if (g_live_desk) g_live_desk->unlock();
}

// ---- Construction, layout, teardown ----

Desk::Desk(int w, int h) {
  g_live_desk = this;
  DESK_WIDTH = w;
  DESK_HEIGHT = h;
  width = w;
  height = h;
  build_skin_table(&skin_table(), g_pin_download);
  read_options();
  install_case_desk();
  top_bar.resize(w, h);
  top_bar.restore_width = store::settings_copy().window_width();
  top_bar.restore_height = store::settings_copy().window_height();
  int wa = 0, ha = 0;
  draw::desktop_workarea(&wa, &ha);
  top_bar.maximised = (top_bar.restore_width == 0 && top_bar.restore_height == 0) ||
                      (top_bar.restore_width == wa && top_bar.restore_height == ha);
  top_bar.restore_x = shell::g_shell.window_x;
  top_bar.restore_y = shell::g_shell.window_y;
  hide_notice();
  empty_clipboard();
  wallpaper_source_ = draw::newimage();
  draw::getimage(wallpaper_source_, "IMGS", "WALLPAPER_STAR");  // stays 1 x 1 without the art
  layout(w, h);
  select_current_board();
  apply_theme();
  selector.resize(w, h);
  dialogs.resize(w, h);
  load_board(current_dir(), current_frame(), true);
  pan_board(0, 0);
}

Desk::~Desk() {
  {
    std::lock_guard<std::recursive_mutex> hold(store::settings_lock());
    store::settings().set_dir_index(current_dir());
    store::settings().set_frame_index(current_frame());
    store::save_settings(g_desk_options.account_index);
  }
  store_layout();
  drop_images();
  draw::dropimage(wallpaper_source_);
  wallpaper_source_ = nullptr;
  cases::g_case_desk = cases::CaseDesk{};
  destroy_skin_table(&skin_table());
  if (g_live_desk == this) g_live_desk = nullptr;
}

void Desk::drop_images() {
  for (draw::PIMAGE* img : {&canvas, &top_strip_, &wallpaper_, &black_strip_, &status_strip_,
                            &notice_strip_, &lock_image_}) {
    draw::dropimage(*img);
    *img = nullptr;
  }
}

namespace {
draw::PIMAGE filled_image(int w, int h, draw::color_t colour) {
  draw::PIMAGE img = draw::newimage(w, h);
  uint32_t* px = draw::imagebuffer(img);
  std::fill(px, px + size_t(draw::imagewidth(img)) * size_t(draw::imageheight(img)), colour);
  return img;
}
}  // namespace

void Desk::layout(int w, int h) {
  drop_images();
  int t = top_bar_height();
  int strip_h = std::max(1, h - t);
  canvas = draw::newimage(w, h);
  draw::textbackmode(draw::TEXT_TRANSPARENT, canvas);
  top_strip_ = filled_image(w, t, kBarColor);
  wallpaper_ = draw::newimage(w, strip_h);
  draw::PIMAGE previous = draw::gettarget();
  draw::drawtarget(wallpaper_);
  draw::putimage(0, 0, w, strip_h, wallpaper_source_, draw::imagewidth(wallpaper_source_),
                 draw::imageheight(wallpaper_source_));
  draw::drawtarget(previous);
  black_strip_ = filled_image(w, strip_h, 0x000000);
  status_strip_ = filled_image(w, kStatusBarHeight, kBarColor);
  notice_strip_ = filled_image(w, kNoticeHeight, kBarColor);
  lock_image_ = filled_image(w, h, kBarColor);
}

void Desk::apply_theme() {
  int theme = std::clamp(int(g_desk_options.theme), 0, kThemeCount - 1);
  draw::backcolor(kThemeBackground[theme], canvas);
}

void Desk::resize(int w, int h) {
  DESK_WIDTH = w;
  DESK_HEIGHT = h;
  width = w;
  height = h;
  layout(w, h);
  apply_theme();
  top_bar.resize(w, h);
  dialogs.resize(w, h);
  selector.resize(w, h);
}

int Desk::top_bar_height() const { return desk::top_bar_height(); }

BOARD_STATE& Desk::board() { return current_board(); }

void Desk::drop_widgets() { desk::drop_widgets(); }

int Desk::load_widgets(int dir, int frame) {
  int r = load_board(dir, frame, true);
  pan_board(0, 0);
  return r;
}

int Desk::load_cases(int dir, int frame) { return load_board(dir, frame, false); }

int Desk::store_layout() { return desk::store_layout(current_dir(), current_frame()); }

void Desk::set_progress_step(float step) { desk::set_progress_step(step); }

int Desk::autosave() { return autosave_cases(); }

void Desk::lock() {
  locked = true;
  DESK_LOCKED = 1;
  DESK_MENU = -1;
  DESK_DIALOG = kDialogUnlock;
  dialogs.open(kDialogUnlock);
}

void Desk::unlock() {
  locked = false;
  DESK_LOCKED = 0;
}

bool Desk::modal_open() const {
  return context_menu.is_open() || dialogs.is_open() || rename_box.is_open();
}

// ---- Hit test ----

int Desk::hit_test(int x, int y) {
  if (top_menu.open && top_menu.menu_rect().contains(x, y)) return HIT_TOPBAR;
  if (selector.hit(x, y)) return HIT_PANEL;
  if (y < top_bar_height()) return HIT_TOPBAR;
  if (y >= status_bar_top()) return HIT_STATUSBAR;
  if (tools_bar.rect().contains(x, y)) return HIT_TOOLS;
  return hit_cases(x, y, DESK_PICK >= HIT_CASE);
}

// ---- Update step ----

void Desk::update_wallpaper() {
  std::tm now{};
  store::local_time_now(&now);
  if ((g_desk_options.wallpaper && now.tm_hour >= kWallpaperFrom) || now.tm_hour < kWallpaperUntil) {
    wallpaper_visible = true;
    wallpaper_alpha = std::min(255, wallpaper_alpha + 1);
  } else {
    wallpaper_visible = false;
    wallpaper_alpha = 0;
  }
}

void Desk::case_hover() {
  if (shell::progress() < 100.0f) return;
  bool released = DESK_LEFT_RELEASED != 0;
  if (tools_bar.rect().contains(pointer_x, pointer_y))
    tools_bar.update(pointer_x, pointer_y, released);
  else
    tools_bar.update(-1, -1, released);
  cases::g_case_desk.pointer_x = pointer_x;
  cases::g_case_desk.pointer_y = pointer_y;
  if (cases::CaseWidget* w = front_widget()) w->hover_update(left_held, pointer_x, pointer_y);
}

void Desk::smooth_wheel() {
  if (wheel_remaining > 0 && shell::progress() >= 100.0f) {
    int step = int(wheel_step);
    int d = wheel_sign * step;
    if (wheel_horizontal || draw::keydown(kVkShift))
      pan_board(d, 0);
    else
      pan_board(0, d);
    wheel_remaining -= step;
    wheel_step += kWheelStepGrowth;
  }
  if (wheel_remaining <= 0) {
    wheel_remaining = 0;
    wheel_step = 1.0;
  }
}

int Desk::update() {
  update_wallpaper();
  bool released = DESK_LEFT_RELEASED != 0;
  int x = pointer_x, y = pointer_y;
  if (locked) {
    if (dialogs.is_open()) dialogs.update(left_held, x, y, released);
    top_bar.update(left_held, x, y, released);
    return 0;
  }
  if (context_menu.is_open()) {
    context_menu.update(left_held, x, y, released);
  } else if (dialogs.is_open()) {
    dialogs.update(left_held, x, y, released);
  } else if (rename_box.is_open()) {
    rename_box.update(left_held, x, y);
  } else {
    if (!selector.holds_pointer()) selector.passive_update(x, y);
    if (selector.holds_pointer() || (hit != HIT_PANEL && !selector.item_drag)) {
      int gesture = DESK_GESTURE;
      if (gesture == GESTURE_MODALDRAG && DESK_PICK >= HIT_CASE) {
        case_hover();
      } else if (!selector.holds_pointer() && gesture != GESTURE_PAN &&
                 gesture != GESTURE_MODALDRAG) {
        top_menu.update(left_held || right_held, x, y, DESK_LEFT_RELEASED != 0);
        top_bar.update(left_held, x, y, DESK_LEFT_RELEASED != 0);
        if (!DESK_ACCOUNT_PANEL) case_hover();
      }
    } else {
      selector.active_update(left_held, x, y);
    }
  }
  smooth_wheel();
  return 0;
}

// ---- Mouse step ----

void Desk::mouse() {
  DESK_LEFT_RELEASED = 0;
  DESK_RIGHT_RELEASED = 0;
  hit = hit_test(last_event.x, last_event.y);
  while (draw::mousepending()) {
    draw::MOUSEREC m = draw::nextmouse();
    bool stop = false;
    handle_event(m, &stop);
    last_event = m;
    pointer_x = m.x;
    pointer_y = m.y;
  }
}

void Desk::handle_event(const draw::MOUSEREC& m, bool* stop) {
  bool moving = DESK_MOVEWIN == 0;
  if (m.kind == draw::MOUSE_DOWN && (m.flags & draw::MOUSE_LEFT)) {
    left_press(m, stop);
  } else if (m.kind == draw::MOUSE_UP && (m.flags & draw::MOUSE_LEFT)) {
    left_release(m, stop);
  } else if (m.kind == draw::MOUSE_DOWN && (m.flags & draw::MOUSE_RIGHT)) {
    if (!moving) right_press(m, stop);
  } else if (m.kind == draw::MOUSE_UP && (m.flags & draw::MOUSE_RIGHT)) {
    right_release(m);
  } else if (m.kind == draw::MOUSE_MOVE) {
    if (left_held)
      left_drag(m);
    else if (right_held && !moving)
      right_drag(m);
  } else if (m.kind == draw::MOUSE_WHEEL) {
    if (!moving) wheel(m, stop);
  }
}

void Desk::left_press(const draw::MOUSEREC& m, bool* stop) {
  left_x = m.x;
  left_y = m.y;
  left_held = true;
  // The press decides what the gesture works on: take the target at the press itself.
  hit = hit_test(m.x, m.y);
  if (!modal_open() && !DESK_ACCOUNT_PANEL) {
    if (DESK_LINK != LINK_NONE || DESK_SIGN != SIGN_NONE) {
      DESK_GESTURE = GESTURE_LDOWN;
      *stop = true;
      return;
    }
    DESK_PICK = hit;
    if (hit == HIT_PANEL) {
      selector.press(m.x, m.y);
      DESK_GESTURE = GESTURE_LDOWN;
      *stop = true;
      return;
    }
    if (hit >= HIT_CASE) bring_to_front(hit - HIT_CASE);
    if (hit == HIT_EMPTY) current_board().focus = kFocusNone;
  }
  DESK_GESTURE = GESTURE_LDOWN;
}

void Desk::left_release(const draw::MOUSEREC& m, bool* stop) {
  left_held = false;
  DESK_LEFT_RELEASED = 1;
  DESK_MOVEWIN = -1;
  BOARD_STATE& b = current_board();
  int gesture = DESK_GESTURE;
  int release_hit = hit_test(m.x, m.y);
  if ((gesture == GESTURE_PAN || (gesture == GESTURE_MODALDRAG && DESK_PICK == HIT_EMPTY)) &&
      b.order_count > 0) {
    DESK_PICK = HIT_CASE + b.order[0];
    b.focus = kFocusFront;
  }
  DESK_GESTURE = GESTURE_LUP;
  if (context_menu.is_open()) return;
  if (dialogs.is_open()) {
    dialogs.release(m.x, m.y);
  } else if (rename_box.is_open()) {
    rename_box.release(m.x, m.y);
  } else if (DESK_LINK != LINK_NONE) {
    int source = cases::g_case_desk.link_source.kase;
    if (release_hit >= HIT_CASE) associate(DESK_LINK, source, release_hit - HIT_CASE);
    cases::CaseWidget* w = (source >= 0 && source < kBoardSlots) ? b.widgets[source] : nullptr;
    if (w) w->end_association_mode();
    DESK_LINK = LINK_NONE;
  } else if (DESK_SIGN != SIGN_NONE) {
    // Adding and removing the signs themselves belongs to the map's sign support.
    if (!(m.flags & draw::MOUSE_CTRL)) {
      int slot = cases::g_case_desk.sign_slot;
      cases::CaseWidget* w = (slot >= 0 && slot < kBoardSlots) ? b.widgets[slot] : nullptr;
      if (w) w->end_sign_mode();
      DESK_SIGN = SIGN_NONE;
    }
  } else if (release_hit == HIT_PANEL && !selector.item_drag) {
    selector.release(m.x, m.y);
    *stop = true;
  } else if (selector.item_drag) {
    selector.item_drag = false;
    DESK_PANEL = -1;
  } else {
    // Every case ends its drag; the front-most one gets the click.
    int order[kBoardSlots];
    int n = b.order_count;
    std::memcpy(order, b.order, sizeof(int32_t) * size_t(n));
    for (int i = 0; i < n; ++i)
      if (cases::CaseWidget* w = b.widgets[order[i]]) w->pointer_drag(m, 0, 0, cases::kDragEnd);
    if (DESK_PICK != HIT_EMPTY && b.order_count > 0)
      if (cases::CaseWidget* w = front_widget()) w->pointer_release(m.x, m.y, m.flags);
  }
}

void Desk::right_press(const draw::MOUSEREC& m, bool* stop) {
  BOARD_STATE& b = current_board();
  b.saved_origin_x = b.origin_x;
  b.saved_origin_y = b.origin_y;
  right_x = m.x;
  right_y = m.y;
  right_held = true;
  if (DESK_LINK != LINK_NONE || DESK_SIGN != SIGN_NONE) {
    for (int i = 0; i < b.order_count; ++i)
      if (cases::CaseWidget* w = b.widgets[b.order[i]]) {
        w->end_association_mode();
        w->end_sign_mode();
      }
    DESK_LINK = LINK_NONE;
    DESK_SIGN = SIGN_NONE;
    DESK_GESTURE = GESTURE_RCANCEL;
    *stop = true;
    return;
  }
  left_held = false;
  DESK_GESTURE = GESTURE_RDOWN;
}

void Desk::right_release(const draw::MOUSEREC& m) {
  right_held = false;
  DESK_RIGHT_RELEASED = 1;
  BOARD_STATE& b = current_board();
  int gesture = DESK_GESTURE;
  if (gesture == GESTURE_PEEK)
    pan_board(b.saved_origin_x - b.origin_x, b.saved_origin_y - b.origin_y);
  if (gesture == GESTURE_RCANCEL) {
    DESK_GESTURE = GESTURE_RUP;
    return;
  }
  if (!dialogs.is_open() && !rename_box.is_open()) {
    int target = hit_test(m.x, m.y);
    if (context_menu.is_open() && !context_menu.contains(m.x, m.y)) {
      context_menu.close();
      context_menu.open_at(target, m.x, m.y);
    } else if (!context_menu.is_open() && gesture != GESTURE_PAN && gesture != GESTURE_PEEK) {
      context_menu.open_at(target, m.x, m.y);
    }
  }
  DESK_GESTURE = GESTURE_RUP;
}

bool Desk::over_free_top_bar(int x) const {
  auto between = [x](int lo, int hi) { return lo < x && x < hi; };
  return between(kFreeTopBarLeft, tools_bar.first_left()) ||
         between(tools_bar.last_right() + 40, top_bar.theme_x(0)) ||
         between(top_bar.theme_x(kThemeCount - 1) + TopBar::kSlotWidth, top_bar.lock_x()) ||
         between(top_bar.user_x() + TopBar::kSlotWidth, top_bar.min_x());
}

void Desk::move_window(const draw::MOUSEREC& m) {
  if (++move_events_ % 2 != 0) return;
  if (m.x == last_move_x_ && m.y == last_move_y_) return;
  last_move_x_ = m.x;
  last_move_y_ = m.y;
  draw::HWINDOW h = draw::windowhandle();
  if (!h) return;
  int wx = 0, wy = 0;
  draw::window_position(h, &wx, &wy);
  wx += m.x - left_x;
  wy += m.y - left_y;
  draw::window_move(h, wx, wy);
  shell::g_shell.window_x = wx;
  shell::g_shell.window_y = wy;
}

void Desk::left_drag(const draw::MOUSEREC& m) {
  int gesture = DESK_GESTURE;
  int dx = m.x - left_x, dy = m.y - left_y;
  bool moving = DESK_MOVEWIN == 0;
  if ((hit == HIT_TOPBAR || hit == HIT_STATUSBAR || moving) && gesture != GESTURE_MODALDRAG &&
      gesture != GESTURE_CASEDRAG) {
    if (!moving && hit == HIT_TOPBAR && left_y < top_bar_height() && over_free_top_bar(left_x)) {
      DESK_MOVEWIN = 0;
      move_events_ = 0;
      last_move_x_ = last_move_y_ = -100000;
    }
    if (DESK_MOVEWIN == 0) move_window(m);
    return;
  }
  bool modes = modal_open() || DESK_LINK != LINK_NONE || DESK_SIGN != SIGN_NONE;
  if ((hit != HIT_EMPTY || modes || gesture == GESTURE_CASEDRAG) && !context_menu.is_open()) {
    BOARD_STATE& b = current_board();
    if ((hit == HIT_PANEL || selector.holds_pointer()) && gesture != GESTURE_CASEDRAG) {
      DESK_GESTURE = GESTURE_MODALDRAG;
      selector.drag(m.x, m.y, dx, dy);
    } else if (dialogs.is_open()) {
      DESK_GESTURE = GESTURE_MODALDRAG;
      dialogs.drag(m.x, m.y, dx, dy);
    } else if (!rename_box.is_open()) {
      DESK_GESTURE = GESTURE_CASEDRAG;
      // Front to back; a widget may bring itself to the front, so walk a copy of the order.
      int order[kBoardSlots];
      int n = b.order_count;
      std::memcpy(order, b.order, sizeof(int32_t) * size_t(n));
      for (int i = 0; i < n; ++i) {
        cases::CaseWidget* w = b.widgets[order[i]];
        if (w && w->pointer_drag(m, dx, dy, 1)) break;
      }
    } else {
      rename_box.drag(m.x, m.y, dx, dy);
    }
    left_x = m.x;
    left_y = m.y;
    return;
  }
  DESK_GESTURE = GESTURE_PAN;
  top_menu.open = false;
  if (!rename_box.is_open()) pan_board(dx, dy);
  left_x = m.x;
  left_y = m.y;
}

void Desk::right_drag(const draw::MOUSEREC& m) {
  if (context_menu.is_open()) return;
  DESK_GESTURE = GESTURE_PEEK;
  if (!dialogs.is_open() && !rename_box.is_open()) pan_board(m.x - right_x, m.y - right_y);
  right_x = m.x;
  right_y = m.y;
}

void Desk::wheel(const draw::MOUSEREC& m, bool* stop) {
  DESK_GESTURE = GESTURE_WHEEL;
  int wheel_hit = hit_test(m.x, m.y);
  if (!(m.flags & draw::MOUSE_CTRL)) {
    if (wheel_hit == HIT_PANEL) {
      selector.wheel(m.wheel);
      *stop = true;
      return;
    }
    if (current_board().focus == kFocusNone && m.wheel != 0) {
      wheel_remaining += std::abs(m.wheel);
      wheel_sign = m.wheel > 0 ? 1 : -1;
      wheel_horizontal = (m.flags & draw::MOUSE_SHIFT) != 0;
    }
  }
  if (DESK_PICK != HIT_EMPTY && has_cases())
    if (cases::CaseWidget* w = front_widget()) w->wheel(m.wheel, m.x, m.y, m.flags);
}

// ---- Key handler ----

void Desk::key(int code) {
  if (DESK_MOVEWIN == 0 || DESK_ACCOUNT_PANEL) return;
  if (locked) {
    if (dialogs.is_open()) dialogs.key(code);
    return;
  }
  if (code == kKeyCtrlF1) {
    g_desk_options.fps_readout = g_desk_options.fps_readout ? 0 : 1;
    return;
  }
  if (code == kKeyCtrlR) {
    reset_origin();
    return;
  }
  if (context_menu.is_open()) return context_menu.key(code);
  if (dialogs.is_open()) return dialogs.key(code);
  if (rename_box.is_open()) return rename_box.key(code);
  BOARD_STATE& b = current_board();
  cases::CaseWidget* front = front_widget();
  switch (code) {
    case kKeyEscape:
      if (top_menu.open)
        top_menu.open = false;
      else
        empty_clipboard();
      return;
    case kKeyCtrlU:
      // The sync run belongs to the sync client; the local account never syncs.
      if (front) front->key(code);
      return;
    case kKeyCtrlN:
      if (quick_new_case(g_desk_options.quick_new != 0) == 0 && DESK_DIALOG == kDialogNewCase)
        dialogs.open(kDialogNewCase);
      return;
    case kKeyCtrlX:
      if (b.focus != kFocusNone && front && front->has_selection()) {
        front->key(kKeyCopy);
        front->key(kKeyDeleteSelection);
      }
      return;
    case kKeyCtrlB:
      paste_case(pointer_x, pointer_y);
      return;
    case kKeyCtrlL:
      lock();
      return;
    default:
      if (b.focus != kFocusNone && front) front->key(code);
      return;
  }
}

// ---- Draw step ----

void Desk::draw_wallpaper() {
  if (!g_desk_options.wallpaper || !wallpaper_visible) return;
  int t = top_bar_height();
  if (wallpaper_alpha >= 255) {
    draw::putimage(0, t, wallpaper_);
  } else {
    draw::putimage(0, t, black_strip_);
    draw::putimage_keyblend(canvas, wallpaper_, 0, t, 0, unsigned(wallpaper_alpha));
  }
}

void Desk::draw_notice() {
  if (!notice_visible()) return;
  char text[kNoticeTextSize];
  {
    std::lock_guard<std::mutex> hold(g_notice_lock);
    std::memcpy(text, g_notice_text, sizeof text);
  }
  int n = notice_top();
  draw::linecolor(kTextColor);
  draw::putimage_keyblend(canvas, notice_strip_, 0, n, 0, kNoticeAlpha);
  draw::drawtext(kNoticeTextX, n + 8, text);
}

void Desk::draw_status_line() {
  // The frame-switch thread may be rewriting the records: read them under the lock.
  std::unique_lock<std::recursive_mutex> hold(shell::g_shell.desk_data_lock);
  BOARD_STATE& b = current_board();
  int dir = current_dir(), frame = current_frame();
  char board_name[store::kNameField + 1] = {};
  if (store::FrameRecord* fr = store::frame_record(dir, frame))
    text_field(board_name, sizeof board_name, fr->name, sizeof fr->name);
  int count = store::case_count(dir, frame);
  int n = std::snprintf(status_text, sizeof status_text, "<%s>，共 %d 个 case，白板原点坐标 [%d, %d]",
                        board_name, count, int(b.origin_x), int(b.origin_y));
  if (hit >= HIT_CASE && n > 0 && size_t(n) < sizeof status_text) {
    int slot = hit - HIT_CASE;
    if (store::CaseRecord* rec = store::case_record(dir, frame, slot)) {
      char title[store::kNameField + 1];
      text_field(title, sizeof title, rec->title, sizeof rec->title);
      const store::Stamp& c = rec->own;
      const store::Stamp& s = rec->saved;
      std::snprintf(status_text + n, sizeof status_text - size_t(n),
                    "    |    <%s>, 创建于: %d-%d-%d %d:%02d,  修改: %d-%d-%d %d:%02d", title,
                    c.year, c.month, c.day, c.hour, c.minute, s.year, s.month, s.day, s.hour,
                    s.minute);
    }
  }
  hold.unlock();
  draw::choosefont(-13, 0, "微软雅黑");
  draw::linecolor(kTextColor);
  draw::putimage_keyblend(canvas, status_strip_, 0, status_bar_top(), 0, kStatusAlpha);
  draw::drawtext(10, height - 23, status_text);
  if (g_desk_options.fps_readout) {
    char fps[32];
    std::snprintf(fps, sizeof fps, "FPS: %.1f", draw::measuredfps());
    draw::drawtext(width - 80, height - 23, fps);
  }
}

void Desk::draw_window_frame() {
  draw::linecolor(kFrameColor);
  // Lines leave out their end point: run each one pixel past the corner.
  draw::drawline(0, 0, width, 0);
  draw::drawline(0, 0, 0, height);
  draw::drawline(width - 1, 0, width - 1, height);
  draw::drawline(0, height - 1, width, height - 1);
}

void Desk::draw_lock_screen() {
  std::tm now{};
  store::local_time_now(&now);
  draw::putimage(0, 0, lock_image_);
  draw::linecolor(kTextColor);
  char text[64];
  std::snprintf(text, sizeof text, "%d:%02d", now.tm_hour, now.tm_min);
  draw::choosefont(90, 0, "Consolas");
  draw::drawtext(50, 50, text);
  int year = now.tm_year + 1900, month = now.tm_mon + 1;
  std::snprintf(text, sizeof text, "%d月%d日, %s", month, now.tm_mday,
                kWeekdayNames[weekday(year, month, now.tm_mday) - 1]);
  draw::choosefont(-48, 0, "Consolas");
  draw::drawtext(50, 150, text);
  draw::choosefont(-13, 0, "Consolas");
  static const char kTitle[] = "Wrenfield";
  draw::drawtext(width - draw::textwidthof(kTitle) - 8, height - 22, kTitle);
  if (dialogs.is_open()) dialogs.draw();
  top_bar.draw(true);
}

namespace {
bool released_on_close(const draw::MOUSEREC& m, const TopBar& bar) {
  // The release itself must lie on the close button: a press there and a release elsewhere
  // in the same mouse step does not close.
  return m.kind == draw::MOUSE_UP && (m.flags & draw::MOUSE_LEFT) && DESK_CLOSEARM == -1 &&
         bar.close_x() < m.x && m.x < bar.close_x() + TopBar::kWideButton && 0 < m.y &&
         m.y < TopBar::kButtonHeight;
}
}  // namespace

int Desk::draw() {
  bool ctrl = draw::keydown(kVkControl) != 0;
  draw::drawtarget(canvas);
  if (locked) {
    draw_lock_screen();
    draw::drawtarget(nullptr);
    draw::putimage(0, 0, canvas);
    return released_on_close(last_event, top_bar) ? -1 : 0;
  }
  draw_wallpaper();
  if (g_desk_options.axes) draw_axes();
  draw_cases(ctrl, pointer_x, pointer_y);
  draw::putimage(0, 0, top_strip_);
  draw_notice();
  tools_bar.draw();
  selector.draw(ctrl, hit);
  top_menu.draw();
  top_bar.draw(false);
  draw_status_line();
  if (context_menu.is_open())
    context_menu.draw();
  else if (dialogs.is_open())
    dialogs.draw();
  else if (rename_box.is_open())
    rename_box.draw();
  if (released_on_close(last_event, top_bar)) {
    draw::drawtarget(nullptr);
    return -1;
  }
  loading_progress_step();
  draw_loading_progress();
  if (!dialogs.is_open()) draw_window_frame();
  draw::drawtarget(nullptr);
  draw::putimage(0, 0, canvas);
  return 0;
}

}  // namespace wf::desk
