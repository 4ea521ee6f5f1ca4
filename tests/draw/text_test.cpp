// Text: the advances of the three faces, width forcing through currentfont/choosefont, the
// opaque and transparent background modes, clipping, antialiasing, and text that is not
// valid GBK.
#include <set>
#include <vector>

#include "draw_fixture.h"

namespace wf::draw::testing {
namespace {

using TextTest = Headless;

TEST_F(TextTest, SongHalfWidthAdvancesAreSevenAtHeightFourteen) {
  PIMAGE im = newimage(200, 40);
  choosefont(-14, 0, "宋体", im);
  EXPECT_EQ(textwidthof("abc", im), 21);
  EXPECT_EQ(textwidthof("Wi1.", im), 28);
  EXPECT_EQ(textwidthof("工作台", im), 42);  // full-width characters take two columns
  // The carets rely on width 7 set through the current font.
  choosefont(14, 0, "微软雅黑", im);
  FONTDESC f = currentfont(im);
  f.width = 7;
  choosefont(&f, im);
  EXPECT_EQ(currentfont(im).width, 7);
  EXPECT_EQ(textwidthof("mmmm", im), 28);
  EXPECT_EQ(textwidthof("中", im), 14);
  EXPECT_GT(textheightof("x", im), 0);
}

TEST_F(TextTest, MonospaceAndPositiveHeights) {
  PIMAGE im = newimage(200, 40);
  choosefont(16, 0, "Consolas", im);
  EXPECT_EQ(textwidthof("iiii", im), textwidthof("WWWW", im));
  EXPECT_EQ(textheightof("x", im), 16);  // positive: cell height
  choosefont(-16, 0, "Consolas", im);
  EXPECT_GE(textheightof("x", im), 16);  // negative: character height, cell is taller
  EXPECT_EQ(textwidthof("", im), 0);
}

TEST_F(TextTest, OpaqueModePaintsTheCellTransparentDoesNot) {
  PIMAGE im = newimage(60, 30);
  choosefont(-14, 0, "宋体", im);
  backcolor(0x000001, im);
  textbackcolor(0x00FF00, im);
  linecolor(0xFFFFFF, im);
  textbackmode(TEXT_OPAQUE, im);
  drawtext(2, 3, "Hi", im);
  const int w = textwidthof("Hi", im), h = textheightof("Hi", im);
  const uint32_t* px = imagebuffer(im);
  std::set<uint32_t> inside;
  for (int y = 3; y < 3 + h; ++y)
    for (int x = 2; x < 2 + w; ++x) inside.insert(px[y * 60 + x]);
  EXPECT_TRUE(inside.count(0x00FF00));
  EXPECT_TRUE(inside.count(0xFFFFFF));
  EXPECT_FALSE(inside.count(0x000001));
  EXPECT_EQ(px[2 * 60 + 2], 0x000001u);      // above the cell
  EXPECT_EQ(px[3 * 60 + 2 + w], 0x000001u);  // right of the cell
  // Not antialiased: only the two colours inside the cell.
  EXPECT_EQ(inside.size(), 2u);

  clearimage(im);
  textbackmode(TEXT_TRANSPARENT, im);
  drawtext(2, 3, "Hi", im);
  std::set<uint32_t> seen(px, px + 60 * 30);
  EXPECT_EQ(seen, (std::set<uint32_t>{0x000001, 0xFFFFFF}));
}

TEST_F(TextTest, AntialiasedQualityGivesIntermediateShades) {
  PIMAGE im = newimage(80, 30);
  choosefont(-16, 0, "微软雅黑", im);
  FONTDESC f = currentfont(im);
  f.quality = FONT_ANTIALIASED;
  choosefont(&f, im);
  textbackmode(TEXT_TRANSPARENT, im);
  linecolor(0xFFFFFF, im);
  drawtext(0, 0, "Wao", im);
  std::set<uint32_t> seen(imagebuffer(im), imagebuffer(im) + 80 * 30);
  EXPECT_GT(seen.size(), 3u);
}

TEST_F(TextTest, TextStaysInsideTheClipRectangle) {
  PIMAGE im = newimage(40, 20);
  choosefont(-14, 0, "宋体", im);
  cliprect(5, 2, 20, 12, im);
  textbackcolor(0x0000FF, im);
  drawtext(-3, -4, "WWWWWWWW", im);  // relative to the origin (5, 2)
  const uint32_t* px = imagebuffer(im);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      if (x < 5 || x >= 20 || y < 2 || y >= 12) {
        ASSERT_EQ(px[y * 40 + x], 0u) << x << "," << y;
      }
  EXPECT_EQ(px[2 * 40 + 5], 0x0000FFu);
}

TEST_F(TextTest, ChineseInALatinOnlyFaceDrawsItsCharacters) {
  // The monospace face has no CJK glyphs; each character must still draw as itself, not as
  // the face's one missing-glyph box.
  auto pixels_of = [](const char* text) {
    PIMAGE im = newimage(40, 24);
    choosefont(-16, 0, "Consolas", im);
    linecolor(0xFFFFFF, im);
    drawtext(0, 0, text, im);
    std::vector<uint32_t> px(imagebuffer(im), imagebuffer(im) + 40 * 24);
    dropimage(im);
    return px;
  };
  EXPECT_NE(pixels_of("中"), pixels_of("国"));
  EXPECT_NE(pixels_of("一"), pixels_of("中"));
}

TEST_F(TextTest, InvalidGbkDrawsWhatItCan) {
  PIMAGE im = newimage(100, 20);
  choosefont(-14, 0, "宋体", im);
  // A lone lead byte at the end, 0xFF and a bad trail byte: each becomes a '?'.
  EXPECT_EQ(textwidthof("a\xFF" "b\x81", im), 28);
  EXPECT_EQ(textwidthof("\x81\x20", im), 14);  // '?' then the space
  EXPECT_EQ(textwidthof("中\x81", im), 21);
  drawtext(0, 0, "\xFE\xFF\x80\x81", im);  // must simply not crash
}

}  // namespace
}  // namespace wf::draw::testing
