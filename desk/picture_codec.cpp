// The desk's picture codec: file loading through the platform decoders, writing by
// extension through temporary files, the in-place JPEG conversion, zoomed copies and the
// clipboard hand-over. See picture_codec.h.
#include "desk/picture_codec.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/clipboard.h"
#include "platform/paths.h"
#include "platform/picture_codec.h"
#include "platform/files.h"

namespace wf::desk {

struct CodecPicture {
  platform::Picture picture;
};

namespace {

constexpr size_t kMaxPictureFile = size_t{256} << 20;

std::mutex g_count_lock;
int g_live = 0;
std::atomic<PutPicture> g_put{nullptr};

// Lifetime: counted under one lock (pictures may live on several threads).
CodecPicture* adopt(platform::Picture&& decoded) {
  auto* p = new CodecPicture{std::move(decoded)};
  std::lock_guard<std::mutex> hold(g_count_lock);
  ++g_live;
  return p;
}

int from_platform(int r) {
  switch (r) {
    case platform::PIC_OK: return kCodecOk;
    case platform::PIC_BADFORMAT: return kCodecBadFormat;
    case platform::PIC_TOOBIG: return kCodecTooBig;
    case platform::PIC_ENCODEFAIL: return kCodecWriteFail;
    default: return kCodecCorrupt;
  }
}

int read_file(const std::string& native, std::vector<uint8_t>* out) {
  FILE* f = std::fopen(native.c_str(), "rb");
  if (!f) return kCodecNoFile;
  out->clear();
  uint8_t chunk[65536];
  size_t n;
  int result = kCodecOk;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (out->size() + n > kMaxPictureFile) {
      result = kCodecTooBig;
      break;
    }
    out->insert(out->end(), chunk, chunk + n);
  }
  if (result == kCodecOk && std::ferror(f)) result = kCodecNoFile;
  std::fclose(f);
  return result;
}

// Writes the bytes to a temporary file beside the target, then renames it over the target.
int write_file_whole(const std::string& native, const std::vector<uint8_t>& bytes) {
  return platform::write_file_atomic(native, bytes.data(), bytes.size()) == 0 ? kCodecOk
                                                                               : kCodecWriteFail;
}

int decode_file(const std::string& native, platform::Picture* out) {
  std::vector<uint8_t> bytes;
  int r = read_file(native, &bytes);
  if (r != kCodecOk) return r;
  return from_platform(platform::decode_picture(bytes.data(), bytes.size(), out));
}

int encode_jpeg_file(const platform::Picture& pic, const std::string& native) {
  std::vector<uint8_t> bytes;
  int r = from_platform(
      platform::encode_jpeg(pic.pixels.data(), pic.width, pic.height, kJpegQuality, &bytes));
  if (r != kCodecOk) return r;
  return write_file_whole(native, bytes);
}

int encode_bmp_file(const platform::Picture& pic, const std::string& native) {
  std::vector<uint8_t> bytes;
  platform::encode_bmp(pic.pixels.data(), pic.width, pic.height, &bytes);
  return write_file_whole(native, bytes);
}

// Whether a file is there and starts like a picture.
bool picture_file_present(const std::string& native) {
  FILE* f = std::fopen(native.c_str(), "rb");
  if (!f) return false;
  uint8_t head[16];
  size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return platform::sniff_picture(head, n) != platform::PictureFormat::Unknown;
}

bool size_possible(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= platform::PIC_MAX_SIDE &&
         height <= platform::PIC_MAX_SIDE &&
         static_cast<uint64_t>(width * height) <= platform::PIC_MAX_PIXELS;
}

// The default clipboard hand-over: the file's pixels as a 32-bit bitmap.
int put_on_platform_clipboard(const char* native) {
  platform::Picture pic;
  int r = decode_file(native, &pic);
  if (r != kCodecOk) return r;
  platform::ClipBitmap bitmap;
  bitmap.width = pic.width;
  bitmap.height = pic.height;
  bitmap.bits_per_pixel = 32;
  bitmap.stride = pic.width * 4;
  bitmap.bits.resize(static_cast<size_t>(bitmap.stride) * pic.height);
  for (size_t i = 0; i < pic.pixels.size(); ++i) {
    uint32_t v = pic.pixels[i];
    bitmap.bits[4 * i] = v & 255;
    bitmap.bits[4 * i + 1] = (v >> 8) & 255;
    bitmap.bits[4 * i + 2] = (v >> 16) & 255;
    bitmap.bits[4 * i + 3] = 0;
  }
  if (platform::clipboard_open() != 0) return kCodecNoClipboard;
  int put = platform::clipboard_empty() == 0 ? platform::clipboard_put_bitmap(bitmap) : -1;
  platform::clipboard_close();
  return put == 0 ? kCodecOk : kCodecNoClipboard;
}

}  // namespace

CodecPicture* load_picture_file(const char* path, int* result) {
  platform::Picture pic;
  int r = path ? decode_file(platform::native_path(path), &pic) : kCodecNoFile;
  if (result) *result = r;
  return r == kCodecOk ? adopt(std::move(pic)) : nullptr;
}

CodecPicture* decode_picture_bytes(const uint8_t* data, size_t size, int* result) {
  platform::Picture pic;
  int r = data ? from_platform(platform::decode_picture(data, size, &pic)) : kCodecBadFormat;
  if (result) *result = r;
  return r == kCodecOk ? adopt(std::move(pic)) : nullptr;
}

CodecPicture* make_picture(const uint32_t* pixels, int width, int height) {
  if (pixels == nullptr || !size_possible(width, height)) return nullptr;
  platform::Picture pic;
  pic.width = width;
  pic.height = height;
  pic.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
  return adopt(std::move(pic));
}

void destroy_picture(CodecPicture* picture) {
  if (picture == nullptr) return;
  delete picture;
  std::lock_guard<std::mutex> hold(g_count_lock);
  --g_live;
}

int picture_width(const CodecPicture* p) { return p ? p->picture.width : 0; }
int picture_height(const CodecPicture* p) { return p ? p->picture.height : 0; }
const uint32_t* picture_pixels(const CodecPicture* p) {
  return p ? p->picture.pixels.data() : nullptr;
}

int save_picture_file(const CodecPicture* picture, const char* path) {
  if (picture == nullptr || path == nullptr) return kCodecNoFile;
  std::string native = platform::native_path(path);
  const platform::Picture& pic = picture->picture;
  if (platform::has_extension(native, ".jpg") || platform::has_extension(native, ".jpeg"))
    return encode_jpeg_file(pic, native);
  if (platform::has_extension(native, ".bmp")) return encode_bmp_file(pic, native);
  if (platform::has_extension(native, ".png")) {
    std::vector<uint8_t> bytes;
    int r = from_platform(platform::encode_png(pic.pixels.data(), pic.width, pic.height, &bytes));
    return r == kCodecOk ? write_file_whole(native, bytes) : r;
  }
  return kCodecNoEncoder;
}

int convert_to_jpeg_in_place(const char* path) {
  if (path == nullptr) return kCodecNoFile;
  std::string native = platform::native_path(path);
  platform::Picture pic;
  int r = decode_file(native, &pic);
  if (r != kCodecOk) return r;
  return encode_jpeg_file(pic, native);
}

std::string zoomed_copy_name(const char* data_folder, const char* item_path, int zoom) {
  std::string name = data_folder ? data_folder : "";
  name += item_path ? item_path : "";
  name += "_" + std::to_string(zoom) + ".jpg";
  return name;
}

CodecPicture* scale_picture(const CodecPicture* picture, int width, int height) {
  if (picture == nullptr || !size_possible(width, height)) return nullptr;
  const platform::Picture& src = picture->picture;
  if (src.width <= 0 || src.height <= 0) return nullptr;
  platform::Picture out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<size_t>(width) * height);
  std::vector<int> columns(width);
  for (int x = 0; x < width; ++x)
    columns[x] = static_cast<int>((2 * int64_t{x} + 1) * src.width / (2 * int64_t{width}));
  for (int y = 0; y < height; ++y) {
    int sy = static_cast<int>((2 * int64_t{y} + 1) * src.height / (2 * int64_t{height}));
    const uint32_t* row = &src.pixels[static_cast<size_t>(sy) * src.width];
    uint32_t* dst = &out.pixels[static_cast<size_t>(y) * width];
    for (int x = 0; x < width; ++x) dst[x] = row[columns[x]];
  }
  return adopt(std::move(out));
}

int make_zoomed_copy(const char* data_folder, const char* item_path, int zoom) {
  if (zoom <= 0) return kCodecBadZoom;
  std::string copy = platform::native_path(zoomed_copy_name(data_folder, item_path, zoom));
  if (picture_file_present(copy)) return kCodecReused;

  std::string full = data_folder ? data_folder : "";
  full += item_path ? item_path : "";
  int r;
  CodecPicture* source = load_picture_file(full.c_str(), &r);
  if (source == nullptr) return r;
  int64_t w = int64_t{source->picture.width} * zoom / 100;
  int64_t h = int64_t{source->picture.height} * zoom / 100;
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  CodecPicture* zoomed =
      size_possible(w, h) ? scale_picture(source, static_cast<int>(w), static_cast<int>(h)) : nullptr;
  destroy_picture(source);
  if (zoomed == nullptr) return kCodecTooBig;
  r = encode_bmp_file(zoomed->picture, copy);
  destroy_picture(zoomed);
  if (r != kCodecOk) return r;
  // A failed conversion keeps the BMP, which loads just as well.
  convert_to_jpeg_in_place(copy.c_str());
  return kCodecOk;
}

int copy_picture_to_clipboard(const char* data_folder, const char* item_path, int zoom) {
  std::string name;
  if (zoom >= 0) {
    name = zoomed_copy_name(data_folder, item_path, zoom);
  } else {
    name = data_folder ? data_folder : "";
    name += item_path ? item_path : "";
  }
  std::string native = platform::native_path(name);
  PutPicture put = g_put.load();
  return put ? put(native.c_str()) : put_on_platform_clipboard(native.c_str());
}

void set_put_picture(PutPicture put) { g_put.store(put); }

int live_pictures() {
  std::lock_guard<std::mutex> hold(g_count_lock);
  return g_live;
}

bool codec_started() { return live_pictures() > 0; }

}  // namespace wf::desk
