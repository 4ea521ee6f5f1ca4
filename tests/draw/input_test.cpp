// The window side on the headless backend: initgraph's first and later calls, the mouse and
// key queues with their filtering rules, keydown, close handling, frame pacing on the
// virtual clock, the window facts, and the random numbers.
#include "draw_fixture.h"

namespace wf::draw::testing {
namespace {

using InputTest = Headless;

std::vector<MOUSEREC> drain_mouse() {
  std::vector<MOUSEREC> out;
  while (mousepending()) out.push_back(nextmouse());
  return out;
}

TEST_F(InputTest, InitgraphFirstAndLaterCalls) {
  int x, y;
  lastmousepos(&x, &y);
  EXPECT_EQ(x, 32);
  EXPECT_EQ(y, 24);
  EXPECT_TRUE(windowopen());
  backcolor(0x0000FF);
  linecolor(0x123456);
  fillcolor(0xFFFFFF);
  fillrect(0, 0, 10, 10);
  inject_mouse(MOUSE_MOVE, 5, 5);
  inject_keydown(40);
  initgraph(30, 20);
  EXPECT_EQ(imagewidth(), 30);
  EXPECT_EQ(imageheight(), 20);
  EXPECT_EQ(pixels_of(nullptr), std::vector<uint32_t>(600, 0x0000FF));  // refilled
  EXPECT_EQ(getlinecolor(), 0x123456u);                                 // state kept
  EXPECT_FALSE(mousepending());
  EXPECT_FALSE(keypending());
  fillrect(0, 0, 100, 100);  // the clip follows the new size
  EXPECT_EQ(imagebuffer()[599], 0xFFFFFFu);
}

TEST_F(InputTest, MouseRecords) {
  inject_mouse(MOUSE_DOWN, 10, 11, MOUSE_LEFT | MOUSE_SHIFT);
  inject_mouse(MOUSE_MOVE, 12, 13, MOUSE_LEFT | MOUSE_CTRL);  // moves carry no buttons
  inject_mouse(MOUSE_UP, 12, 13, MOUSE_LEFT);
  inject_mouse(MOUSE_MOVE, 12, 13);  // same place as the button-up: dropped
  inject_mouse(MOUSE_WHEEL, 1, 2, 0, -240);
  inject_mouse(MOUSE_DOWN, -3, 70000, MOUSE_RIGHT);  // 16-bit coordinates, sign-extended
  auto m = drain_mouse();
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[0].kind, MOUSE_DOWN);
  EXPECT_EQ(m[0].flags, MOUSE_LEFT | MOUSE_SHIFT);
  EXPECT_EQ(m[1].kind, MOUSE_MOVE);
  EXPECT_EQ(m[1].flags, MOUSE_CTRL);
  EXPECT_EQ(m[2].kind, MOUSE_UP);
  EXPECT_EQ(m[2].flags, MOUSE_LEFT);
  EXPECT_EQ(m[3].kind, MOUSE_WHEEL);
  EXPECT_EQ(m[3].wheel, -240);
  EXPECT_EQ(m[4].x, -3);
  EXPECT_EQ(m[4].y, 70000 - 65536);
  int x, y;
  lastmousepos(&x, &y);  // from moves and wheels only
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 2);
}

TEST_F(InputTest, FullRingDropsTheOldest) {
  for (int i = 0; i < 1030; ++i) inject_mouse(MOUSE_MOVE, i, 0);
  auto m = drain_mouse();
  ASSERT_EQ(m.size(), 1024u);
  EXPECT_EQ(m.front().x, 6);
  EXPECT_EQ(m.back().x, 1029);
}

TEST_F(InputTest, KeyQueueReportsCharactersAndSpecialKeysOnly) {
  struct Case {
    int vk;
    int want;  // 0: skipped
  } cases[] = {{37, 37 + KEY_SPECIAL}, {46, 46 + KEY_SPECIAL}, {112, 112 + KEY_SPECIAL},
               {127, 127 + KEY_SPECIAL}, {128, 128}, {185, 185}, {223, 223}, {255, 255},
               {13, 0}, {32, 0}, {65, 0}, {111, 0}, {186, 0}, {222, 0}};
  for (const Case& c : cases) {
    inject_keydown(c.vk);
    inject_keyup(c.vk);
    if (c.want == 0) {
      EXPECT_FALSE(keypending()) << c.vk;
    } else {
      ASSERT_TRUE(keypending()) << c.vk;
      EXPECT_EQ(nextkey(), c.want) << c.vk;
      EXPECT_FALSE(keypending());
    }
  }
  inject_text("中a");
  ASSERT_TRUE(keypending());
  EXPECT_EQ(nextkey(), 0x4E2D);
  EXPECT_EQ(nextkey(), 'a');
}

TEST_F(InputTest, StaleKeysAreDiscarded) {
  inject_char(u'x');
  platform::advance_clock_ms(1001);
  EXPECT_FALSE(keypending());  // never promises a key that nextkey would throw away
  inject_char(u'y');
  platform::advance_clock_ms(1001);
  inject_char(u'z');
  EXPECT_EQ(nextkey(), 'z');
}

TEST_F(InputTest, KeydownTableFollowsThePlatform) {
  inject_keydown(17);
  EXPECT_EQ(keydown(17), 1);
  inject_keyup(17);
  EXPECT_EQ(keydown(17), 0);
  inject_keydown(16);
  headless_setkeyheld(16, false);  // released while inactive, key-up never arrived
  EXPECT_EQ(keydown(16), 0);
  headless_setkeyheld(16, true);
  EXPECT_EQ(keydown(16), 0);  // the flag was cleared
  EXPECT_EQ(keydown(256), -1);
  EXPECT_EQ(keydown(-1), -1);
}

TEST_F(InputTest, CloseRequests) {
  closegraph();
  usebackend(BACKEND_HEADLESS);
  graphmode(GRAPH_NOEXIT | GRAPH_MANUAL, 0, 0);
  initgraph(20, 20);
  inject_mouse(MOUSE_MOVE, 1, 1);
  inject_close();
  EXPECT_FALSE(windowopen());
  EXPECT_TRUE(windowvisible());  // the program decides what to do
  EXPECT_EQ(nextmouse().kind, MOUSE_MOVE);
  MOUSEREC none = nextmouse();  // nothing queued and closing: all zero, no wait
  EXPECT_EQ(none.kind, 0u);
  EXPECT_EQ(none.x, 0);
  EXPECT_EQ(nextkey(), -1);
}

TEST_F(InputTest, FramepaceSchedule) {
  const double p = 1000.0 / 60;
  framepace(60);  // first use: the schedule starts now, the frame is due one period later
  double t0 = platform::precise_ms();
  framepace(60);
  EXPECT_NEAR(platform::precise_ms() - t0, p, 0.01);
  EXPECT_EQ(presentcount(), 2);

  platform::advance_clock_ms(2000);  // a stall
  double stalled = platform::precise_ms();
  framepace(60);
  EXPECT_EQ(platform::precise_ms(), stalled);  // presented at once
  framepace(60);
  EXPECT_NEAR(platform::precise_ms() - stalled, p, 0.01);  // schedule restarted there

  // Slightly late frames do not wait and keep the schedule.
  double due = platform::precise_ms() + p;
  platform::advance_clock_ms(p + 5);
  double late = platform::precise_ms();
  framepace(60);
  EXPECT_EQ(platform::precise_ms(), late);
  framepace(60);
  EXPECT_NEAR(platform::precise_ms(), due + p, 0.01);
}

TEST_F(InputTest, FramepacePresentsThePageAndMeasuresFps) {
  fillcolor(0x00FF00);
  fillrect(0, 0, 1, 1);
  for (int i = 0; i < 60; ++i) framepace(60);
  std::vector<uint32_t> screen;
  int w = 0, h = 0;
  ASSERT_EQ(screenpixels(&screen, &w, &h), 0);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(screen, pixels_of(nullptr));
  EXPECT_NEAR(measuredfps(), 60.0, 1.0);
  hidegraph();
  long before = presentcount();
  fillrect(0, 0, 64, 48);
  framepace(60);  // counted, but a hidden window shows nothing new
  EXPECT_EQ(presentcount(), before + 1);
  ASSERT_EQ(screenpixels(&screen, &w, &h), 0);
  EXPECT_EQ(screen[1], 0u);
}

TEST_F(InputTest, WindowFacts) {
  HWINDOW w = windowhandle();
  ASSERT_NE(w, nullptr);
  int ww, wh;
  desktop_workarea(&ww, &wh);
  EXPECT_EQ(ww, 1920);
  EXPECT_EQ(wh, 1040);
  headless_setworkarea(800, 600);
  desktop_workarea(&ww, &wh);
  EXPECT_EQ(ww, 800);
  headless_setworkarea(1920, 1040);
  window_move(w, 560, 220);
  int x, y;
  window_position(w, &x, &y);
  EXPECT_EQ(x, 560);
  EXPECT_EQ(y, 220);
  EXPECT_TRUE(window_isforeground(w));
  window_minimise(w);
  EXPECT_TRUE(window_isminimised(w));
  EXPECT_FALSE(window_isforeground(w));
  window_tofront(w);
  EXPECT_FALSE(window_isminimised(w));
  headless_setforeground(false);
  EXPECT_FALSE(window_isforeground(w));
  headless_setforeground(true);
}

TEST_F(InputTest, RandomNumbers) {
  std::vector<unsigned> a;
  for (int i = 0; i < 200; ++i) {
    unsigned r = randbelow(10);
    EXPECT_LT(r, 10u);
    double u = randunit();
    EXPECT_GE(u, 0.0);
    EXPECT_LT(u, 1.0);
  }
  seedrandom();
  unsigned first = randbelow(0);
  seedrandom();  // the call count is part of the seed: a different sequence
  EXPECT_NE(randbelow(0), first);
  sleepms(-5);  // negative: nothing
}

}  // namespace
}  // namespace wf::draw::testing
