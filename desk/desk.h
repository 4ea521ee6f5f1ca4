// The desk: the main screen after sign-in. One object, built by start-up with the window
// size, that owns the bars, the board selector, the context menu, the rename box and the
// dialog host, and runs the per-frame steps the frame loop calls: update step, mouse step,
// key handler and draw step. It routes every pointer event to the part of the screen that
// owns it and draws the screen back to front into its canvas, then copies it to the page.
//
// Frame loop use, once per frame:
//   desk.update();                  // nonzero: stop (never returned)
//   if (progress() >= 100) desk.mouse();
//   ... keyboard step: desk.key(nextkey()) ...
//   clearimage(desk.canvas);
//   if (desk.draw() == -1) stop;
// Rebuild after a sync: desk.drop_widgets(); reload the store; desk.load_widgets(dir, frame).
// Frame switch thread: desk.busy = 1; desk.store_layout(); desk.load_cases(dir, frame);
//   desk.set_progress_step(49.0f / n); ...; desk.busy = 0.
#pragma once
#include <atomic>
#include <cstdint>

#include "draw/graphics.h"
#include "desk/board.h"
#include "desk/desk_state.h"
#include "desk/parts.h"
#include "desk/skin_table.h"

namespace wf::desk {

inline constexpr int kStatusTextSize = 256;
inline constexpr int kNoticeTextSize = 128;

// The notice strip's text and its visible flag; the frame loop and the sync client write a
// text with set_notice() from any thread.
void set_notice(const char* text);
void hide_notice();
bool notice_visible();

// The download the desk's skin table fetches the pin pictures with; the program sets it to
// the web utilities' file download, tests leave it unset (the built-in pin marks are used).
inline SkinDownload g_pin_download = nullptr;

class Desk {
 public:
  Desk(int width, int height);
  ~Desk();
  Desk(const Desk&) = delete;
  Desk& operator=(const Desk&) = delete;

  // The frame-loop steps.
  int update();          // 0 always
  void mouse();          // drains the mouse queue
  void key(int code);    // one code from nextkey()
  int draw();            // 0, or -1 when the window is to close
  void resize(int width, int height);

  // Whiteboard operations used by the rebuild and the frame switch.
  void drop_widgets();                         // all widgets of the shown whiteboard
  int load_widgets(int dir, int frame);        // the cases of (dir, frame) into widgets
  int load_cases(int dir, int frame);          // records only; the loading progress makes widgets
  int store_layout();                          // the shown whiteboard's layout into its records
  void set_progress_step(float step);          // per-case load progress step
  int autosave();                              // the auto-save pass over the shown widgets

  // The shown whiteboard (its widgets are board().widgets[slot] for slot < board().case_count).
  BOARD_STATE& board();

  // The hit target of a point (strict edges).
  int hit_test(int x, int y);
  int top_bar_height() const;

  // Locks the desk and opens the unlock dialog; unlock() is called by that dialog.
  void lock();
  void unlock();

  draw::PIMAGE canvas = nullptr;               // the off-screen image, W x H
  char status_text[kStatusTextSize] = {};      // the frame loop may overwrite it
  std::atomic<int32_t> busy{0};                // a frame switch is running
  int width = 0, height = 0;

  // Owned parts.
  TopBar top_bar;
  TopMenu top_menu;
  ToolsBar tools_bar;
  BoardSelector selector;
  ContextMenu context_menu;
  RenameBox rename_box;
  DialogHost dialogs;

  // Pointer state of the mouse step (read by tests and the parts).
  draw::MOUSEREC last_event{};
  int hit = HIT_EMPTY;
  bool left_held = false, right_held = false;
  int left_x = 0, left_y = 0;                  // left press position, follows drags
  int right_x = 0, right_y = 0;
  int pointer_x = 0, pointer_y = 0;
  int wheel_remaining = 0;
  double wheel_step = 1.0;
  int wheel_sign = 1;
  bool wheel_horizontal = false;
  bool wallpaper_visible = false;
  int wallpaper_alpha = 0;
  bool locked = false;

 private:
  void layout(int width, int height);
  void drop_images();
  void apply_theme();
  void update_wallpaper();
  void update_pointer();
  void case_hover();
  void smooth_wheel();
  void handle_event(const draw::MOUSEREC& m, bool* stop);
  void left_press(const draw::MOUSEREC& m, bool* stop);
  void left_release(const draw::MOUSEREC& m, bool* stop);
  void right_press(const draw::MOUSEREC& m, bool* stop);
  void right_release(const draw::MOUSEREC& m);
  void left_drag(const draw::MOUSEREC& m);
  void right_drag(const draw::MOUSEREC& m);
  void wheel(const draw::MOUSEREC& m, bool* stop);
  void move_window(const draw::MOUSEREC& m);
  bool over_free_top_bar(int x) const;
  void draw_lock_screen();
  void draw_wallpaper();
  void draw_notice();
  void draw_status_line();
  void draw_window_frame();
  bool modal_open() const;

  draw::PIMAGE top_strip_ = nullptr;
  draw::PIMAGE wallpaper_ = nullptr;      // stretched wallpaper strip
  draw::PIMAGE wallpaper_source_ = nullptr;
  draw::PIMAGE black_strip_ = nullptr;
  draw::PIMAGE status_strip_ = nullptr;
  draw::PIMAGE notice_strip_ = nullptr;
  draw::PIMAGE lock_image_ = nullptr;
  int move_events_ = 0;
  int last_move_x_ = 0, last_move_y_ = 0;
};

// The weekday of a date, 1 = Monday ... 7 = Sunday.
int weekday(int year, int month, int day);
extern const char* const kWeekdayNames[7];

}  // namespace wf::desk
