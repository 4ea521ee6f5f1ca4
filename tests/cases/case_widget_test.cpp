// Posts and titles: geometry and the hit entry, safe showing of damaged records, strict
// edges, the armor buttons acting on release and their latching, Ctrl + wheel font steps,
// dragging, resizing and the drawn extent of each kind.
#include <climits>
#include <cstring>
#include <vector>

#include "case_fixture.h"

namespace wf::cases::testing {
namespace {

constexpr draw::color_t kCanvas = 0x123456;

draw::PIMAGE make_canvas() {
  draw::PIMAGE canvas = draw::newimage(1200, 900);
  draw::backcolor(kCanvas, canvas);
  draw::clearimage(canvas);
  return canvas;
}

// One byte of a colour blended as the drawing layer blends.
uint32_t blend(uint32_t d, uint32_t s, unsigned a) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    uint32_t db = (d >> shift) & 0xFF, sb = (s >> shift) & 0xFF;
    out |= ((db * (255 - a) / 256) + (sb * (a + 1) / 256)) << shift;
  }
  return out;
}

TEST_F(CaseTest, NarrowPostShowsRaisedSizeAndKeepsItsRecord) {
  rec_->width = 100;
  rec_->height = 500;
  make();
  const int x = 100 + kOriginX, y = 200 + kOriginY;
  EXPECT_EQ(widget_.x(), x);
  EXPECT_EQ(widget_.width(), 232);
  EXPECT_EQ(widget_.height(), 500);
  EXPECT_EQ(+rec_->width, 100);
  EXPECT_EQ(std::vector<int32_t>(hit_, hit_ + 5),
            (std::vector<int32_t>{kSlot, x, y, x + 232, y + 500}));
  EXPECT_EQ(widget_.metrics().content_width, 232 - 28);
  EXPECT_EQ(widget_.metrics().content_height, 500 - 50);

  draw::PIMAGE canvas = make_canvas();
  widget_.draw(canvas, false);
  EXPECT_EQ(draw::getpixel(x + 231, y + 250, canvas), kOutlineColor);
  EXPECT_EQ(draw::getpixel(x + 100, y + 499, canvas), kOutlineColor);
  EXPECT_EQ(draw::getpixel(x + 240, y + 250, canvas), kCanvas);  // past the shadow
  EXPECT_EQ(draw::getpixel(x + 100, y + 510, canvas), kCanvas);
  draw::dropimage(canvas);

  // Moving and recolouring leave the stored width alone; a resize stores the shown one.
  widget_.move_by(5, 5);
  widget_.recolour(4);
  EXPECT_EQ(+rec_->width, 100);
  g_fake.front = kSlot;
  widget_.pointer_drag(move_at(x + 5 + 229, y + 5 + 497), 0, 0, 0);
  ASSERT_TRUE(widget_.resizing());
  widget_.pointer_release(x + 5 + 232, y + 5 + 500);
  EXPECT_EQ(+rec_->width, 232);
  EXPECT_EQ(+rec_->height, 500);
}

TEST_F(CaseTest, TitleHitsAndDrawsAsItsBarWhateverItsStoredSize) {
  rec_->case_kind = store::kCaseTitle;
  rec_->width = 500;
  rec_->height = 400;
  make();
  const int x = widget_.x(), y = widget_.y();
  EXPECT_EQ(std::vector<int32_t>(hit_, hit_ + 5),
            (std::vector<int32_t>{kSlot, x, y, x + 232, y + 30}));
  EXPECT_TRUE(widget_.latched(kLatchKind));

  draw::PIMAGE canvas = make_canvas();
  widget_.draw(canvas, false);
  EXPECT_NE(draw::getpixel(x, y, canvas), kCanvas);
  EXPECT_NE(draw::getpixel(x + 231, y + 29, canvas), kCanvas);
  EXPECT_EQ(draw::getpixel(x + 232, y + 10, canvas), kCanvas);
  EXPECT_EQ(draw::getpixel(x + 10, y + 30, canvas), kCanvas);
  EXPECT_EQ(draw::getpixel(x + 400, y + 200, canvas), kCanvas);

  // Raised (Ctrl held over it): the full post body on top.
  widget_.draw(canvas, true);
  EXPECT_EQ(draw::getpixel(x + 200, y + 200, canvas), case_colors(0).body);
  EXPECT_EQ(draw::getpixel(x + 499, y + 200, canvas), kOutlineColor);
  draw::dropimage(canvas);

  // Front-most, the entry reaches up over the armor strip.
  g_fake.front = kSlot;
  widget_.hover_update(false, 0, 0);
  EXPECT_EQ(hit_[kHitTop], y - 29);
  EXPECT_EQ(hit_[kHitRight], x + 232);
}

// Damaged records show safely: checked copies in the widget, nothing read past a table,
// and the record's bytes stay as they were.
TEST_F(CaseTest, OutOfRangeRecordValuesShowSafely) {
  struct Case {
    const char* what;
    void (*damage)(store::CaseRecord*);
    int kind, skin, width, height;
  };
  const Case cases[] = {
      {"skin above 9", [](store::CaseRecord* r) { r->skin = 12; }, 0, 0, 422, 300},
      {"kind above 3", [](store::CaseRecord* r) { r->case_kind = 9; }, 0, 0, 422, 300},
      {"negative sizes",
       [](store::CaseRecord* r) {
         r->width = -5;
         r->height = INT_MIN;
       },
       0, 0, 232, 232},
      {"huge sizes",
       [](store::CaseRecord* r) {
         r->width = INT_MAX;
         r->height = 1 << 30;
       },
       0, 0, 4096, 4096},
      {"position at the integer edge",
       [](store::CaseRecord* r) {
         r->x = INT_MAX;
         r->y = INT_MIN;
       },
       0, 0, 422, 300},
      {"text without terminator",
       [](store::CaseRecord* r) { std::memset(r->text, 'A', sizeof r->text); }, 0, 0, 422, 300},
      {"marker naming slot 99",
       [](store::CaseRecord* r) { std::strcpy(r->text, "**img:99\n**htp:7\n**fle:\n"); }, 0, 0,
       422, 300},
      {"control bytes and a cut double-byte character",
       [](store::CaseRecord* r) {
         std::strcpy(r->text, "a\tb\x01\xB0");
         std::memset(r->title, '\xB0', sizeof r->title);
       },
       0, 0, 422, 300},
      {"association and sign counts above their tables",
       [](store::CaseRecord* r) {
         r->up.count = r->lateral.count = r->down.count = 100000;
         r->map_sign_count = 900;
       },
       0, 0, 422, 300},
      {"map with too many signs and a picture item beyond the table",
       [](store::CaseRecord* r) {
         r->case_kind = store::kCaseMap;
         r->map_sign_count = 65535;
         r->picture_item = 45;
         for (auto& s : r->map_signs) s.x = s.y = 65535;
       },
       3, 0, 422, 300},
      {"text size index above 4", [](store::CaseRecord* r) { r->text_size = 253; }, 0, 0, 422,
       300},
      {"view state beyond the text and the track",
       [](store::CaseRecord* r) {
         r->first_line = INT_MAX;
         r->thumb_offset = -7;
         r->thumb_height = INT_MIN;
       },
       0, 0, 422, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fresh();
    draw::PIMAGE canvas = make_canvas();
    c.damage(rec_.get());
    std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(rec_.get()),
                                reinterpret_cast<uint8_t*>(rec_.get()) + sizeof *rec_);
    make();
    g_fake.front = kSlot;
    g_fake.focus = 100;
    widget_.hover_update(false, widget_.x() + 10, widget_.y() - 10);
    widget_.draw(canvas, false);
    widget_.draw(canvas, true);
    widget_.wheel(-120, widget_.x() + 20, widget_.y() + 50);
    EXPECT_EQ(widget_.kind(), c.kind);
    EXPECT_EQ(widget_.skin(), c.skin);
    if (c.kind == store::kCasePost) {
      EXPECT_EQ(widget_.width(), c.width);
      EXPECT_EQ(widget_.height(), c.height);
    } else {
      EXPECT_EQ(widget_.picture_item(), -1);
      EXPECT_EQ(widget_.picture_width(), 1);
    }
    EXPECT_EQ(std::memcmp(before.data() + store::kCaseKind, reinterpret_cast<uint8_t*>(rec_.get()) +
                                                              store::kCaseKind, 2),
              0);
    draw::dropimage(canvas);
  }
}

// The title bar takes a drag only strictly inside; a point on its edge is not on it.
TEST_F(CaseTest, DragStartsOnlyStrictlyInsideTheTitleBar) {
  struct Case {
    int dx, dy;
    bool drags;
  };
  const Case cases[] = {
      {0, 10, false},   {1, 10, true},   {421, 10, true}, {422, 10, false},
      {10, 0, false},   {10, 1, true},   {10, 29, true},  {10, 30, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.dx << ", " << c.dy);
    make_front();
    const int x = widget_.x(), y = widget_.y();
    int used = widget_.pointer_drag(move_at(x + c.dx, y + c.dy), 4, 6, 0);
    EXPECT_EQ(used == 1, c.drags);
    EXPECT_EQ(widget_.dragging(), c.drags);
    EXPECT_EQ(widget_.x(), c.drags ? x + 4 : x);
    EXPECT_EQ(desk::DESK_DRAGCASE.load(), c.drags ? kSlot + 100 : -1);
    widget_.pointer_drag(move_at(0, 0), 0, 0, kDragEnd);
    EXPECT_EQ(desk::DESK_DRAGCASE.load(), -1);
    widget_.destroy();
  }
}

TEST_F(CaseTest, DraggingMovesWithoutModifyingAndOnlyTheFrontCaseStarts) {
  make();
  const int x = widget_.x(), y = widget_.y();
  g_fake.front = 7;  // another case is in front
  EXPECT_EQ(widget_.pointer_drag(move_at(x + 50, y + 10), 3, 3, 0), 0);
  EXPECT_FALSE(widget_.dragging());

  g_fake.front = kSlot;
  EXPECT_EQ(widget_.pointer_drag(move_at(x + 50, y + 10), 3, 4, 0), 1);
  EXPECT_EQ(widget_.pointer_drag(move_at(x + 300, y + 300), 250, 286, 0), 1);
  EXPECT_EQ(g_fake.brought, kSlot);
  EXPECT_EQ(widget_.x(), x + 253);
  EXPECT_EQ(widget_.y(), y + 290);
  EXPECT_EQ(widget_.anchor_x(), x + 253 + 211);
  EXPECT_EQ(hit_[kHitLeft], x + 253);
  EXPECT_EQ(widget_.modified(), 0);
  EXPECT_TRUE(widget_.position_pending());
  widget_.pointer_drag(move_at(0, 0), 0, 0, kDragEnd);
  EXPECT_FALSE(widget_.dragging());

  // The position reaches the record only when it is stored.
  EXPECT_EQ(+rec_->x, 100);
  EXPECT_TRUE(widget_.store_position(kOriginX, kOriginY));
  EXPECT_EQ(+rec_->x, 353);
  EXPECT_EQ(+rec_->y, 490);
  EXPECT_FALSE(widget_.store_position(kOriginX, kOriginY));
}

TEST_F(CaseTest, ResizeCornerAppliesTheChangeOnReleaseRaisedTo232) {
  struct Case {
    int dx, dy, width, height;
  };
  const Case cases[] = {{60, 40, 482, 340}, {-300, -100, 232, 232}, {0, 0, 422, 300}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.dx << ", " << c.dy);
    fresh();
    make_front();
    const int cx = widget_.x() + 422, cy = widget_.y() + 300;
    EXPECT_EQ(widget_.pointer_drag(move_at(cx - 3, cy - 3), 0, 0, 0), 1);
    EXPECT_TRUE(widget_.resizing());
    EXPECT_EQ(desk::DESK_RESIZING.load(), 1);
    widget_.pointer_drag(move_at(cx + c.dx, cy + c.dy), c.dx, c.dy, 0);
    EXPECT_EQ(widget_.width(), 422);  // only the release applies it
    widget_.pointer_drag(move_at(cx + c.dx, cy + c.dy), 0, 0, kDragEnd);
    widget_.pointer_release(cx + c.dx, cy + c.dy);
    EXPECT_FALSE(widget_.resizing());
    EXPECT_EQ(desk::DESK_RESIZING.load(), 0);
    EXPECT_EQ(widget_.width(), c.width);
    EXPECT_EQ(widget_.height(), c.height);
    EXPECT_EQ(+rec_->width, c.width);
    EXPECT_EQ(+rec_->height, c.height);
    EXPECT_EQ(widget_.modified(), 1);
    widget_.hover_update(false, 0, 0);
    EXPECT_EQ(hit_[kHitRight] - hit_[kHitLeft], c.width + 28);  // front-most reach
  }
}

// An armor button acts on the release over it; a press there released elsewhere does not.
TEST_F(CaseTest, ArmorButtonActsOnlyWhenReleasedOverIt) {
  make_front();
  const int pin_x = widget_.x() + 28 * 7 + 14, strip_y = widget_.y() - 14;
  widget_.hover_update(true, pin_x, strip_y);
  EXPECT_EQ(widget_.hovered_button(), 7);
  widget_.pointer_drag(move_at(pin_x + 300, strip_y + 200), 300, 200, 0);
  widget_.pointer_drag(move_at(pin_x + 300, strip_y + 200), 0, 0, kDragEnd);
  widget_.pointer_release(pin_x + 300, strip_y + 200);
  EXPECT_FALSE(widget_.pinned());
  EXPECT_EQ(widget_.modified(), 0);

  click(pin_x, strip_y);
  EXPECT_TRUE(widget_.pinned());
  EXPECT_EQ(+rec_->pinned, 1);
  EXPECT_EQ(widget_.modified(), 1);
  EXPECT_EQ(widget_.button_state(7), kButtonAlternate);  // pinned and hovered

  // Button edges belong to no button.
  click(widget_.x() + 28 * 7, strip_y);
  click(pin_x, widget_.y());
  EXPECT_TRUE(widget_.pinned());

  // Without the focus the strip is hidden and its buttons do not act.
  g_fake.focus = -1;
  click(pin_x, strip_y);
  EXPECT_TRUE(widget_.pinned());
}

// Kind switch, the three association buttons and the pin latch on one click and unlatch on
// the next.
TEST_F(CaseTest, LatchedArmorButtonUnlatchesOnSecondClick) {
  struct Case {
    int button;
    const char* what;
  };
  const Case cases[] = {{0, "kind switch"}, {4, "up"}, {5, "lateral"}, {6, "down"}, {7, "pin"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fresh();
    make_front();
    const int bx = widget_.x() + 28 * c.button + 14, by = widget_.y() - 14;
    click(bx, by);
    EXPECT_TRUE(widget_.latched(c.button));
    widget_.hover_update(false, 0, 0);
    EXPECT_EQ(widget_.button_state(c.button), kButtonLatched);
    switch (c.button) {
      case 0: EXPECT_EQ(+rec_->case_kind, store::kCaseTitle); break;
      case 7: EXPECT_EQ(+rec_->pinned, 1); break;
      default:
        EXPECT_EQ(desk::DESK_LINK.load(), c.button);
        EXPECT_EQ(g_case_desk.link_source.kase, kSlot);
    }
    click(bx, by);
    EXPECT_FALSE(widget_.latched(c.button));
    widget_.hover_update(false, 0, 0);
    EXPECT_EQ(widget_.button_state(c.button), kButtonNormal);
    EXPECT_EQ(+rec_->case_kind, store::kCasePost);
    EXPECT_EQ(+rec_->pinned, 0);
    EXPECT_EQ(desk::DESK_LINK.load(), -1);
    click(bx, by);
    EXPECT_TRUE(widget_.latched(c.button));
  }
}

TEST_F(CaseTest, TitleKindSwitchKeepsStripAndRestoresPostSize) {
  make_front();
  const int x = widget_.x(), y = widget_.y();
  widget_.to_title();
  EXPECT_EQ(widget_.kind(), store::kCaseTitle);
  EXPECT_EQ(widget_.shown_width(), 232);
  EXPECT_EQ(widget_.armor_top(), y - 29);
  widget_.hover_update(false, x + 14, y - 14);
  EXPECT_EQ(widget_.button_state(0), kButtonAlternate);
  EXPECT_EQ(hit_[kHitBottom], y + 30);
  widget_.to_post();
  EXPECT_EQ(widget_.shown_width(), 422);
  EXPECT_EQ(widget_.shown_height(), 300);
  EXPECT_EQ(+rec_->width, 422);
}

// Ctrl + wheel walks 8 -> 12 -> 14 -> 18 -> 26 px and stops at both ends.
TEST_F(CaseTest, CtrlWheelStepsFontSizeWithinItsRange) {
  struct Case {
    int index, delta, font_after;
    bool changes;
  };
  const Case cases[] = {
      {2, 120, 14, true},  {2, -120, 8, true},  {4, 120, 26, false}, {1, -120, 8, false},
      {0, 120, 18, true},  {3, 120, 26, true},  {0, -240, 12, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "index " << c.index << " delta " << c.delta);
    fresh();
    rec_->text_size = static_cast<uint8_t>(c.index);
    rec_->width = 100;
    make();
    int rows_before = widget_.metrics().rows;
    widget_.wheel(c.delta, widget_.x() + 50, widget_.y() + 50, draw::MOUSE_CTRL);
    EXPECT_EQ(widget_.metrics().font_height, c.font_after);
    EXPECT_EQ(widget_.modified(), c.changes ? 1 : 0);
    EXPECT_EQ(+rec_->width, c.changes ? 232 : 100);
    if (c.changes) {
      EXPECT_NE(widget_.metrics().rows, rows_before);
    }
  }

  fresh();
  make();
  rec_->text_size = 1;
  for (int font : {12, 14, 18, 26, 26}) {
    widget_.wheel(120, 0, 0, draw::MOUSE_CTRL);
    EXPECT_EQ(widget_.metrics().font_height, font);
  }
}

// The wheel scrolls one row per notch, within the lines, and the view reaches the record.
TEST_F(CaseTest, WheelScrollsOneRowAndKeepsTheViewInTheRecord) {
  std::strcpy(rec_->text, "one\ntwo\nthree\n");
  make();
  widget_.wheel(-120, 0, 0);
  widget_.wheel(-120, 0, 0);
  EXPECT_EQ(+rec_->first_line, 2);
  EXPECT_EQ(widget_.modified(), 1);
  for (int i = 0; i < 10; ++i) widget_.wheel(120, 0, 0);
  EXPECT_EQ(+rec_->first_line, 0);

  // A new widget starts from the stored view: one notch from line 1 goes to line 2.
  rec_->first_line = 1;
  make();
  widget_.wheel(-120, 0, 0);
  EXPECT_EQ(+rec_->first_line, 2);
}

TEST_F(CaseTest, DrawingFollowsFocusAndClipboardAlpha) {
  std::strcpy(rec_->text, "hello\n");
  make();
  const int x = widget_.x(), y = widget_.y();
  const draw::color_t body = case_colors(0).body;
  draw::PIMAGE canvas = make_canvas();
  // A content pixel right of any text.
  widget_.draw(canvas, false);
  EXPECT_EQ(draw::getpixel(x + 300, y + 200, canvas), body);
  EXPECT_EQ(draw::getpixel(x, y + 100, canvas), kOutlineColor);

  // Focused: the focus frame replaces the outline; theme 2 gives the orange frame.
  g_fake.front = kSlot;
  g_fake.focus = 100;
  widget_.draw(canvas, false);
  EXPECT_EQ(draw::getpixel(x, y + 100, canvas), kFocusColor);
  g_case_desk.color_theme = [] { return 2; };
  widget_.draw(canvas, false);
  EXPECT_EQ(draw::getpixel(x, y + 100, canvas), kFocusColorTheme2);
  desk::DESK_DIALOG = 4;  // no focus frame under an open dialog
  widget_.draw(canvas, false);
  EXPECT_EQ(draw::getpixel(x, y + 100, canvas), kOutlineColor);
  desk::DESK_DIALOG = -1;

  // Marked for cut: the content blends at 79 over what is below it.
  draw::clearimage(canvas);
  g_fake.clipboard_slot = kSlot;
  widget_.draw(canvas, false);
  EXPECT_EQ(draw::getpixel(x + 300, y + 200, canvas), blend(body, body, 79));
  draw::dropimage(canvas);
}

}  // namespace
}  // namespace wf::cases::testing
