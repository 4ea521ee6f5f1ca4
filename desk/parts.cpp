// The desk's parts: tools bar, top bar, top menu and logo, board selector, context menu,
// rename box and dialog host (see parts.h). Their geometry and routing are final; most
// actions and all the artwork come with their own parts later, so they draw plain shapes.
#include "desk/parts.h"

#include <algorithm>
#include <cstdio>

#include "desk/board.h"
#include "desk/desk_state.h"
#include "draw/graphics.h"
#include "shell/globals.h"
#include "store/datastore.h"

namespace wf::desk {

namespace {

constexpr draw::color_t kButtonColor[3] = {0x2A282C, 0x3C3A40, 0x55525A};
constexpr draw::color_t kCloseHover = 0xC42B1C;
constexpr draw::color_t kPanelColor = 0x201E22;
constexpr draw::color_t kPanelText = 0xFCFCFC;
constexpr draw::color_t kPanelMark = 0x007ACC;
constexpr int kMenuWidth = 207;
constexpr int kMenuEntry = 48;
constexpr int kMenuEntries = 5;

void button_box(int x, int y, int w, int h, int state) {
  draw::fillcolor(kButtonColor[std::clamp(state, 0, 2)]);
  draw::fillrect(x, y, x + w, y + h);
}

bool lite() { return g_desk_options.lite != 0; }

}  // namespace

// ---- Tools bar ----

Rect ToolsBar::rect() const { return lite() ? Rect{259, 0, 479, 30} : Rect{760, 8, 1166, 83}; }

int ToolsBar::button_count() const { return lite() ? 7 : 5; }
int ToolsBar::button_size() const { return lite() ? 30 : 48; }
int ToolsBar::button_y() const { return lite() ? 0 : 8; }

int ToolsBar::button_x(int i) const {
  static constexpr int kNormal[kToolsButtons] = {760, 818, 876, 934, 992, -1, -1};
  static constexpr int kLite[kToolsButtons] = {259, 289, 319, 349, 379, 419, 449};
  if (i < 0 || i >= kToolsButtons) return -1;
  return lite() ? kLite[i] : kNormal[i];
}

int ToolsBar::first_left() const { return button_x(0); }
int ToolsBar::last_right() const { return button_x(button_count() - 1) + button_size(); }

void ToolsBar::update(int x, int y, bool released) {
  for (int& s : state) s = 0;
  hovered = -1;
  int top = button_y(), size = button_size();
  if (!(top < y && y < top + size)) return;
  for (int i = 0; i < button_count(); ++i) {
    int bx = button_x(i);
    if (!(bx < x && x < bx + size)) continue;
    if (released) {
      last_action = i;
      run_tool(i);
    } else {
      state[i] = 1;
      hovered = i;
    }
    return;
  }
}

void ToolsBar::draw() {
  int size = button_size();
  for (int i = 0; i < button_count(); ++i) button_box(button_x(i), button_y(), size, size, state[i]);
}

// ---- Top bar ----

void TopBar::resize(int width, int height) {
  width_ = width;
  height_ = height;
}

void TopBar::update(bool left_held, int x, int y, bool released) {
  close_state = 0;
  for (int& s : states_) s = 0;
  bool locked = DESK_LOCKED != 0;
  auto over = [&](int bx, int w) { return bx < x && x < bx + w && 0 < y && y < kButtonHeight; };
  if (over(close_x(), kWideButton)) {
    close_state = left_held ? 2 : 1;
    DESK_CLOSEARM = -1;
    return;
  }
  DESK_CLOSEARM = 0;
  if (!locked) {
    for (int i = 0; i < kThemeCount; ++i)
      if (over(theme_x(i), kSlotWidth) && released) choose_theme(i);
    if (over(lock_x(), kSlotWidth)) {
      states_[0] = left_held ? 2 : 1;
      if (released) lock_desk();
    }
    if (over(user_x(), kSlotWidth)) states_[1] = left_held ? 2 : 1;
  }
  if (over(min_x(), kWideButton)) {
    states_[2] = left_held ? 2 : 1;
    if (released && draw::windowhandle()) draw::window_minimise(draw::windowhandle());
  }
  if (over(max_x(), kWideButton)) {
    states_[3] = left_held ? 2 : 1;
    if (released) toggle_maximise();
  }
}

void TopBar::toggle_maximise() {
  int wa = 0, ha = 0;
  draw::desktop_workarea(&wa, &ha);
  if (maximised) {
    shell::g_shell.requested_width = restore_width > 0 ? restore_width : wa;
    shell::g_shell.requested_height = restore_height > 0 ? restore_height : ha;
    shell::g_shell.window_x = restore_x;
    shell::g_shell.window_y = restore_y;
    shell::g_shell.placement_mode = -1;
  } else {
    if (draw::windowhandle()) {
      int wx = 0, wy = 0;
      draw::window_position(draw::windowhandle(), &wx, &wy);
      restore_x = wx;
      restore_y = wy;
    }
    shell::g_shell.requested_width = wa;
    shell::g_shell.requested_height = ha;
    shell::g_shell.placement_mode = 0;
  }
  maximised = !maximised;
  shell::g_shell.run_state = shell::RUN_RESIZE;
}

void TopBar::draw(bool locked) {
  if (!locked) {
    int chosen = std::clamp(int(g_desk_options.theme), 0, kThemeCount - 1);
    for (int i = 0; i < kThemeCount; ++i) {
      draw::fillcolor(kThemeBackground[i]);
      int inset = i == chosen ? 2 : 5;
      draw::fillrect(theme_x(i) + inset, inset, theme_x(i) + kSlotWidth - inset,
                     kButtonHeight - inset + 2);
    }
    button_box(lock_x(), 0, kSlotWidth, kButtonHeight, states_[0]);
    button_box(user_x(), 0, kSlotWidth, kButtonHeight, states_[1]);
  }
  button_box(min_x(), 0, kWideButton, kButtonHeight, states_[2]);
  button_box(max_x(), 0, kWideButton, kButtonHeight, states_[3]);
  if (close_state) {
    draw::fillcolor(kCloseHover);
    draw::fillrect(close_x(), 0, close_x() + kWideButton, kButtonHeight);
  }
  draw::linecolor(0xFCFCFC);
  int cx = close_x() + kWideButton / 2, cy = kButtonHeight / 2;
  draw::drawline(cx - 5, cy - 5, cx + 5, cy + 5);
  draw::drawline(cx - 5, cy + 5, cx + 5, cy - 5);
}

// ---- Top menu and logo ----

Rect TopMenu::logo_rect() const { return lite() ? Rect{0, 0, 37, 30} : Rect{0, 0, 207, 63}; }

Rect TopMenu::menu_rect() const {
  int top = top_bar_height();
  return Rect{8, top, 8 + kMenuWidth, top + kMenuEntry * kMenuEntries};
}

void TopMenu::update(bool held, int x, int y, bool released) {
  logo_state = 0;
  hovered = -1;
  Rect logo = logo_rect();
  Rect menu = menu_rect();
  if (released) {
    if (logo.contains(x, y)) {
      open = true;
      logo_state = 2;
      return;
    }
    if (open && menu.contains(x, y)) {
      int entry = (y - menu.top) / kMenuEntry;
      DESK_LEFT_RELEASED = 0;
      run_menu_entry(entry);
    }
    open = false;
    return;
  }
  if (open && menu.contains(x, y)) hovered = (y - menu.top) / kMenuEntry;
  if (!held && logo.contains(x, y)) logo_state = 1;
}

void TopMenu::draw() {
  Rect logo = logo_rect();
  draw::fillcolor(logo_state ? 0x2A282C : 0x161418);
  draw::fillrect(logo.left, logo.top, logo.right, logo.bottom);
  draw::choosefont(lite() ? -14 : -22, 0, "微软雅黑");
  draw::linecolor(0xFCFCFC);
  draw::drawtext(lite() ? 6 : 20, lite() ? 6 : 18, lite() ? "W" : "Wrenfield");
  if (!open) return;
  static const char* const kLabels[kMenuEntries] = {"选项", "更新", "Wrenfield百科", "吐槽我",
                                                   "关于"};
  Rect menu = menu_rect();
  draw::choosefont(16, 7, "Consolas");
  for (int i = 0; i < kMenuEntries; ++i) {
    int top = menu.top + kMenuEntry * i;
    draw::fillcolor(i == hovered ? 0x3C3A40 : kPanelColor);
    draw::fillrect(menu.left, top, menu.right, top + kMenuEntry);
    draw::drawtext(menu.left + 64, top + 16, kLabels[i]);
  }
}

// ---- Board selector ----

void BoardSelector::resize(int width, int height) {
  width_ = width;
  height_ = height;
}

bool BoardSelector::holds_pointer() const { return DESK_PANEL != -1; }

bool BoardSelector::hit(int x, int y) const {
  if (Rect{41, 0, 41 + 132, 30}.contains(x, y)) return true;
  if (g_desk_options.selector_unfolded && Rect{0, 30, 244, 30 + height_ - 57}.contains(x, y))
    return true;
  return false;
}

void BoardSelector::passive_update(int x, int y) {
  hovered_row = -1;
  if (!g_desk_options.selector_unfolded) return;
  if (Rect{0, 63, 233, 30 + height_ - 57}.contains(x, y)) hovered_row = (y - 63) / 35;
}

void BoardSelector::active_update(bool, int x, int y) { passive_update(x, y); }

void BoardSelector::press(int, int) {}

void BoardSelector::release(int x, int y) {
  // The fold button.
  if (Rect{41, 0, 41 + 96, 30}.contains(x, y))
    g_desk_options.selector_unfolded = g_desk_options.selector_unfolded ? 0 : 1;
}

void BoardSelector::drag(int, int, int, int) {}
void BoardSelector::wheel(int) {}

void BoardSelector::draw(bool, int) {
  button_box(41, 0, 96, 30, 0);
  button_box(137, 0, 32, 30, 0);
  draw::linecolor(kPanelText);
  draw::choosefont(-13, 0, "微软雅黑");
  int dir = current_dir();
  store::FrameRecord* shown = store::frame_record(dir, current_frame());
  draw::drawtext(49, 8, shown ? shown->name : "");
  draw::drawtext(149, 6, "+");
  if (!g_desk_options.selector_unfolded) return;
  int frames = store::frame_count(dir);
  int rows = std::max(0, (height_ - 92) / 35);
  for (int j = 0; j < frames && j < rows; ++j) {
    store::FrameRecord* fr = store::frame_record(dir, j);
    int top = 63 + 35 * j;
    if (j == current_frame()) {
      draw::fillcolor(kPanelMark);
      draw::fillrect(0, top, 4, top + 35);
    }
    draw::drawtext(20, top + 8, fr ? fr->name : "");
  }
}

// ---- Context menu ----

bool ContextMenu::is_open() const { return DESK_MENU == 0; }

void ContextMenu::open_at(int hit_target, int px, int py) {
  target = hit_target;
  x = px;
  y = py;
  set_new_case_position(px, py);
  DESK_MENU = 0;
}

void ContextMenu::close() { DESK_MENU = -1; }

bool ContextMenu::contains(int px, int py) const {
  return Rect{x, y, x + kWidth, y + kHeight}.contains(px, py);
}

void ContextMenu::update(bool, int px, int py, bool released) {
  if (released && !contains(px, py)) close();
}

void ContextMenu::key(int code) {
  if (code == 27) close();
}

void ContextMenu::draw() {
  draw::fillcolor(kPanelColor);
  draw::fillrect(x, y, x + kWidth, y + kHeight);
}

// ---- Rename box ----

bool RenameBox::is_open() const { return DESK_RENAME == 1; }

void RenameBox::open_for_case(int case_slot) {
  slot = case_slot;
  DESK_RENAME = 1;
}

void RenameBox::close() {
  slot = -1;
  DESK_RENAME = 0;
}

void RenameBox::update(bool, int, int) {}
void RenameBox::drag(int, int, int, int) {}
void RenameBox::release(int, int) {}

void RenameBox::key(int code) {
  if (code == 27 || code == 13) close();
}

void RenameBox::draw() {}

// ---- Dialog host ----

void DialogHost::resize(int width, int height) {
  width_ = width;
  height_ = height;
}

bool DialogHost::is_open() const { return DESK_DIALOG != -1; }

void DialogHost::open(int dialog, int arg) {
  number = dialog;
  argument = arg;
  DESK_DIALOG = dialog;
  if (dialog == kDialogNewCase) {
    // Until the new-case dialog exists its commit is the quick creation.
    close();
    new_case("", kNewCaseKindCode, int(draw::randbelow(10)));
  }
}

void DialogHost::close() {
  number = -1;
  DESK_DIALOG = -1;
  DESK_DIALOG_OPEN = 0;
}

void DialogHost::update(bool, int, int, bool) {}
void DialogHost::drag(int, int, int, int) {}

void DialogHost::release(int x, int y) {
  if (!Rect{box_left(), box_top(), box_left() + kBoxWidth, box_top() + kBoxHeight}.contains(x, y))
    return;
  if (number == kDialogUnlock) unlock_desk();
  close();
}

void DialogHost::key(int code) {
  if (code == 13 && number == kDialogUnlock) unlock_desk();
  if (code == 13 || (code == 27 && number != kDialogUnlock)) close();
}

int DialogHost::box_left() const { return (width_ - kBoxWidth) / 2; }
int DialogHost::box_top() const { return (height_ - kBoxHeight) / 2; }

void DialogHost::draw() {
  int l = box_left(), t = box_top();
  draw::fillcolor(kPanelColor);
  draw::fillrect(l, t, l + kBoxWidth, t + kBoxHeight);
  draw::linecolor(kPanelText);
  draw::choosefont(-13, 0, "微软雅黑");
  char text[64];
  std::snprintf(text, sizeof text, number == kDialogUnlock ? "Enter" : "#%d", number);
  draw::drawtext(l + 20, t + 20, text);
}

}  // namespace wf::desk
