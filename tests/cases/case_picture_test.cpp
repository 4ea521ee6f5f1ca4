// Photos and maps: the picture at its zoom with its zoomed copy on disk, holding zoom-in,
// the frame colour, missing and unsafe pictures, the strip buttons and the keys.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "case_fixture.h"

namespace wf::cases::testing {
namespace {

constexpr char kPicturePath[] = "1\\jpg\\2026\\12\\11\\09_05_07_00001A2B.jpg";

bool exists(const std::string& stored) {
  struct stat st;
  return stat(platform::native_path(stored).c_str(), &st) == 0;
}

class PictureCaseTest : public CaseTest {
 protected:
  // Writes a w x h picture (PNG bytes under the .jpg name; the loader sniffs the format)
  // and makes the record a photo or map of item 2 holding it.
  void picture_case(uint16_t kind, int w = 40, int h = 20) {
    std::string native = platform::native_path(std::string(store::kLocalDataRoot) + kPicturePath);
    std::string dirs = native.substr(0, native.rfind('/'));
    std::string cmd = "mkdir -p '" + dirs + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    draw::PIMAGE img = draw::newimage(w, h);
    draw::backcolor(0x20A040, img);
    draw::clearimage(img);
    ASSERT_EQ(draw::writeimagepng(img, native.c_str()), 0);
    draw::dropimage(img);
    set_item(2, kPicturePath);
    rec_->case_kind = kind;
    rec_->picture_item = 2;
    rec_->zoom = 100;
  }
  void set_item(int slot, const char* path) {
    rec_->items[slot].kind = 0x1012;
    std::snprintf(rec_->items[slot].name, sizeof rec_->items[slot].name, "%08X.jpg", 7);
    std::snprintf(rec_->items[slot].path, sizeof rec_->items[slot].path, "%s", path);
  }
  std::string zoomed(int zoom) {
    return std::string(store::kLocalDataRoot) + kPicturePath + "_" + std::to_string(zoom) +
           ".jpg";
  }
};

TEST_F(PictureCaseTest, PhotoFramesItsPictureAndMapShowsItPlain) {
  picture_case(store::kCasePhoto);
  make();
  EXPECT_EQ(widget_.picture_width(), 40 + 14);
  EXPECT_EQ(widget_.picture_height(), 20 + 14);
  EXPECT_TRUE(exists(zoomed(100)));
  const int x = widget_.x(), y = widget_.y();
  EXPECT_EQ(std::vector<int32_t>(hit_, hit_ + 9),
            (std::vector<int32_t>{kSlot, x, y, x + 54, y + 34, x + 13, y + 44, x + 13 + 204,
                                  y + 44 + 28}));
  EXPECT_EQ(widget_.anchor_x(), x + 27);

  draw::PIMAGE canvas = draw::newimage(1200, 900);
  widget_.draw(canvas, false);
  EXPECT_EQ(draw::getpixel(x + 1, y + 1, canvas), kPhotoFrameGrey);
  widget_.change_frame();
  widget_.draw(canvas, false);
  EXPECT_EQ(draw::getpixel(x + 1, y + 1, canvas), kPhotoFrameWhite);
  EXPECT_EQ(widget_.zoom(), 100);
  EXPECT_EQ(widget_.modified(), 1);
  draw::dropimage(canvas);

  widget_.to_map_item(2);
  EXPECT_EQ(widget_.kind(), store::kCaseMap);
  EXPECT_EQ(+rec_->case_kind, store::kCaseMap);
  EXPECT_EQ(widget_.picture_width(), 40);
  EXPECT_EQ(hit_[kHitStripLeft], x + 6);
  EXPECT_EQ(hit_[kHitStripRight], x + 6 + 260);
}

// Holding zoom-in zooms 5 % per hover update up to 250 %; letting go stops it.
TEST_F(PictureCaseTest, HoldingZoomInStepsEachHoverUpdateUpTo250) {
  picture_case(store::kCasePhoto);
  make_front();
  const int bx = widget_.armor_left() + 28 + 14, by = widget_.armor_top() + 14;
  widget_.hover_update(true, bx, by);
  EXPECT_EQ(widget_.zoom(), 105);
  EXPECT_EQ(widget_.button_state(1), kButtonLatched);
  EXPECT_EQ(widget_.picture_width(), 40 * 105 / 100 + 14);
  for (int i = 0; i < 40; ++i) widget_.hover_update(true, bx, by);
  EXPECT_EQ(widget_.zoom(), 250);
  EXPECT_EQ(+rec_->zoom, 250);
  EXPECT_EQ(widget_.picture_width(), 100 + 14);
  widget_.hover_update(false, bx, by);
  EXPECT_EQ(widget_.zoom(), 250);
  EXPECT_EQ(widget_.button_state(1), kButtonHovered);

  // Zoom-out by the wheel and the keys, stopping at 10 %.
  widget_.wheel(-120, bx, by);
  EXPECT_EQ(widget_.zoom(), 245);
  widget_.key('+');
  EXPECT_EQ(widget_.zoom(), 250);
  for (int i = 0; i < 60; ++i) widget_.key('_');
  EXPECT_EQ(widget_.zoom(), 10);
  EXPECT_EQ(widget_.picture_width(), 4 + 14);
}

// A zoomed copy is made once and read back on later visits to that zoom.
TEST_F(PictureCaseTest, ZoomedCopyIsMadeOnceAndReused) {
  picture_case(store::kCasePhoto);
  make();
  widget_.zoom_step(-120);
  widget_.zoom_step(-120);
  ASSERT_TRUE(exists(zoomed(90)));
  // Put a different picture in the copy's place: going back to 90 % must read it.
  draw::PIMAGE other = draw::newimage(7, 3);
  ASSERT_EQ(draw::writeimagepng(other, platform::native_path(zoomed(90)).c_str()), 0);
  draw::dropimage(other);
  widget_.zoom_step(120);
  widget_.zoom_step(-120);
  EXPECT_EQ(widget_.picture_width(), 7 + 14);
  EXPECT_EQ(widget_.picture_height(), 3 + 14);
}

TEST_F(PictureCaseTest, NewPictureItemResetsZoom) {
  picture_case(store::kCasePhoto);
  set_item(5, kPicturePath);
  rec_->zoom = 150;
  make();
  EXPECT_EQ(widget_.zoom(), 150);
  ASSERT_EQ(widget_.to_photo_item(5), kCaseOk);
  EXPECT_EQ(widget_.zoom(), 100);
  EXPECT_EQ(+rec_->zoom, 100);
  EXPECT_EQ(+rec_->picture_item, 5u);
  EXPECT_EQ(widget_.to_photo_item(30), kCaseNoPicture);
}

// A picture that cannot be had leaves a 1 x 1 picture: a 15 x 15 photo, a 1-pixel map, and
// the case still converts back to a post. Paths leaving the data folder are not followed.
TEST_F(PictureCaseTest, MissingOrUnsafePictureFallsBackToOnePixel) {
  struct Case {
    const char* what;
    uint16_t kind;
    const char* path;
    int width;
  };
  const Case cases[] = {
      {"missing photo", store::kCasePhoto, "1\\jpg\\gone.jpg", 15},
      {"missing map", store::kCaseMap, "1\\jpg\\gone.jpg", 1},
      {"parent folder", store::kCasePhoto, "..\\..\\outside.png", 15},
      {"absolute path", store::kCaseMap, "\\tmp\\outside.png", 1},
      {"drive path", store::kCasePhoto, "C:\\outside.png", 15},
      {"empty path", store::kCaseMap, "", 1},
  };
  // A real picture just outside the data folder, which the unsafe paths point at.
  draw::PIMAGE img = draw::newimage(30, 30);
  ASSERT_EQ(draw::writeimagepng(img, (folder_ + "/outside.png").c_str()), 0);
  draw::dropimage(img);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fresh();
    set_item(0, c.path);
    rec_->case_kind = c.kind;
    make_front();
    EXPECT_EQ(widget_.picture_width(), c.width);
    EXPECT_EQ(widget_.picture_height(), c.width);
    EXPECT_FALSE(exists(std::string(".\\outside.png_100.jpg")));
    draw::PIMAGE canvas = draw::newimage(1200, 900);
    widget_.hover_update(false, widget_.armor_left() + 5, widget_.armor_top() + 5);
    widget_.draw(canvas, false);
    draw::dropimage(canvas);
    EXPECT_EQ(widget_.copy_picture_under_point(widget_.x(), widget_.y()), kCaseNoPicture);
    EXPECT_EQ(g_fake.puts, 0);
    widget_.to_post();
    EXPECT_EQ(widget_.kind(), store::kCasePost);
    EXPECT_EQ(widget_.shown_width(), 422);
  }
}

TEST_F(PictureCaseTest, MapStripRunsLevelAndSignButtons) {
  picture_case(store::kCaseMap);
  make_front();
  const int top = widget_.armor_top() + 14;
  auto button = [&](int i) { return widget_.armor_left() + 28 * i + 14; };

  click(button(5), top);
  EXPECT_EQ(g_fake.level_command, kLevelSendToBottom);
  EXPECT_EQ(g_fake.level_slot, kSlot);
  click(button(6), top);
  EXPECT_EQ(g_fake.level_command, kLevelSendToBottomLock);
  click(button(7), top);
  EXPECT_EQ(g_fake.level_command, kLevelRelease);

  click(button(3), top);  // add-sign mode
  EXPECT_EQ(desk::DESK_SIGN.load(), kModeAddSign);
  EXPECT_TRUE(widget_.latched(kLatchAddSign));
  click(button(4), top);  // remove-sign mode needs a sign
  EXPECT_EQ(desk::DESK_SIGN.load(), kModeAddSign);
  widget_.end_sign_mode();
  EXPECT_EQ(desk::DESK_SIGN.load(), -1);
  rec_->map_sign_count = 60;
  click(button(3), top);  // a map with 60 signs takes no more
  EXPECT_EQ(desk::DESK_SIGN.load(), -1);
  click(button(4), top);
  EXPECT_EQ(desk::DESK_SIGN.load(), kModeRemoveSign);

  click(button(8), top);
  EXPECT_TRUE(widget_.pinned());
  widget_.hover_update(true, button(0), top);  // copy, shown pressed until the next hover
  widget_.pointer_drag(move_at(button(0), top), 0, 0, kDragEnd);
  widget_.pointer_release(button(0), top);
  EXPECT_EQ(g_fake.puts, 1);
  EXPECT_EQ(g_fake.put_path, platform::native_path(zoomed(100)));
  EXPECT_EQ(widget_.button_state(0), kButtonLatched);
}

TEST_F(PictureCaseTest, PhotoKeysCopyZoomAndClearTheClipboard) {
  picture_case(store::kCasePhoto);
  make_front();
  g_fake.clipboard_slot = kSlot;
  widget_.key(26);  // Ctrl+Z: nothing for a photo
  widget_.key(25);
  EXPECT_EQ(widget_.zoom(), 100);
  EXPECT_EQ(widget_.modified(), 0);
  widget_.key('=');
  EXPECT_EQ(widget_.zoom(), 105);
  widget_.key('-');
  EXPECT_EQ(widget_.zoom(), 100);
  widget_.key(3);
  EXPECT_EQ(g_fake.puts, 1);
  widget_.key(27);
  EXPECT_EQ(g_fake.clears, 1);
  EXPECT_EQ(g_fake.clipboard_slot, -1);
}

}  // namespace
}  // namespace wf::cases::testing

namespace wf::cases::testing {
namespace {

// Signs: added at the pointer up to 60, hit by their 10 x 10 box, removed with the later
// ones moving up; names keep the count they were made with.
TEST_F(PictureCaseTest, MapSignsAddHitAndRemove) {
  picture_case(store::kCaseMap, 200, 100);
  make();
  const int x = widget_.x(), y = widget_.y();
  ASSERT_EQ(widget_.add_sign(x + 50, y + 40), 0);
  ASSERT_EQ(widget_.add_sign(x + 120, y + 60), 0);
  EXPECT_EQ(+rec_->map_sign_count, 2);
  EXPECT_STREQ(rec_->map_signs[1].name, "map_1");
  EXPECT_EQ(widget_.modified(), 1);

  struct Hit {
    int rx, ry, sign;
  };
  for (Hit h : {Hit{45, 35, 0}, Hit{54, 44, 0}, Hit{55, 40, -1}, Hit{50, 34, -1},
                Hit{120, 60, 1}, Hit{0, 0, -1}}) {
    EXPECT_EQ(widget_.sign_under_point(h.rx, h.ry), h.sign) << h.rx << ", " << h.ry;
  }

  int sx = 0, sy = 0;
  EXPECT_EQ(widget_.remove_sign(x + 300, y + 300), -1);
  ASSERT_EQ(widget_.remove_sign(x + 51, y + 41, &sx, &sy), 0);
  EXPECT_EQ(sx, 50);
  EXPECT_EQ(sy, 40);
  EXPECT_EQ(+rec_->map_sign_count, 1);
  EXPECT_EQ(+rec_->map_signs[0].x, 120);
  EXPECT_EQ(+rec_->map_signs[1].x, 0);
  ASSERT_EQ(widget_.add_sign(x + 10, y + 10), 0);
  EXPECT_STREQ(rec_->map_signs[1].name, "map_1");  // the count, not a fresh number

  for (int i = 2; i < 60; ++i) ASSERT_EQ(widget_.add_sign(x + i, y + 5), 0);
  EXPECT_EQ(widget_.add_sign(x + 5, y + 5), -1);
  EXPECT_EQ(+rec_->map_sign_count, 60);
  EXPECT_EQ(widget_.sign_under_point(59, 5), 55);  // overlapping boxes: the first one wins

  // Posts and photos have no signs.
  widget_.to_photo_item(2);
  EXPECT_EQ(widget_.add_sign(x + 5, y + 5), -1);
  EXPECT_EQ(widget_.sign_under_point(120, 60), -1);
}

}  // namespace
}  // namespace wf::cases::testing
