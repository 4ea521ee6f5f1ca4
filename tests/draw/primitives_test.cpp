// Images and the plain primitives: creation rules, lines up to but not including their end,
// frames, fills, pixels, the clip rectangle with its origin, clearing and backcolor's
// repaint rule, and getimage of a rectangle.
#include "draw_fixture.h"

namespace wf::draw::testing {
namespace {

using PrimitivesTest = Headless;

// The image as a picture of characters: '.' for 0, '#' for the line colour, '+' otherwise.
std::string picture(PIMAGE im) {
  std::string s;
  const uint32_t* px = imagebuffer(im);
  for (int y = 0; y < imageheight(im); ++y) {
    for (int x = 0; x < imagewidth(im); ++x) {
      uint32_t p = px[y * imagewidth(im) + x];
      s += p == 0 ? '.' : p == 0xA8A8A8 ? '#' : '+';
    }
    s += '\n';
  }
  return s;
}

TEST_F(PrimitivesTest, NewImageSizesAndDefaults) {
  PIMAGE a = newimage(0, -3);
  EXPECT_EQ(imagewidth(a), 1);
  EXPECT_EQ(imageheight(a), 1);
  PIMAGE b = newimage();
  EXPECT_EQ(imagewidth(b) * imageheight(b), 1);
  EXPECT_EQ(imagebuffer(b)[0], 0u);
  EXPECT_EQ(getlinecolor(b), 0xA8A8A8u);
  EXPECT_EQ(getfillcolor(b), 0u);
  EXPECT_EQ(getbackcolor(b), 0u);
  dropimage(a);
  dropimage(b);
  dropimage(nullptr);  // ignored
}

TEST_F(PrimitivesTest, LinesStopBeforeTheirEnd) {
  struct Case {
    int x1, y1, x2, y2;
    const char* want;
  } cases[] = {
      {0, 0, 4, 0, "####.\n.....\n.....\n"},
      {4, 1, 0, 1, ".....\n.####\n.....\n"},
      {1, 0, 1, 3, ".#...\n.#...\n.#...\n"},
      {0, 0, 3, 3, "#....\n.#...\n..#..\n"},
      {2, 2, 2, 2, ".....\n.....\n.....\n"},
      {-3, 1, 9, 1, ".....\n#####\n.....\n"},  // clipped at both image edges
  };
  for (const Case& c : cases) {
    PIMAGE im = newimage(5, 3);
    drawline(c.x1, c.y1, c.x2, c.y2, im);
    EXPECT_EQ(picture(im), c.want) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
    dropimage(im);
  }
}

TEST_F(PrimitivesTest, FramesAndFillsCoverUpToRightAndBottomMinusOne) {
  PIMAGE im = newimage(6, 5);
  framerect(1, 1, 5, 4, im);
  EXPECT_EQ(picture(im), "......\n.####.\n.#..#.\n.####.\n......\n");
  fillcolor(0x123456, im);
  fillrect(2, 2, 4, 3, im);
  EXPECT_EQ(picture(im), "......\n.####.\n.#++#.\n.####.\n......\n");
  fillrect(4, 4, 2, 2, im);  // empty: nothing
  fillrect(-10, -10, 1, 100, im);
  EXPECT_EQ(picture(im), "+.....\n+####.\n+#++#.\n+####.\n+.....\n");
}

TEST_F(PrimitivesTest, ClipRectangleMovesTheOriginAndClips) {
  PIMAGE im = newimage(6, 4);
  cliprect(-2, 1, 99, 3, im);  // clamped to (0, 1, 6, 3)
  fillcolor(0x1, im);
  fillrect(0, 0, 100, 100, im);
  EXPECT_EQ(picture(im), "......\n++++++\n++++++\n......\n");
  clearimage(im);
  cliprect(2, 1, 5, 3, im);
  plotpixel(0, 0, 0xFF00FF, im);   // at (2, 1)
  plotpixel(3, 0, 0xFF00FF, im);   // (5, 1): outside the clip rectangle
  plotpixel(-1, 0, 0xFF00FF, im);  // (1, 1): outside
  drawline(0, 1, 10, 1, im);       // row 2, columns 2..4
  EXPECT_EQ(picture(im), "......\n..+...\n..###.\n......\n");
  EXPECT_EQ(getpixel(0, 0, im), 0xFF00FFu);
}

TEST_F(PrimitivesTest, ClearAndBackcolorRepaintRule) {
  PIMAGE im = image_of(3, 1, {0x000000, 0x111111, 0x000000});
  cliprect(0, 0, 1, 1, im);
  backcolor(0x222222, im);  // repaints pixels equal to the old background only
  EXPECT_EQ(pixels_of(im), (std::vector<uint32_t>{0x222222, 0x111111, 0x222222}));
  backcolor(0x333333, im);
  EXPECT_EQ(pixels_of(im), (std::vector<uint32_t>{0x333333, 0x111111, 0x333333}));
  clearimage(im);  // the whole image, whatever the clip
  EXPECT_EQ(pixels_of(im), std::vector<uint32_t>(3, 0x333333));
}

TEST_F(PrimitivesTest, GetimageCopiesARectangleOfTheTarget) {
  PIMAGE src = image_of(3, 2, {1, 2, 3, 4, 5, 6});
  PIMAGE out = newimage();
  drawtarget(src);
  getimage(out, 1, -1, 3, 2);  // outside parts come out 0
  drawtarget(nullptr);
  EXPECT_EQ(imagewidth(out), 3);
  EXPECT_EQ(pixels_of(out), (std::vector<uint32_t>{0, 0, 0, 2, 3, 0}));
}

TEST_F(PrimitivesTest, DrawingWithoutTargetGoesToThePage) {
  drawtarget(nullptr);
  fillcolor(0xABCDEF);
  fillrect(0, 0, 2, 2);
  EXPECT_EQ(imagebuffer()[0], 0xABCDEFu);
  EXPECT_EQ(imagewidth(), 64);
  PIMAGE im = newimage(2, 2);
  drawtarget(im);
  EXPECT_EQ(gettarget(), im);
  dropimage(im);  // dropping the target falls back to the page
  EXPECT_EQ(gettarget(), nullptr);
}

}  // namespace
}  // namespace wf::draw::testing
