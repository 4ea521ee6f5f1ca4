// Association lines: a case draws a line from its anchor to each target it lists, to a map
// sign for entries that end on one (only while the target is still a map), and nothing for
// targets that are not loaded.
#include <cstring>

#include "case_fixture.h"

namespace wf::cases::testing {
namespace {

constexpr draw::color_t kCanvas = 0x123456;
CaseWidget* g_widgets[store::kCaseSlots] = {};

class LinkTest : public CaseTest {
 protected:
  void SetUp() override {
    CaseTest::SetUp();
    std::memset(g_widgets, 0, sizeof g_widgets);
    g_case_desk.widget_at = [](int slot) { return g_widgets[slot]; };
    other_ = std::make_unique<store::CaseRecord>();
    store::init_case_record(other_.get(), case_stamp(2025, 1, 2, 3, 4, 5), "Target");
    other_->x = 700;
    other_->y = 200;
    other_->width = 300;
    other_->height = 300;
  }
  void TearDown() override {
    target_.destroy();
    std::memset(g_widgets, 0, sizeof g_widgets);
    CaseTest::TearDown();
  }
  // This case (slot 3) lists the target (slot 8) in its up list.
  void link(uint8_t ends, uint16_t sx = 0xFFFF, uint16_t sy = 0xFFFF) {
    store::Stamp entry = other_->own;
    entry.zero2 = ends;
    entry.zero6[0] = sx & 0xFF;
    entry.zero6[1] = sx >> 8;
    entry.zero6[2] = sy & 0xFF;
    entry.zero6[3] = sy >> 8;
    rec_->up.cases[rec_->up.count++] = entry;
  }
  void make_both() {
    make();
    ASSERT_EQ(target_.create_on(other_.get(), {0, 0, 8}, 8, kOriginX, kOriginY), kCaseOk);
    g_widgets[kSlot] = &widget_;
    g_widgets[8] = &target_;
  }
  draw::color_t drawn_at(int x, int y) {
    draw::PIMAGE canvas = draw::newimage(1200, 900);
    draw::backcolor(kCanvas, canvas);
    draw::clearimage(canvas);
    widget_.draw(canvas, false);
    draw::color_t c = draw::getpixel(x, y, canvas);
    draw::dropimage(canvas);
    return c;
  }

  std::unique_ptr<store::CaseRecord> other_;
  CaseWidget target_;
};

TEST_F(LinkTest, LineRunsFromAnchorToTargetAnchor) {
  rec_->y = 200;  // both anchors on one row
  link(0);
  make_both();
  const int mid = (widget_.x() + 422 + target_.x()) / 2;
  EXPECT_EQ(widget_.anchor_y(), target_.anchor_y());
  EXPECT_EQ(drawn_at(mid, widget_.anchor_y()), 0x000000u);
  EXPECT_EQ(drawn_at(mid, widget_.anchor_y() + 1), 0x8E8E8Eu);

  // The target leaves the whiteboard: no line.
  g_widgets[8] = nullptr;
  EXPECT_EQ(drawn_at(mid, widget_.anchor_y()), kCanvas);
}

TEST_F(LinkTest, SignEntryEndsOnTheSignOnlyWhileTheTargetIsAMap) {
  rec_->y = 200;
  other_->case_kind = store::kCaseMap;  // a 1 x 1 map (no picture): the sign sits outside it
  link(3, 0, 50);
  make_both();
  // From the anchor (x + 211, y + 10) down-right to (target x, target y + 50).
  const int ax = widget_.anchor_x(), ay = widget_.anchor_y();
  const int ex = target_.x(), ey = target_.y() + 50;
  const int px = ex - 1, py = ay + (ey - ay) * (px - ax) / (ex - ax);
  bool found = false;
  for (int dy = -1; dy <= 1 && !found; ++dy) found = drawn_at(px, py + dy) == 0x000000u;
  EXPECT_TRUE(found);
  target_.to_photo_item(0);
  found = false;
  for (int dy = -1; dy <= 1 && !found; ++dy) found = drawn_at(px, py + dy) == 0x000000u;
  EXPECT_FALSE(found);
}

}  // namespace
}  // namespace wf::cases::testing
