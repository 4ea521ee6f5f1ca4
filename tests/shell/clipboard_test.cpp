// The clipboard functions: the four kinds of a read, the BMP writer's exact bytes and its
// refusals, the picture-name test, and the clipboard that cannot be opened.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/clipboard.h"
#include "platform/paths.h"
#include "platform/tempdir.h"
#include "shell/clipboard.h"
#include "shell_test_support.h"

namespace wf::shell {
namespace {

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t u32_at(const std::string& s, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}

// A 2 x 2 bitmap, rows top to bottom, with some slack at the end of each row.
platform::ClipBitmap small_bitmap(int bpp) {
  platform::ClipBitmap b;
  b.width = 2;
  b.height = 2;
  b.bits_per_pixel = bpp;
  b.stride = 2 * bpp / 8 + 2;
  b.bits.assign(static_cast<size_t>(b.stride) * 2, 0xEE);
  const int px = bpp / 8;
  for (int row = 0; row < 2; ++row)
    for (int x = 0; x < 2; ++x)
      for (int c = 0; c < px; ++c)
        b.bits[row * b.stride + x * px + c] = static_cast<uint8_t>(row * 100 + x * 10 + c);
  return b;
}

class Clipboard : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clipboard_use_desktop(false);
    platform::clipboard_set_unavailable(false);
  }
  void TearDown() override {
    platform::clipboard_set_unavailable(false);
    platform::clipboard_use_desktop(true);
  }
  // Replaces the clipboard's content through the platform layer, as another program would.
  template <class Fill>
  void offer(Fill fill) {
    ASSERT_EQ(platform::clipboard_open(), 0);
    platform::clipboard_empty();
    fill();
    platform::clipboard_close();
  }
  testing::StoreFolder store_;
  testing::HeadlessWindow window_;
};

TEST_F(Clipboard, BitmapToBmpWritesTheHeaderAndBottomRowFirst) {
  for (int bpp : {24, 32}) {
    SCOPED_TRACE(bpp);
    const std::string path = store_.folder.path + "/b.bmp";
    ASSERT_EQ(bitmap_to_bmp(small_bitmap(bpp), path.c_str()), 0);
    const std::string f = file_bytes(path);
    ASSERT_EQ(f.size(), kBmpPixelOffset + 2 * 2 * 4);
    EXPECT_EQ(f.substr(0, 2), "BM");
    EXPECT_EQ(u32_at(f, kBmpOffReserved1), 0u);
    EXPECT_EQ(u32_at(f, kBmpOffReserved2), 0u);
    EXPECT_EQ(u32_at(f, kBmpOffPixels), 54u);
    EXPECT_EQ(u32_at(f, kBmpOffInfoSize), 40u);
    EXPECT_EQ(u32_at(f, kBmpOffWidth), 2u);
    EXPECT_EQ(u32_at(f, kBmpOffHeight), 2u);
    EXPECT_EQ(f[kBmpOffPlanes], 1);
    EXPECT_EQ(f[kBmpOffBitCount], 32);
    EXPECT_EQ(f.substr(kBmpOffRest, 24), std::string(24, '\0'));
    // The file's first row is the bitmap's bottom row (row 1): pixel (0, 1) is 100, 101, 102.
    const uint8_t* px = reinterpret_cast<const uint8_t*>(f.data()) + kBmpPixelOffset;
    EXPECT_EQ(px[0], 100);
    EXPECT_EQ(px[1], 101);
    EXPECT_EQ(px[2], 102);
    EXPECT_EQ(px[3], bpp == 32 ? 103 : 0);
    EXPECT_EQ(px[4], 110);      // pixel (1, 1)
    EXPECT_EQ(px[8 + 4], 10);   // second file row: row 0, pixel 1
  }
}

TEST_F(Clipboard, BitmapToBmpRefusesWhatItCannotReadOrWrite) {
  const std::string path = store_.folder.path + "/refused.bmp";
  platform::ClipBitmap depth16 = small_bitmap(24);
  depth16.bits_per_pixel = 16;
  platform::ClipBitmap short_bits = small_bitmap(32);
  short_bits.bits.resize(short_bits.bits.size() - 1);
  platform::ClipBitmap narrow_stride = small_bitmap(32);
  narrow_stride.stride = 7;
  for (const platform::ClipBitmap* b : {&depth16, &short_bits, &narrow_stride}) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(bitmap_to_bmp(*b, path.c_str()), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Invalid Object in Clipboard Buffer\n");
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(bitmap_to_bmp(small_bitmap(24), (store_.folder.path + "/no/such/dir.bmp").c_str()), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "File Cannot Be Written\n");
}

TEST_F(Clipboard, PictureNames) {
  struct Case {
    const char* name;
    int picture;
  } cases[] = {{"a.bmp", 1}, {"a.JPG", 1}, {"x\\y.png", 1}, {"a.Gif", 1}, {"a.JPEG", 1},
               {"a.jpe", 0}, {"a.bmpx", 0}, {"jpeg", 0},   {"", 0},       {".png", 1}};
  for (const Case& c : cases) EXPECT_EQ(is_picture_name(c.name), c.picture) << c.name;
}

TEST_F(Clipboard, ReadsTextAndTreatsEmptyTextAsNothing) {
  ASSERT_EQ(put_text(kClipFormatText, 5, "hello world"), kPutOk);
  ClipboardRead r = read_clipboard();
  EXPECT_EQ(r.kind, kClipText);
  EXPECT_EQ(r.value, 5);
  EXPECT_EQ(r.data, "hello");

  ASSERT_EQ(put_text(kClipFormatText, 0, ""), kPutOk);
  EXPECT_EQ(read_clipboard().kind, kClipNothing);
  EXPECT_EQ(put_text(2, 3, "abc"), kPutWrongFormat);
}

TEST_F(Clipboard, BitmapBecomesAPictureOfTheStore) {
  offer([] { platform::clipboard_put_bitmap(small_bitmap(24)); });
  ClipboardRead r = read_clipboard();
  ASSERT_EQ(r.kind, kClipPicture);
  EXPECT_TRUE(std::filesystem::exists(platform::temp_folder() + kScreenPicture));
  EXPECT_EQ(r.data.rfind(std::string(store::kLocalDataRoot) + "1\\jpg\\", 0), 0u) << r.data;
  store::Stamp st = last_pasted_picture();
  EXPECT_EQ(st.kind, store::kKindPicture);
  EXPECT_EQ(r.value, st.serial);
  EXPECT_EQ(store::object_path(st), r.data);
  const std::string jpeg = file_bytes(platform::native_path(r.data));
  ASSERT_GE(jpeg.size(), 2u);
  EXPECT_EQ(static_cast<uint8_t>(jpeg[0]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(jpeg[1]), 0xD8);
}

TEST_F(Clipboard, BitmapOfAnotherDepthReadsAsNothing) {
  platform::ClipBitmap b = small_bitmap(24);
  offer([&] { platform::clipboard_put_bitmap(b); });
  // The platform clipboard refuses such bitmaps already; the reader never sees one.
  b.bits_per_pixel = 8;
  offer([&] { EXPECT_NE(platform::clipboard_put_bitmap(b), 0); });
  EXPECT_EQ(read_clipboard().kind, kClipNothing);
}

TEST_F(Clipboard, FileListsFollowTheDropEffect) {
  struct Case {
    int32_t effect;  // negative: no drop effect offered
    int kind;
  } cases[] = {{-1, kClipFiles}, {1, kClipFiles}, {2, kClipFiles}, {5, kClipFiles},
               {0, kClipNothing}, {4, kClipNothing}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.effect);
    const std::string utf8_name = reinterpret_cast<const char*>(u8"/home/u/文件.txt");
    offer([&] { platform::clipboard_put_files({"/tmp/a.png", utf8_name}, c.effect); });
    ClipboardRead r = read_clipboard();
    EXPECT_EQ(r.kind, c.kind);
    if (c.kind == kClipFiles) {
      EXPECT_EQ(r.value, 2);
      EXPECT_EQ(r.data, "/tmp/a.png\n/home/u/文件.txt\n");  // GBK, as all text in memory
    }
  }
  std::vector<std::string> many(40, "/tmp/x");
  offer([&] { platform::clipboard_put_files(many, 1); });
  ClipboardRead r = read_clipboard();
  EXPECT_EQ(r.value, kClipMaxFiles);
  std::vector<std::string> long_names(30, "/" + std::string(400, 'n'));
  offer([&] { platform::clipboard_put_files(long_names, 1); });
  r = read_clipboard();
  EXPECT_LT(r.data.size(), kClipFileBuffer);
  EXPECT_EQ(r.value, static_cast<int>(kClipFileBuffer / 402));
}

TEST_F(Clipboard, TextWinsOverOtherKinds) {
  offer([] {
    platform::clipboard_put_files({"/tmp/a"}, 1);
    platform::clipboard_put_text("t");
  });
  EXPECT_EQ(read_clipboard().kind, kClipText);
}

TEST_F(Clipboard, UnavailableClipboardReadsAsNothingAndTakesNothing) {
  ASSERT_EQ(put_text(kClipFormatText, 3, "old"), kPutOk);
  platform::clipboard_set_unavailable(true);
  EXPECT_EQ(read_clipboard().kind, kClipNothing);
  EXPECT_EQ(put_text(kClipFormatText, 3, "new"), kPutNoClipboard);
  platform::clipboard_set_unavailable(false);
  EXPECT_EQ(read_clipboard().data, "old");
}

TEST_F(Clipboard, PutPictureKeepsABmpAndOffersTheBitmap) {
  const std::string src = store_.folder.path + "/src.bmp";
  ASSERT_EQ(bitmap_to_bmp(small_bitmap(32), src.c_str()), 0);
  ASSERT_TRUE(put_picture(src.c_str()));
  int bmps = 0;
  for (auto& e : std::filesystem::directory_iterator(platform::temp_folder()))
    if (e.path().extension() == ".bmp" && e.path().stem().string().size() == 8) ++bmps;
  EXPECT_EQ(bmps, 1);
  ASSERT_EQ(platform::clipboard_open(), 0);
  platform::ClipBitmap got;
  EXPECT_EQ(platform::clipboard_get_bitmap(&got), 0);
  platform::clipboard_close();
  EXPECT_EQ(got.width, 2);
  EXPECT_EQ(got.height, 2);
  EXPECT_FALSE(put_picture((store_.folder.path + "/missing.png").c_str()));
}

}  // namespace
}  // namespace wf::shell
