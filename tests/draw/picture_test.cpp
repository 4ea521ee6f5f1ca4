// Pictures: embedded resources by type and name, PNG with its alpha rule, BMP, GIF and
// JPEG from files and memory, the exact BMP layout written by writeimagebmp, and damaged
// input that must fail and leave the image unchanged.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "draw_fixture.h"

namespace wf::draw::testing {
namespace {

std::string fixture(const char* name) { return std::string(WF_DRAW_TEST_DIR) + "/pictures/" + name; }

std::vector<uint8_t> read_bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

class PictureTest : public Headless {
 protected:
  std::string temp(const char* name) { return ::testing::TempDir() + "draw_" + name; }
};

const std::vector<uint32_t> kBmpPixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x010000};
const std::vector<uint32_t> kAlphaPixels = {0xFFFF0000, 0x8000FF00, 0, 0};

TEST_F(PictureTest, EmbeddedResourcesByTypeAndName) {
  PIMAGE im = newimage();
  EXPECT_EQ(getimage(im, "IMGS", "TEST_BMP24"), 0);
  EXPECT_EQ(imagewidth(im), 3);
  EXPECT_EQ(pixels_of(im), kBmpPixels);
  EXPECT_EQ(getimage(im, "IMGS", "test_gif"), 0);  // names compare without case
  EXPECT_EQ(pixels_of(im), (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
  EXPECT_EQ(getimage(im, "IMGS", "TEST_ALPHA"), 0);  // PNG resources keep the alpha rule
  EXPECT_EQ(pixels_of(im), kAlphaPixels);
  auto before = pixels_of(im);
  EXPECT_NE(getimage(im, "IMGS", "NO_SUCH_PICTURE"), 0);
  EXPECT_NE(getimage(im, "ICON", "TEST_BMP24"), 0);
  EXPECT_EQ(pixels_of(im), before);
}

TEST_F(PictureTest, FilesByFormat) {
  PIMAGE im = newimage();
  EXPECT_EQ(getimage(im, fixture("test_bmp24.bmp").c_str()), 0);
  EXPECT_EQ(pixels_of(im), kBmpPixels);
  EXPECT_EQ(getimage_png(im, fixture("test_alpha.png").c_str()), 0);
  EXPECT_EQ(pixels_of(im), kAlphaPixels);
  EXPECT_EQ(getimage(im, fixture("test_rgb.png").c_str()), 0);  // 24-bit rows: top byte 0
  EXPECT_EQ(pixels_of(im), (std::vector<uint32_t>{0x0A141E, 0}));
  // PNG only: a BMP file is refused and the image kept.
  EXPECT_NE(getimage_png(im, fixture("test_bmp24.bmp").c_str()), 0);
  EXPECT_EQ(imagewidth(im), 2);
  EXPECT_EQ(getimage(im, "/no/such/file.png"), PICTURE_NOFILE);
}

TEST_F(PictureTest, WriteimagebmpLayout) {
  PIMAGE im = image_of(3, 2, {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0xFF010203});
  std::string path = temp("layout.bmp");
  ASSERT_EQ(writeimagebmp(im, path.c_str()), 0);
  std::vector<uint8_t> want = {
      'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,             // file header
      40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,           // info header
      0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0,  // bottom row first
      0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0};
  EXPECT_EQ(read_bytes(path), want);
  PIMAGE back = newimage();
  ASSERT_EQ(getimage(back, path.c_str()), 0);
  EXPECT_EQ(pixels_of(back)[5], 0x010203u);  // top byte not kept
  EXPECT_NE(writeimagebmp(im, "/no/such/folder/x.bmp"), 0);
  std::remove(path.c_str());
}

TEST_F(PictureTest, JpegAndPngRoundTrips) {
  std::vector<uint32_t> px(16 * 16, 0x808080);
  PIMAGE im = image_of(16, 16, px);
  std::string jpg = temp("round.jpg"), png = temp("round.png");
  ASSERT_EQ(writeimage(im, jpg.c_str()), 0);
  ASSERT_EQ(writeimage(im, png.c_str()), 0);
  EXPECT_EQ(read_bytes(jpg).at(0), 0xFF);
  PIMAGE back = newimage();
  ASSERT_EQ(getimage(back, jpg.c_str()), 0);
  ASSERT_EQ(imagewidth(back), 16);
  for (uint32_t p : pixels_of(back)) {
    ASSERT_EQ(p >> 24, 0u);
    ASSERT_NEAR(int(p & 0xFF), 0x80, 2);
  }
  ASSERT_EQ(getimage_png(back, png.c_str()), 0);
  EXPECT_EQ(pixels_of(back), px);
  std::vector<uint8_t> mem;
  ASSERT_EQ(encodeimagejpeg(im, 90, &mem), 0);
  EXPECT_EQ(getimage_memory(back, mem.data(), mem.size()), 0);
  std::remove(jpg.c_str());
  std::remove(png.c_str());
}

TEST_F(PictureTest, DamagedPicturesFailAndLeaveTheImageUnchanged) {
  std::vector<uint32_t> grey(8 * 8, 0x404040);
  PIMAGE src = image_of(8, 8, grey);
  std::vector<uint8_t> jpeg;
  ASSERT_EQ(encodeimagejpeg(src, 75, &jpeg), 0);
  struct Sample {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t keep_tail;  // trailing bytes whose loss a decoder may not notice
  } samples[] = {
      {"bmp", read_bytes(fixture("test_bmp24.bmp")), 0},
      {"png", read_bytes(fixture("test_alpha.png")), 0},
      {"gif", read_bytes(fixture("test_gif.gif")), 2},  // block end and trailer
      {"jpeg", jpeg, 0},
  };
  PIMAGE im = image_of(2, 1, {0x123, 0x456});
  const auto before = pixels_of(im);
  for (const Sample& s : samples) {
    ASSERT_FALSE(s.bytes.empty()) << s.name;
    for (size_t n = 0; n + s.keep_tail < s.bytes.size(); ++n) {
      ASSERT_NE(getimage_memory(im, s.bytes.data(), n), 0) << s.name << " cut to " << n;
      ASSERT_EQ(pixels_of(im), before) << s.name;
    }
  }
  // Headers that promise more than the file holds.
  std::vector<uint8_t> bmp = samples[0].bytes;
  bmp[18] = 0xFF;  // width 255
  EXPECT_NE(getimage_memory(im, bmp.data(), bmp.size()), 0);
  bmp = samples[0].bytes;
  bmp[22] = 0x00, bmp[23] = 0x00, bmp[24] = 0x00, bmp[25] = 0x80;  // height -2^31
  EXPECT_NE(getimage_memory(im, bmp.data(), bmp.size()), 0);
  bmp = samples[0].bytes;
  bmp[10] = 0xF0;  // pixel data beyond the end
  EXPECT_NE(getimage_memory(im, bmp.data(), bmp.size()), 0);
  const char text[] = "plain text, not a picture";
  EXPECT_EQ(getimage_memory(im, text, sizeof text), PICTURE_BADFORMAT);
  EXPECT_EQ(pixels_of(im), before);
}

}  // namespace
}  // namespace wf::draw::testing
