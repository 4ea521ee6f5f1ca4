// The whiteboard canvas on a real local store: the new-case and paste limits, the case
// clipboard, pinned cases while panning and after the auto-save, map levels, the stacking
// order through store layout and reload, the loading progress and deleting a case.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cases/case_widget.h"
#include "tests/desk/desk_harness.h"

namespace wf::desk {
namespace {

using draw::inject_mouse;
using draw::MOUSE_DOWN;
using draw::MOUSE_LEFT;
using draw::MOUSE_MOVE;
using draw::MOUSE_UP;

class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.start();
    h.open_desk();
  }
  void TearDown() override { h.stop(); }

  cases::CaseWidget* add_case(int x, int y, const char* title = "") {
    return testing::add_post_at(x, y, title, 1);
  }
  // Leaves the shown board for another Frame of Dir 0, as a whiteboard switch does.
  void show_frame(int frame) {
    store_layout(current_dir(), current_frame());
    store::g_store.cur_frame = frame;
    load_board(0, frame, true);
  }
  int second_frame() {
    store::Position p = store::new_frame(0, "第二");
    EXPECT_GE(p.frame, 0);
    return p.frame;
  }
  std::vector<std::string> titles_in_order() {
    std::vector<std::string> out;
    BOARD_STATE& b = current_board();
    for (int i = 0; i < b.order_count; ++i)
      out.emplace_back(current_board().widgets[b.order[i]]->record()->title);
    return out;
  }

  testing::DeskHarness h;
};

TEST_F(BoardTest, NewCasesStopAt100WhilePastingGoesOnTo1000) {
  for (int i = 0; i < kMaxNewCases; ++i) ASSERT_GE(new_case("", kNewCaseKindCode, i % 10), 0) << i;
  EXPECT_EQ(new_case("", kNewCaseKindCode, 0), -1);
  EXPECT_EQ(current_board().case_count, 100);

  int other = second_frame();
  show_frame(other);
  add_case(100, 100, "moved");
  add_case(300, 100, "second");
  ASSERT_EQ(mark_for_cut(0), 0);
  show_frame(0);
  EXPECT_EQ(paste_case(500, 500), 0);
  EXPECT_TRUE(clipboard_empty());
  EXPECT_EQ(current_board().case_count, 101);
  EXPECT_EQ(store::case_count(0, other), 1);
  cases::CaseWidget* front = current_board().widgets[front_slot()];
  EXPECT_STREQ(front->record()->title, "moved");
  EXPECT_EQ(front->x(), 500);
  EXPECT_EQ(front->record()->x, 500);

  // Fill the shown whiteboard to 1000 records; the next paste is refused and keeps the case.
  while (store::case_count(0, 0) < kBoardSlots) {
    auto rec = std::make_unique<store::CaseRecord>();
    store::init_case_record(rec.get(), store::new_stamp(store::kKindCase), "filler");
    ASSERT_GE(store::put_case(0, 0, std::move(rec)).kase, 0);
  }
  current_board().case_count = kBoardSlots;
  show_frame(other);
  ASSERT_EQ(mark_for_cut(0), 0);
  store::g_store.cur_frame = 0;  // shown: the full whiteboard (its widgets are not needed)
  EXPECT_EQ(paste_case(10, 10), -3);
  EXPECT_FALSE(clipboard_empty());
  EXPECT_EQ(store::case_count(0, other), 1);
  store::g_store.cur_frame = other;
}

TEST_F(BoardTest, PastingIntoTheSourceWhiteboardOnlyEmptiesTheClipboard) {
  add_case(100, 100, "a");
  add_case(500, 100, "b");
  EXPECT_EQ(paste_case(0, 0), -1) << "empty clipboard";
  ASSERT_EQ(mark_for_cut(1), 0);
  EXPECT_TRUE(in_clipboard(1));
  EXPECT_FALSE(in_clipboard(0));
  EXPECT_EQ(paste_case(900, 900), -2);
  EXPECT_TRUE(clipboard_empty());
  EXPECT_EQ(current_board().case_count, 2);
  EXPECT_EQ(current_board().widgets[1]->x(), 500);

  ASSERT_EQ(mark_for_cut(0), 0);
  h.desk->key(27);  // Esc empties it too
  EXPECT_TRUE(clipboard_empty());
}

TEST_F(BoardTest, PasteStillWorksAfterTheStoreIsReloaded) {
  int other = second_frame();
  show_frame(other);
  add_case(100, 100, "travelling");
  ASSERT_EQ(mark_for_cut(0), 0);
  show_frame(0);
  // A rebuild reloads the store from disk while the clipboard holds the case.
  desk::drop_widgets();
  store::free_store();
  ASSERT_GE(store::load_store(false), 0);
  load_board(0, 0, true);
  EXPECT_EQ(paste_case(300, 300), 0);
  EXPECT_EQ(store::case_count(0, other), 0);
  EXPECT_EQ(current_board().case_count, 1);
  EXPECT_STREQ(current_board().widgets[0]->record()->title, "travelling");
}

TEST_F(BoardTest, PinnedCaseKeepsItsScreenPlaceAndItsRecordFollowsAfterAutosave) {
  cases::CaseWidget* pinned = add_case(600, 400, "pinned");
  cases::CaseWidget* loose = add_case(1200, 400, "loose");
  ASSERT_TRUE(pinned && loose);
  pinned->record()->pinned = 1;
  h.desk->autosave();
  int stored_x = pinned->record()->x, stored_y = pinned->record()->y;

  inject_mouse(MOUSE_MOVE, 100, 900);
  h.frame();
  inject_mouse(MOUSE_DOWN, 100, 900, MOUSE_LEFT);
  inject_mouse(MOUSE_MOVE, 150, 880);
  inject_mouse(MOUSE_MOVE, 200, 870);
  inject_mouse(MOUSE_UP, 200, 870, MOUSE_LEFT);
  h.frame();
  EXPECT_EQ(current_board().origin_x, 100);
  EXPECT_EQ(pinned->x(), 600);
  EXPECT_EQ(pinned->y(), 400);
  EXPECT_EQ(loose->x(), 1300);
  EXPECT_EQ(loose->y(), 370);

  EXPECT_GE(h.desk->autosave(), 1);
  EXPECT_EQ(pinned->record()->x, stored_x - 100);
  EXPECT_EQ(pinned->record()->y, stored_y + 30);
  EXPECT_EQ(loose->record()->x, 1200);

  // The stored file says the same after a reload (the stacking order put it behind).
  show_frame(0);
  store::CaseRecord* rec = store::case_record(0, 0, 1);
  ASSERT_NE(rec, nullptr);
  EXPECT_STREQ(rec->title, "pinned");
  EXPECT_EQ(rec->x, stored_x - 100);
}

TEST_F(BoardTest, MapSentToBottomAndLockedIsNeverBroughtToFront) {
  add_case(200, 200, "map");
  add_case(900, 200, "post");
  store::CaseRecord* rec = store::case_record(0, 0, 0);
  rec->case_kind = store::kCaseMap;
  rec->picture_item = 0;
  rec->items[0].kind = 1;
  std::strcpy(rec->items[0].path, "missing\\picture.jpg");
  store::save_case(0, 0, 0);
  show_frame(0);  // the map is rebuilt from its record (the layout put it behind the post)
  BOARD_STATE& b = current_board();
  int slot = b.widgets[0]->kind() == store::kCaseMap ? 0 : 1;
  int post = 1 - slot;
  cases::CaseWidget* map = b.widgets[slot];
  ASSERT_EQ(map->kind(), store::kCaseMap);

  ASSERT_EQ(bring_to_front(slot), slot == 0 ? 2 : 0);
  send_to_bottom_locked(slot);
  EXPECT_EQ(b.order[b.order_count - 1], slot);
  EXPECT_EQ(bring_to_front(slot), 1);
  EXPECT_EQ(front_slot(), post);

  // A click on it does not raise it either.
  int mx = map->x() + 1 + map->picture_width() / 2, my = map->y() + 1 + map->picture_height() / 2;
  inject_mouse(MOUSE_MOVE, mx, my);
  inject_mouse(MOUSE_DOWN, mx, my, MOUSE_LEFT);
  inject_mouse(MOUSE_UP, mx, my, MOUSE_LEFT);
  h.frames(2);
  EXPECT_EQ(front_slot(), post);

  // Released from the bottom it can come forward again; both changes mark it modified.
  release_from_bottom(slot);
  EXPECT_NE(map->modified(), 0);
  EXPECT_EQ(bring_to_front(slot), 0);
  EXPECT_EQ(front_slot(), slot);
}

TEST_F(BoardTest, StackingOrderSurvivesStoreLayoutAndReload) {
  add_case(100, 100, "a");
  add_case(400, 100, "b");
  add_case(700, 100, "c");
  EXPECT_EQ(titles_in_order(), (std::vector<std::string>{"c", "b", "a"}));
  bring_to_front(0);
  EXPECT_EQ(titles_in_order(), (std::vector<std::string>{"a", "c", "b"}));
  show_frame(0);
  EXPECT_EQ(titles_in_order(), (std::vector<std::string>{"a", "c", "b"}));

  // The order is on disk too: the store reloaded from its files shows it.
  store_layout(0, 0);
  store::free_store();
  ASSERT_GE(store::load_store(false), 0);
  load_board(0, 0, true);
  EXPECT_EQ(titles_in_order(), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_EQ(current_board().widgets[1]->x(), 700);
}

TEST_F(BoardTest, FrameSwitchCreatesFiveWidgetsPerFrame) {
  int other = second_frame();
  show_frame(other);
  for (int i = 0; i < 12; ++i) add_case(40 * i, 200);
  show_frame(0);
  // As the frame-switch thread does it.
  shell::set_progress(0.0f);
  h.desk->store_layout();
  ASSERT_EQ(h.desk->load_cases(0, other), 0);
  h.desk->set_progress_step(49.0f / 12.0f);
  shell::set_progress(50.0f);
  store::g_store.cur_frame = other;

  BOARD_STATE& b = current_board();
  std::vector<int> made;
  for (int i = 0; i < 3; ++i) {
    h.frame();
    made.push_back(b.order_count);
  }
  EXPECT_EQ(made, (std::vector<int>{5, 10, 12}));
  EXPECT_EQ(shell::progress(), 100.0f);
}

TEST_F(BoardTest, ReleaseInAssociationModeLinksTheCaseUnderThePointer) {
  cases::CaseWidget* a = add_case(100, 200, "a");
  cases::CaseWidget* b = add_case(700, 200, "b");
  ASSERT_TRUE(a && b);
  bring_to_front(a->slot());
  DESK_LINK = LINK_LATERAL;
  cases::g_case_desk.link_source = a->position();
  inject_mouse(MOUSE_MOVE, 800, 350);
  inject_mouse(MOUSE_DOWN, 800, 350, MOUSE_LEFT);
  inject_mouse(MOUSE_UP, 800, 350, MOUSE_LEFT);
  h.frames(2);
  EXPECT_EQ(DESK_LINK, LINK_NONE);
  EXPECT_EQ(a->record()->lateral.count, 1u);
  EXPECT_EQ(b->record()->lateral.count, 1u);
  EXPECT_EQ(front_slot(), a->slot()) << "a press in association mode picks nothing";
}

TEST_F(BoardTest, DeletingACaseRemovesItsLinksAndItsClipboardEntry) {
  add_case(100, 100, "a");
  add_case(500, 100, "b");
  add_case(900, 100, "c");
  ASSERT_EQ(associate(LINK_UP, 0, 1), 0);
  EXPECT_EQ(associate(LINK_UP, 1, 1), -1) << "no link to itself";
  store::CaseRecord* a = store::case_record(0, 0, 0);
  EXPECT_EQ(a->up.count, 1u);
  EXPECT_EQ(store::case_record(0, 0, 1)->down.count, 1u);
  mark_for_cut(1);

  EXPECT_EQ(delete_case(1), 0);
  EXPECT_TRUE(clipboard_empty());
  a = store::case_record(0, 0, 0);
  EXPECT_EQ(a->up.count, 0u);
  EXPECT_EQ(current_board().case_count, 2);
  EXPECT_EQ(current_board().order_count, 2);
  EXPECT_EQ(titles_in_order().size(), 2u);
  EXPECT_EQ(delete_case(1), 0);
  EXPECT_EQ(delete_case(0), 1);
  EXPECT_EQ(delete_case(0), -1);
}

TEST_F(BoardTest, DamagedRecordsAreShownSafely) {
  add_case(100, 100, "bad");
  add_case(600, 100, "good");
  store::CaseRecord* bad = store::case_record(0, 0, 0);
  bad->skin = 200;
  bad->case_kind = 9;
  bad->zoom = 0;
  bad->width = -50;
  bad->height = -7;
  bad->picture_item = 99;
  bad->up.count = 999;
  bad->lateral.count = 0xFFFFFFFF;
  bad->down.count = 41;
  store::save_case(0, 0, 0);
  store::FrameRecord* fr = store::frame_record(0, 0);
  fr->origin_x = INT32_MAX;
  fr->origin_y = INT32_MIN;
  store::save_frame(0, 0);
  desk::drop_widgets();
  ASSERT_EQ(load_board(0, 0, true), 0);
  BOARD_STATE& b = current_board();
  EXPECT_LE(b.origin_x, 1 << 24);
  EXPECT_GE(b.origin_y, -(1 << 24));
  pan_board(INT32_MAX, INT32_MIN);
  h.desk->key(18);
  EXPECT_EQ(b.origin_x, 0);
  h.frames(3);
  // Deleting the other case walks the damaged association lists only within their tables.
  int good = std::string(b.widgets[0]->record()->title) == "good" ? 0 : 1;
  EXPECT_EQ(delete_case(good), 0);
  bad = store::case_record(0, 0, 0);
  EXPECT_LE(bad->up.count, uint32_t(store::kAssociations));
  EXPECT_LE(bad->lateral.count, uint32_t(store::kAssociations));
  h.frames(2);
}

TEST_F(BoardTest, CtrlNCreatesACentredCaseThatSurvivesARestart) {
  h.desk->key(14);
  BOARD_STATE& b = current_board();
  ASSERT_EQ(b.case_count, 1);
  cases::CaseWidget* w = b.widgets[0];
  EXPECT_EQ(w->x(), 1920 / 2 - 211);
  EXPECT_EQ(w->y(), 1040 / 2 - 150);
  EXPECT_EQ(w->width(), 422);
  EXPECT_EQ(w->height(), 300);
  EXPECT_STREQ(w->record()->text, "\n\n\n\n\n");

  // Drag it by its title bar, then close the desk and open it again.
  int gx = w->x() + 100, gy = w->y() + 15;
  inject_mouse(MOUSE_MOVE, gx, gy);
  h.frame();
  inject_mouse(MOUSE_DOWN, gx, gy, MOUSE_LEFT);
  inject_mouse(MOUSE_MOVE, gx + 5, gy + 3);  // still on the title bar: the drag starts
  inject_mouse(MOUSE_MOVE, gx + 60, gy + 40);
  inject_mouse(MOUSE_UP, gx + 60, gy + 40, MOUSE_LEFT);
  h.frame();
  EXPECT_EQ(w->x(), 1920 / 2 - 211 + 60);
  h.desk.reset();
  store::free_store();
  ASSERT_GE(store::load_store(false), 0);
  h.open_desk();
  ASSERT_EQ(current_board().case_count, 1);
  EXPECT_EQ(current_board().widgets[0]->x(), 1920 / 2 - 211 + 60);
  EXPECT_EQ(current_board().widgets[0]->y(), 1040 / 2 - 150 + 40);
}

}  // namespace
}  // namespace wf::desk
