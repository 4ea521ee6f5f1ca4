// Tests of the desk's picture codec: writing by extension, the in-place JPEG conversion and
// its failure, zoomed copies made once per zoom, bad sources, the clipboard hand-over.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desk/picture_codec.h"
#include "platform/picture_codec.h"

namespace fs = std::filesystem;
using namespace wf;
using namespace wf::desk;

namespace {

std::vector<uint8_t> read_all(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_all(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

platform::PictureFormat format_of(const fs::path& p) {
  std::vector<uint8_t> b = read_all(p);
  return platform::sniff_picture(b.data(), b.size());
}

// A picture with structure (gradients and noise), so JPEG output is not trivially small.
std::vector<uint32_t> test_pixels(int w, int h) {
  std::vector<uint32_t> px(size_t(w) * h);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      uint32_t noise = (seed >> 16) & 63;
      px[size_t(y) * w + x] = ((x * 255 / w) << 16) | ((y * 255 / h) << 8) | (noise * 3);
    }
  return px;
}

class Codec : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("wf_codec_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    folder_ = dir_.string() + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }
  // Writes a BMP of w x h test pixels at `name` (whatever its extension says).
  void write_bmp(const std::string& name, int w, int h) {
    std::vector<uint32_t> px = test_pixels(w, h);
    std::vector<uint8_t> bmp;
    platform::encode_bmp(px.data(), w, h, &bmp);
    write_all(dir_ / name, bmp);
  }
  fs::path dir_;
  std::string folder_;
};

TEST_F(Codec, SavesByExtension) {
  std::vector<uint32_t> px = test_pixels(21, 13);
  CodecPicture* pic = make_picture(px.data(), 21, 13);
  ASSERT_NE(pic, nullptr);
  EXPECT_TRUE(codec_started());
  struct Case {
    const char* name;
    int result;
    platform::PictureFormat format;
  };
  const Case cases[] = {
      {"a.jpg", kCodecOk, platform::PictureFormat::Jpeg},
      {"b.JPEG", kCodecOk, platform::PictureFormat::Jpeg},
      {"c.png", kCodecOk, platform::PictureFormat::Png},
      {"d.bmp", kCodecOk, platform::PictureFormat::Bmp},
      {"e.gif", kCodecNoEncoder, platform::PictureFormat::Unknown},
      {"f", kCodecNoEncoder, platform::PictureFormat::Unknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = folder_ + c.name;
    ASSERT_EQ(save_picture_file(pic, path.c_str()), c.result);
    if (c.result != kCodecOk) {
      EXPECT_FALSE(fs::exists(path));
      continue;
    }
    EXPECT_EQ(format_of(path), c.format);
    int r = 1;
    CodecPicture* back = load_picture_file(path.c_str(), &r);
    ASSERT_EQ(r, kCodecOk);
    EXPECT_EQ(picture_width(back), 21);
    EXPECT_EQ(picture_height(back), 13);
    destroy_picture(back);
  }
  destroy_picture(pic);
  EXPECT_EQ(live_pictures(), 0);
  EXPECT_FALSE(codec_started());
}

TEST_F(Codec, BmpUnderAJpgNameIsRewrittenAsJpeg) {
  write_bmp("photo.jpg", 64, 40);
  ASSERT_EQ(format_of(dir_ / "photo.jpg"), platform::PictureFormat::Bmp);
  std::string path = folder_ + "photo.jpg";
  ASSERT_EQ(convert_to_jpeg_in_place(path.c_str()), kCodecOk);
  EXPECT_EQ(format_of(dir_ / "photo.jpg"), platform::PictureFormat::Jpeg);
  CodecPicture* back = load_picture_file(path.c_str());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(picture_width(back), 64);
  EXPECT_EQ(picture_height(back), 40);
  // Lossy, but close: the left column is dark red-free, the right column red.
  uint32_t right = picture_pixels(back)[63];
  EXPECT_GT(int((right >> 16) & 255), 200);
  destroy_picture(back);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// When the JPEG cannot be written (here: a file-size limit, as on a full disk), the BMP stays
// whole under its name and still loads.
TEST_F(Codec, ConversionFailureLeavesALoadableFile) {
  write_bmp("photo.jpg", 64, 64);
  std::vector<uint8_t> before = read_all(dir_ / "photo.jpg");
  std::string path = folder_ + "photo.jpg";

  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit tiny = saved;
  tiny.rlim_cur = 200;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  int r = convert_to_jpeg_in_place(path.c_str());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(r, kCodecWriteFail);
  EXPECT_EQ(read_all(dir_ / "photo.jpg"), before);
  CodecPicture* back = load_picture_file(path.c_str(), &r);
  EXPECT_EQ(r, kCodecOk);
  EXPECT_EQ(picture_width(back), 64);
  destroy_picture(back);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  // A file that is no picture is not touched either.
  write_all(dir_ / "note.jpg", {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(convert_to_jpeg_in_place((folder_ + "note.jpg").c_str()), kCodecBadFormat);
  EXPECT_EQ(read_all(dir_ / "note.jpg"), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(Codec, ZoomedCopyIsMadeOncePerZoom) {
  write_bmp("pic.jpg", 200, 101);
  EXPECT_EQ(zoomed_copy_name(folder_.c_str(), "pic.jpg", 55), folder_ + "pic.jpg_55.jpg");
  fs::path copy = dir_ / "pic.jpg_55.jpg";

  ASSERT_EQ(make_zoomed_copy(folder_.c_str(), "pic.jpg", 55), kCodecOk);
  ASSERT_TRUE(fs::exists(copy));
  EXPECT_EQ(format_of(copy), platform::PictureFormat::Jpeg);
  CodecPicture* zoomed = load_picture_file(copy.c_str());
  ASSERT_NE(zoomed, nullptr);
  EXPECT_EQ(picture_width(zoomed), 110);  // floor(200 * 55 / 100)
  EXPECT_EQ(picture_height(zoomed), 55);  // floor(101 * 55 / 100)
  destroy_picture(zoomed);

  struct stat first;
  ASSERT_EQ(stat(copy.c_str(), &first), 0);
  std::vector<uint8_t> bytes = read_all(copy);
  EXPECT_EQ(make_zoomed_copy(folder_.c_str(), "pic.jpg", 55), kCodecReused);
  struct stat second;
  ASSERT_EQ(stat(copy.c_str(), &second), 0);
  EXPECT_EQ(first.st_ino, second.st_ino);
  EXPECT_EQ(read_all(copy), bytes);

  // Another zoom is another copy; a tiny zoom still gives a 1-pixel side.
  EXPECT_EQ(make_zoomed_copy(folder_.c_str(), "pic.jpg", 1), kCodecOk);
  zoomed = load_picture_file((folder_ + "pic.jpg_1.jpg").c_str());
  ASSERT_NE(zoomed, nullptr);
  EXPECT_EQ(picture_width(zoomed), 2);
  EXPECT_EQ(picture_height(zoomed), 1);
  destroy_picture(zoomed);
}

TEST_F(Codec, ZoomedCopyOfABadSourceFailsCleanly) {
  write_all(dir_ / "broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F'});
  write_all(dir_ / "text.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  write_bmp("good.jpg", 10, 10);
  // A damaged earlier copy is made again rather than reused.
  write_all(dir_ / "good.jpg_50.jpg", {'x'});
  struct Case {
    const char* item;
    int zoom;
    int result;
  };
  const Case cases[] = {
      {"broken.jpg", 55, kCodecCorrupt}, {"text.jpg", 55, kCodecBadFormat},
      {"missing.jpg", 55, kCodecNoFile}, {"good.jpg", 0, kCodecBadZoom},
      {"good.jpg", -5, kCodecBadZoom},   {"good.jpg", 50, kCodecOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.item) + " at " + std::to_string(c.zoom));
    EXPECT_EQ(make_zoomed_copy(folder_.c_str(), c.item, c.zoom), c.result);
    bool made = fs::exists(zoomed_copy_name(folder_.c_str(), c.item, c.zoom));
    EXPECT_EQ(made, c.result == kCodecOk);
  }
  EXPECT_EQ(format_of(dir_ / "good.jpg_50.jpg"), platform::PictureFormat::Jpeg);
  EXPECT_EQ(live_pictures(), 0);
}

TEST(CodecScale, NearestNeighbourKeepsCornersAndRejectsImpossibleSizes) {
  const uint32_t px[4] = {0x110000, 0x002200, 0x000033, 0x444444};  // 2 x 2
  CodecPicture* pic = make_picture(px, 2, 2);
  CodecPicture* big = scale_picture(pic, 5, 3);
  ASSERT_NE(big, nullptr);
  const uint32_t* b = picture_pixels(big);
  EXPECT_EQ(b[0], 0x110000u);
  EXPECT_EQ(b[4], 0x002200u);
  EXPECT_EQ(b[10], 0x000033u);
  EXPECT_EQ(b[14], 0x444444u);
  EXPECT_EQ(scale_picture(pic, 0, 3), nullptr);
  EXPECT_EQ(scale_picture(pic, 100000, 3), nullptr);
  EXPECT_EQ(make_picture(px, -1, 2), nullptr);
  int r = 0;
  const uint8_t junk[3] = {'a', 'b', 'c'};
  EXPECT_EQ(decode_picture_bytes(junk, sizeof junk, &r), nullptr);
  EXPECT_EQ(r, kCodecBadFormat);
  destroy_picture(big);
  destroy_picture(pic);
}

std::vector<std::string> g_put_paths;
int record_put(const char* native) {
  g_put_paths.push_back(native);
  return 0;
}

TEST_F(Codec, ClipboardGetsTheZoomedCopyOrThePictureItself) {
  set_put_picture(record_put);
  g_put_paths.clear();
  EXPECT_EQ(copy_picture_to_clipboard(folder_.c_str(), "pic.jpg", 80), 0);
  EXPECT_EQ(copy_picture_to_clipboard(folder_.c_str(), "pic.jpg", -1), 0);
  set_put_picture(nullptr);
  ASSERT_EQ(g_put_paths.size(), 2u);
  EXPECT_EQ(g_put_paths[0], folder_ + "pic.jpg_80.jpg");
  EXPECT_EQ(g_put_paths[1], folder_ + "pic.jpg");
  // The built-in hand-over refuses a file that is not there before touching the clipboard.
  EXPECT_EQ(copy_picture_to_clipboard(folder_.c_str(), "none.jpg", -1), kCodecNoFile);
}

}  // namespace
