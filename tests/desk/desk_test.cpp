// The desk driven as the frame loop drives it, on the headless backend with scripted
// pointer and key input: hit targets and their strict edges, smooth wheel panning, the
// right-drag peek, origin reset, the night wallpaper fade, the close button, the lock
// screen's weekday and the status line.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cases/case_widget.h"
#include "tests/desk/desk_harness.h"

namespace wf::desk {
namespace {

using draw::inject_mouse;
using draw::MOUSE_DOWN;
using draw::MOUSE_LEFT;
using draw::MOUSE_MOVE;
using draw::MOUSE_RIGHT;
using draw::MOUSE_UP;
using draw::MOUSE_WHEEL;

class DeskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::g_test_time.tm_hour = 12;
    testing::g_test_time.tm_min = 30;
    h.start();
    h.open_desk();
  }
  void TearDown() override { h.stop(); }

  // A post at screen position (x, y) (the first case of a board lands at the centre and is
  // moved there).
  cases::CaseWidget* add_case(int x, int y, const char* title = "") {
    return testing::add_post_at(x, y, title, 0);
  }
  uint32_t canvas_pixel(int x, int y) {
    return draw::imagebuffer(h.desk->canvas)[size_t(y) * size_t(h.desk->width) + size_t(x)] &
           0xFFFFFF;
  }

  testing::DeskHarness h;
};

TEST_F(DeskTest, HitTargetsHaveStrictEdges) {
  cases::CaseWidget* w = add_case(600, 400);
  ASSERT_NE(w, nullptr);
  int t = h.desk->top_bar_height();
  int s = status_bar_top();
  int left = w->x(), top = w->y(), right = w->x() + w->width(), bottom = w->y() + w->height();
  struct Case {
    int x, y, want;
  } table[] = {
      {700, t - 1, HIT_TOPBAR},         {700, t + 5, HIT_EMPTY},
      {700, s, HIT_STATUSBAR},          {700, s - 1, HIT_EMPTY},
      {left, top + 50, HIT_EMPTY},      {left + 1, top + 50, HIT_CASE + w->slot()},
      {right, top + 50, HIT_EMPTY},     {right - 1, top + 50, HIT_CASE + w->slot()},
      {left + 50, bottom, HIT_EMPTY},   {left + 50, bottom - 1, HIT_CASE + w->slot()},
      {41, 1, HIT_TOPBAR},              {41 + 1, 1, HIT_PANEL},
  };
  for (const Case& c : table)
    EXPECT_EQ(h.desk->hit_test(c.x, c.y), c.want) << "at " << c.x << ", " << c.y;
}

TEST_F(DeskTest, DrawStepLayersBoardCasesBarsAndFrame) {
  cases::CaseWidget* w = add_case(600, 400);
  ASSERT_NE(w, nullptr);
  h.frames(2);
  int t = h.desk->top_bar_height();
  EXPECT_EQ(canvas_pixel(300, t + 300), kThemeBackground[g_desk_options.theme]);
  EXPECT_EQ(canvas_pixel(w->x() + 50, w->y() + 100), cases::case_colors(0).body);
  EXPECT_EQ(canvas_pixel(w->x() + 50, w->y() + 10), cases::case_colors(0).bar);
  EXPECT_EQ(canvas_pixel(600, 5), 0x161418u) << "top bar";
  EXPECT_EQ(canvas_pixel(0, 500), 0x5C5A58u) << "window frame";
  EXPECT_EQ(canvas_pixel(1919, 1039), 0x5C5A58u);

  // A case scrolled under the top bar is covered by it.
  pan_board(0, -(w->y() + 100));
  h.frame();
  EXPECT_EQ(canvas_pixel(w->x() + 50, 5), 0x161418u);
}

TEST_F(DeskTest, OneWheelNotchPans156OverSixFramesAndASecondNotchAdds) {
  BOARD_STATE& b = current_board();
  inject_mouse(MOUSE_WHEEL, 900, 600, 0, 120);
  h.frame();  // the mouse step takes the notch
  int steps[8];
  int before = b.origin_y;
  for (int& step : steps) {
    h.frame();
    step = b.origin_y - before;
    before = b.origin_y;
  }
  EXPECT_EQ((std::vector<int>(steps, steps + 8)), (std::vector<int>{1, 11, 21, 31, 41, 51, 0, 0}));
  EXPECT_EQ(b.origin_y, 156);
  EXPECT_EQ(b.origin_x, 0);

  // A second notch while the first is running adds 120 more; the steps keep growing.
  inject_mouse(MOUSE_WHEEL, 900, 600, 0, -120);
  h.frame();
  h.frame();  // -1
  h.frame();  // -11
  inject_mouse(MOUSE_WHEEL, 900, 600, 0, -120);
  std::vector<int> more;
  before = b.origin_y;
  for (int i = 0; i < 8; ++i) {
    h.frame();
    more.push_back(before - b.origin_y);
    before = b.origin_y;
  }
  EXPECT_EQ(more, (std::vector<int>{21, 31, 41, 51, 61, 71, 0, 0}));
}

TEST_F(DeskTest, RightDragPeeksAndComesBack) {
  cases::CaseWidget* w = add_case(600, 400);
  ASSERT_NE(w, nullptr);
  BOARD_STATE& b = current_board();
  int x0 = w->x(), y0 = w->y();
  inject_mouse(MOUSE_MOVE, 200, 900);
  inject_mouse(MOUSE_DOWN, 200, 900, MOUSE_RIGHT);
  inject_mouse(MOUSE_MOVE, 300, 850);
  inject_mouse(MOUSE_MOVE, 350, 800);
  h.frame();
  EXPECT_EQ(DESK_GESTURE, GESTURE_PEEK);
  EXPECT_EQ(b.origin_x, 150);
  EXPECT_EQ(b.origin_y, -100);
  EXPECT_EQ(w->x(), x0 + 150);
  inject_mouse(MOUSE_UP, 350, 800, MOUSE_RIGHT);
  h.frame();
  EXPECT_EQ(b.origin_x, 0);
  EXPECT_EQ(b.origin_y, 0);
  EXPECT_EQ(w->x(), x0);
  EXPECT_EQ(w->y(), y0);
  EXPECT_EQ(DESK_MENU, -1) << "a peek opens no context menu";

  // A right click without a drag opens the menu; a release outside reopens it there.
  inject_mouse(MOUSE_DOWN, 200, 900, MOUSE_RIGHT);
  inject_mouse(MOUSE_UP, 200, 900, MOUSE_RIGHT);
  h.frame();
  EXPECT_EQ(DESK_MENU, 0);
  inject_mouse(MOUSE_DOWN, 1500, 300, MOUSE_RIGHT);
  inject_mouse(MOUSE_UP, 1500, 300, MOUSE_RIGHT);
  h.frame();
  EXPECT_EQ(DESK_MENU, 0);
  EXPECT_EQ(h.desk->context_menu.x, 1500);
}

TEST_F(DeskTest, LeftDragOnTheEmptyBoardPansAndCtrlRResets) {
  cases::CaseWidget* w = add_case(600, 400);
  ASSERT_NE(w, nullptr);
  w->clear_modified();
  BOARD_STATE& b = current_board();

  h.desk->key(18);  // Ctrl+R at (0, 0): nothing moves, nothing is marked changed
  EXPECT_EQ(b.origin_x, 0);
  EXPECT_EQ(w->x(), 600);
  EXPECT_EQ(w->modified(), 0);

  inject_mouse(MOUSE_MOVE, 100, 900);
  h.frame();
  inject_mouse(MOUSE_DOWN, 100, 900, MOUSE_LEFT);
  inject_mouse(MOUSE_MOVE, 130, 880);
  inject_mouse(MOUSE_MOVE, 170, 860);
  inject_mouse(MOUSE_UP, 170, 860, MOUSE_LEFT);
  h.frame();
  EXPECT_EQ(b.origin_x, 70);
  EXPECT_EQ(b.origin_y, -40);
  EXPECT_EQ(w->x(), 670);

  h.desk->key(18);
  EXPECT_EQ(b.origin_x, 0);
  EXPECT_EQ(b.origin_y, 0);
  EXPECT_EQ(w->x(), 600);
}

TEST_F(DeskTest, StarsFadeInFromEightPmAndVanishAtSix) {
  ASSERT_TRUE(g_desk_options.wallpaper);  // a new account has the night wallpaper on
  int t = h.desk->top_bar_height();
  testing::g_test_time.tm_hour = 19;
  testing::g_test_time.tm_min = 59;
  h.frames(3);
  EXPECT_FALSE(h.desk->wallpaper_visible);
  EXPECT_EQ(h.desk->wallpaper_alpha, 0);
  uint32_t board = canvas_pixel(300, t + 300);
  EXPECT_EQ(board, kThemeBackground[g_desk_options.theme]);

  testing::g_test_time.tm_hour = 20;
  testing::g_test_time.tm_min = 0;
  h.frames(100);
  EXPECT_TRUE(h.desk->wallpaper_visible);
  EXPECT_EQ(h.desk->wallpaper_alpha, 100);
  h.frames(155);
  EXPECT_EQ(h.desk->wallpaper_alpha, 255);
  h.frames(10);
  EXPECT_EQ(h.desk->wallpaper_alpha, 255);
  // Without the star picture the wallpaper is the black strip: the board is covered.
  EXPECT_EQ(canvas_pixel(300, t + 300), 0u);

  testing::g_test_time.tm_hour = 6;
  h.frame();
  EXPECT_FALSE(h.desk->wallpaper_visible);
  EXPECT_EQ(h.desk->wallpaper_alpha, 0);
  EXPECT_EQ(canvas_pixel(300, t + 300), board);
}

TEST_F(DeskTest, CloseButtonClosesOnlyOnPressAndReleaseThere) {
  int cx = h.desk->top_bar.close_x() + 20;
  inject_mouse(MOUSE_MOVE, cx, 10);
  EXPECT_EQ(h.frame(), 0);
  inject_mouse(MOUSE_DOWN, cx, 10, MOUSE_LEFT);
  inject_mouse(MOUSE_MOVE, 900, 500);
  inject_mouse(MOUSE_UP, 900, 500, MOUSE_LEFT);
  EXPECT_EQ(h.frame(), 0) << "pressed on close, released elsewhere";
  EXPECT_EQ(h.frame(), 0);

  inject_mouse(MOUSE_MOVE, cx, 10);
  h.frame();
  inject_mouse(MOUSE_DOWN, cx, 10, MOUSE_LEFT);
  inject_mouse(MOUSE_UP, cx, 10, MOUSE_LEFT);
  EXPECT_EQ(h.frame(), -1);
}

TEST_F(DeskTest, LockScreenTakesOnlyTheUnlockDialog) {
  add_case(600, 400);
  h.desk->key(12);  // Ctrl+L
  EXPECT_TRUE(h.desk->locked);
  EXPECT_EQ(DESK_DIALOG, kDialogUnlock);
  h.desk->key(18);  // ignored while locked
  h.desk->key(27);  // the unlock dialog does not close on Esc
  EXPECT_TRUE(h.desk->locked);
  h.frame();
  EXPECT_EQ(canvas_pixel(600, 900), 0x161418u) << "the lock screen covers the board";
  h.desk->key(13);
  EXPECT_FALSE(h.desk->locked);
  EXPECT_EQ(DESK_DIALOG, -1);
}

TEST_F(DeskTest, ResizeRebuildsTheImagesForTheNewSize) {
  cases::CaseWidget* w = add_case(300, 200);
  ASSERT_NE(w, nullptr);
  h.desk->resize(1280, 720);
  EXPECT_EQ(draw::imagewidth(h.desk->canvas), 1280);
  EXPECT_EQ(draw::imageheight(h.desk->canvas), 720);
  EXPECT_EQ(status_bar_top(), 720 - 27);
  h.frame();
  uint32_t status = canvas_pixel(640, 700);  // the bar colour blended at 239 over the board
  EXPECT_LT(status >> 16, 0x30u) << "status strip at the new bottom";
  EXPECT_LT(status & 0xFF, 0x30u);
  EXPECT_EQ(canvas_pixel(1279, 400), 0x5C5A58u) << "window frame at the new right edge";
  EXPECT_EQ(canvas_pixel(w->x() + 50, w->y() + 100), cases::case_colors(0).body);
  EXPECT_EQ(h.desk->hit_test(640, 694), HIT_STATUSBAR);
}

TEST_F(DeskTest, DragOnAFreePartOfTheTopBarMovesTheWindow) {
  draw::HWINDOW win = draw::windowhandle();
  ASSERT_NE(win, nullptr);
  draw::window_move(win, 100, 100);
  inject_mouse(MOUSE_MOVE, 200, 10);
  h.frame();
  inject_mouse(MOUSE_DOWN, 200, 10, MOUSE_LEFT);
  for (int i = 1; i <= 4; ++i) inject_mouse(MOUSE_MOVE, 200 + 10 * i, 10 + 5 * i);
  h.frame();
  EXPECT_EQ(DESK_MOVEWIN, 0);
  h.desk->key(18);  // keys are ignored while the window moves
  int x = 0, y = 0;
  draw::window_position(win, &x, &y);
  EXPECT_GT(x, 100);
  EXPECT_GT(y, 100);
  inject_mouse(MOUSE_UP, 240, 30, MOUSE_LEFT);
  h.frame();
  EXPECT_EQ(DESK_MOVEWIN, -1);

  // A drag that starts on a button of the top bar does not move the window.
  draw::window_position(win, &x, &y);
  int bx = h.desk->top_bar.lock_x() + 5;
  inject_mouse(MOUSE_MOVE, bx, 10);
  h.frame();
  inject_mouse(MOUSE_DOWN, bx, 10, MOUSE_LEFT);
  inject_mouse(MOUSE_MOVE, bx - 40, 12);
  inject_mouse(MOUSE_MOVE, bx - 80, 14);
  inject_mouse(MOUSE_UP, bx - 80, 14, MOUSE_LEFT);
  h.frame();
  int x2 = 0, y2 = 0;
  draw::window_position(win, &x2, &y2);
  EXPECT_EQ(x2, x);
  EXPECT_EQ(y2, y);
}

TEST(Weekday, FollowsTheCalendar) {
  struct Case {
    int y, m, d, want;
  } table[] = {{2026, 12, 11, 5}, {2024, 2, 29, 4}, {2000, 1, 1, 6},
               {2023, 1, 1, 7},   {2024, 3, 4, 1},  {1999, 12, 31, 5}};
  for (const Case& c : table) EXPECT_EQ(weekday(c.y, c.m, c.d), c.want) << c.y << "-" << c.m << "-" << c.d;
}

TEST_F(DeskTest, StatusLineNamesTheBoardAndTheCaseUnderThePointer) {
  cases::CaseWidget* w = add_case(600, 400, "note");
  ASSERT_NE(w, nullptr);
  inject_mouse(MOUSE_MOVE, 100, 900);
  h.frame();
  h.frame();
  EXPECT_STREQ(h.desk->status_text, "<我的白板>，共 1 个 case，白板原点坐标 [0, 0]");
  inject_mouse(MOUSE_MOVE, 700, 500);
  h.frame();
  h.frame();
  EXPECT_EQ(std::strncmp(h.desk->status_text, "<我的白板>，共 1 个 case，白板原点坐标 [0, 0]    |    <note>, 创建于: 2026-12-11 12:30,  修改: ",
                         std::strlen("<我的白板>，共 1 个 case，白板原点坐标 [0, 0]    |    <note>, 创建于: 2026-12-11 12:30,  修改: ")),
            0)
      << h.desk->status_text;
}

}  // namespace
}  // namespace wf::desk
