// The parts the desk owns besides the whiteboard: the tools bar, the top bar with its
// buttons, the top menu and logo, the board selector, the context menu, the rename box and
// the dialog host. Each is an immediate-mode object: every frame it gets the pointer,
// recomputes its button states and acts on the left release.
//
// Here they carry their final interfaces and the geometry the desk's routing and hit test
// depend on; the top bar's close and theme buttons and the tools bar's new and origin
// buttons work, the rest draws the least and acts on nothing yet.
#pragma once
#include <cstdint>

namespace wf::desk {

// Tools bar geometry.
inline constexpr int kToolsButtons = 7;
inline constexpr int kToolsNew = 0, kToolsCapture = 1, kToolsUndo = 2, kToolsRedo = 3,
                     kToolsSync = 4, kToolsWindowSize = 5, kToolsOrigin = 6;

struct Rect {
  int left, top, right, bottom;
  // Strict: a point on the edge is outside.
  bool contains(int x, int y) const { return left < x && x < right && top < y && y < bottom; }
};

class ToolsBar {
 public:
  Rect rect() const;                 // the HIT_TOOLS rectangle of the current mode
  int button_x(int i) const;         // -1 for a button the mode lacks
  int button_y() const;
  int button_size() const;
  int button_count() const;          // 5 normal, 7 lite
  int first_left() const;            // left edge of the first button
  int last_right() const;            // right edge of the last button
  // The pointer, or (-1, -1) outside the rectangle; released: a left release this frame.
  void update(int x, int y, bool released);
  void draw();
  int state[kToolsButtons] = {};
  int hovered = -1;
  int last_action = -1;              // the last button that ran its action
};

// Top bar buttons: five theme slots, lock, user, minimise, maximise / restore, close.
class TopBar {
 public:
  void resize(int width, int height);
  void update(bool left_held, int x, int y, bool released);
  void draw(bool locked);
  int theme_x(int i) const { return width_ - 374 + 25 * i; }
  int lock_x() const { return width_ - 219; }
  int user_x() const { return width_ - 193; }
  int min_x() const { return width_ - 135; }
  int max_x() const { return width_ - 90; }
  int close_x() const { return width_ - 45; }
  static constexpr int kSlotWidth = 26, kButtonHeight = 20, kWideButton = 45;
  void toggle_maximise();
  bool maximised = false;
  int restore_x = 0, restore_y = 0, restore_width = 0, restore_height = 0;
  int close_state = 0;

 private:
  int width_ = 0, height_ = 0;
  int states_[4] = {};  // lock, user, minimise, maximise
};

// The logo at (0, 0) and the menu it opens.
class TopMenu {
 public:
  void update(bool held, int x, int y, bool released);
  void draw();
  bool open = false;
  Rect menu_rect() const;            // (origin) - (origin + 207, origin + 240)
  Rect logo_rect() const;
  int logo_state = 0;
  int hovered = -1;
};

class BoardSelector {
 public:
  void resize(int width, int height);
  bool holds_pointer() const;        // DESK_PANEL != -1
  bool item_drag = false;            // its scroll thumb is being dragged
  bool hit(int x, int y) const;      // header 132 x 30 at (41, 0), and the list when unfolded
  void passive_update(int x, int y);
  void active_update(bool left_held, int x, int y);
  void press(int x, int y);
  void release(int x, int y);
  void drag(int x, int y, int dx, int dy);
  void wheel(int delta);
  void draw(bool ctrl, int hit_target);
  int hovered_row = -1;

 private:
  int width_ = 0, height_ = 0;
};

class ContextMenu {
 public:
  bool is_open() const;              // DESK_MENU == 0
  void open_at(int hit_target, int x, int y);
  void close();
  bool contains(int x, int y) const;
  void update(bool left_held, int x, int y, bool released);
  void key(int code);
  void draw();
  int target = -1;
  int x = 0, y = 0;
  static constexpr int kWidth = 184, kHeight = 11 * 28 + 6;
};

class RenameBox {
 public:
  bool is_open() const;              // DESK_RENAME == 1
  void open_for_case(int slot);
  void close();
  void update(bool left_held, int x, int y);
  void drag(int x, int y, int dx, int dy);
  void release(int x, int y);
  void key(int code);
  void draw();
  int slot = -1;
};

class DialogHost {
 public:
  void resize(int width, int height);
  bool is_open() const;              // DESK_DIALOG != -1
  void open(int number, int argument = 0);  // the opener has set DESK_DIALOG
  void close();
  void update(bool left_held, int x, int y, bool released);
  void drag(int x, int y, int dx, int dy);
  void release(int x, int y);
  void key(int code);
  void draw();
  int number = -1;
  int argument = 0;
  static constexpr int kBoxWidth = 360, kBoxHeight = 165;
  int box_left() const;
  int box_top() const;

 private:
  int width_ = 0, height_ = 0;
};

// Actions of the parts that reach the live desk (desk.cpp).
void run_tool(int button);        // a tools bar button's release action
void run_menu_entry(int entry);   // a top menu entry's action
void choose_theme(int theme);     // background theme: canvas colour, axis colour, settings
void lock_desk();                 // lock and open the unlock dialog
void unlock_desk();

// Dialog numbers the desk opens.
inline constexpr int kDialogNewCase = 2;
inline constexpr int kDialogUnlock = 5;
inline constexpr int kDialogNotice = 11;

}  // namespace wf::desk
