// Clipboard functions over the platform clipboard; pictures pass through the temp folder
// and the drawing layer's picture loader and writers.
#include "shell/clipboard.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "draw/graphics.h"
#include "platform/gbk.h"
#include "platform/paths.h"
#include "platform/tempdir.h"
#include "store/rng.h"
#include "platform/files.h"

namespace wf::shell {
namespace {

constexpr uint64_t kMaxBitmapBytes = 1ull << 30;  // larger bitmaps are refused

std::mutex g_last_lock;
store::Stamp g_last_picture{};

void put_u16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void put_u32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A consistent 24- or 32-bit bitmap whose rows all lie inside its bits.
bool readable_bitmap(const platform::ClipBitmap& b) {
  if (b.width <= 0 || b.height <= 0 || b.stride <= 0) return false;
  if (b.bits_per_pixel != 24 && b.bits_per_pixel != 32) return false;
  const uint64_t row = static_cast<uint64_t>(b.width) * static_cast<uint64_t>(b.bits_per_pixel / 8);
  const uint64_t need = static_cast<uint64_t>(b.stride) * static_cast<uint64_t>(b.height);
  if (static_cast<uint64_t>(b.stride) < row || need > b.bits.size()) return false;
  return static_cast<uint64_t>(b.width) * static_cast<uint64_t>(b.height) * 4 <= kMaxBitmapBytes;
}

// An image's pixels (top row first, 0xAARRGGBB) as a 32-bit clipboard bitmap.
platform::ClipBitmap bitmap_of_image(draw::PIMAGE img) {
  platform::ClipBitmap b;
  b.width = draw::imagewidth(img);
  b.height = draw::imageheight(img);
  b.stride = b.width * 4;
  b.bits_per_pixel = 32;
  b.bits.resize(static_cast<size_t>(b.stride) * static_cast<size_t>(b.height));
  std::memcpy(b.bits.data(), draw::imagebuffer(img), b.bits.size());
  return b;
}

// Step 4 of the read: the bitmap becomes "screen.s12" and a kind-109 JPEG of the store.
ClipboardRead read_picture(const platform::ClipBitmap& bitmap) {
  ClipboardRead out;
  const std::string screen = platform::temp_folder() + kScreenPicture;
  if (bitmap_to_bmp(bitmap, screen.c_str()) != 0) return out;
  store::Stamp stamp = store::new_stamp(store::kKindPicture);
  stamp.serial = static_cast<uint16_t>(store::next_general_rng() & 0xFFFF);
  if (store::object_folders(stamp) != 0) return out;
  const std::string stored = store::object_path(stamp);
  draw::PIMAGE img = draw::newimage();
  int rc = draw::getimage(img, screen.c_str());
  if (rc == draw::PICTURE_OK)
    rc = draw::writeimagejpeg(img, platform::native_path(stored).c_str(), kPasteJpegQuality);
  draw::dropimage(img);
  if (rc != draw::PICTURE_OK) return out;
  {
    std::lock_guard<std::mutex> hold(g_last_lock);
    g_last_picture = stamp;
  }
  out.kind = kClipPicture;
  out.value = stamp.serial;
  out.data = stored;
  return out;
}

// Step 5: the file list, when it is offered for copy or move.
ClipboardRead read_files(const std::vector<std::string>& names) {
  ClipboardRead out;
  int32_t effect = 1;
  platform::clipboard_get_drop_effect(&effect);
  if ((effect & 3) == 0) return out;
  int listed = 0;
  for (const std::string& native : names) {
    if (listed == kClipMaxFiles) break;
    std::string name = platform::utf8_to_gbk(native);
    if (out.data.size() + name.size() + 1 >= kClipFileBuffer) break;
    out.data += name;
    out.data += '\n';
    ++listed;
  }
  out.kind = kClipFiles;
  out.value = listed;
  return out;
}

}  // namespace

int put_text(int format, size_t length, const char* text) {
  if (format != kClipFormatText || !text) return kPutWrongFormat;
  if (platform::clipboard_open() != 0) return kPutNoClipboard;
  platform::clipboard_empty();
  platform::clipboard_put_text(std::string(text, strnlen(text, length)));
  platform::clipboard_close();
  return kPutOk;
}

bool put_picture(const char* filename) {
  if (!filename || !*filename) return false;
  char name[16];
  std::snprintf(name, sizeof name, "%08x.bmp", static_cast<unsigned>(store::next_general_rng()));
  const std::string bmp = platform::temp_folder() + name;
  draw::PIMAGE img = draw::newimage();
  bool ok = draw::getimage(img, filename) == draw::PICTURE_OK &&
            draw::writeimagebmp(img, bmp.c_str()) == draw::PICTURE_OK &&
            draw::getimage(img, bmp.c_str()) == draw::PICTURE_OK;
  platform::ClipBitmap bitmap;
  if (ok) bitmap = bitmap_of_image(img);
  draw::dropimage(img);
  if (!ok || platform::clipboard_open() != 0) return false;
  platform::clipboard_empty();
  ok = platform::clipboard_put_bitmap(bitmap) == 0;
  platform::clipboard_close();
  return ok;
}

int bitmap_to_bmp(const platform::ClipBitmap& b, const char* native_filename) {
  if (!readable_bitmap(b)) {
    std::printf("Invalid Object in Clipboard Buffer\n");
    return 1;
  }
  const size_t w = static_cast<size_t>(b.width), h = static_cast<size_t>(b.height);
  std::vector<uint8_t> file(kBmpPixelOffset + w * h * 4, 0);
  uint8_t* head = file.data();
  head[kBmpOffMagic] = 'B';
  head[kBmpOffMagic + 1] = 'M';
  put_u32(head + kBmpOffReserved1, 0);
  put_u32(head + kBmpOffReserved2, 0);
  put_u32(head + kBmpOffPixels, kBmpPixelOffset);
  put_u32(head + kBmpOffInfoSize, kBmpInfoHeader);
  put_u32(head + kBmpOffWidth, static_cast<uint32_t>(b.width));
  put_u32(head + kBmpOffHeight, static_cast<uint32_t>(b.height));
  put_u16(head + kBmpOffPlanes, 1);
  put_u16(head + kBmpOffBitCount, 32);
  const size_t in_px = static_cast<size_t>(b.bits_per_pixel / 8);
  for (size_t row = 0; row < h; ++row) {
    const uint8_t* src = b.bits.data() + row * static_cast<size_t>(b.stride);
    uint8_t* dst = file.data() + kBmpPixelOffset + (h - 1 - row) * w * 4;
    if (in_px == 4) {
      std::memcpy(dst, src, w * 4);
    } else {
      for (size_t x = 0; x < w; ++x) {
        dst[4 * x] = src[3 * x];
        dst[4 * x + 1] = src[3 * x + 1];
        dst[4 * x + 2] = src[3 * x + 2];
        dst[4 * x + 3] = 0;
      }
    }
  }
  FILE* f = std::fopen(native_filename, "wb");
  if (!f) {
    std::printf("File Cannot Be Written\n");
    return 1;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    std::printf("File Cannot Be Written\n");
    return 1;
  }
  return 0;
}

int is_picture_name(const char* filename) {
  if (!filename) return 0;
  for (const char* ext : {".bmp", ".jpg", ".png", ".gif", ".jpeg"})
    if (platform::has_extension(filename, ext)) return 1;
  return 0;
}

ClipboardRead read_clipboard() {
  ClipboardRead out;
  if (platform::clipboard_open() != 0) return out;
  std::vector<std::string> files;
  const bool has_files = platform::clipboard_get_files(&files) == 0;
  std::string text;
  platform::ClipBitmap bitmap;
  if (platform::clipboard_get_text(&text) == 0) {
    text.resize(strnlen(text.c_str(), text.size()));
    if (!text.empty()) {
      out.kind = kClipText;
      out.value = static_cast<int>(text.size());
      out.data = std::move(text);
    }
  } else if (platform::clipboard_get_bitmap(&bitmap) == 0) {
    out = read_picture(bitmap);
  } else if (has_files) {
    out = read_files(files);
  }
  platform::clipboard_close();
  return out;
}

store::Stamp last_pasted_picture() {
  std::lock_guard<std::mutex> hold(g_last_lock);
  return g_last_picture;
}

}  // namespace wf::shell
