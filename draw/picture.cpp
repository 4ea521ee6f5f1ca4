// Picture loading and writing for images: from files, from the program's embedded
// resources and from memory. Loads decode into a separate buffer first, so that a damaged
// picture leaves the image exactly as it was.
#include <cstdio>
#include <string>
#include <string_view>

#include "draw/image.h"
#include "platform/picture_codec.h"
#include "platform/resource_table.h"
#include "platform/files.h"

namespace wf::draw {
namespace {

constexpr size_t MAX_PICTURE_FILE = size_t{256} << 20;

int to_result(int codec_result) {
  switch (codec_result) {
    case platform::PIC_OK: return PICTURE_OK;
    case platform::PIC_BADFORMAT: return PICTURE_BADFORMAT;
    case platform::PIC_TOOBIG: return PICTURE_TOOBIG;
    case platform::PIC_ENCODEFAIL: return PICTURE_WRITEFAIL;
    default: return PICTURE_CORRUPT;
  }
}

// File names may come with backslashes; relative names are relative to the current folder.
std::string file_name(const char* name) {
  std::string s(name ? name : "");
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

int read_file(const char* name, std::vector<uint8_t>* out) {
  if (name == nullptr || *name == 0) return PICTURE_NOFILE;
  FILE* f = std::fopen(file_name(name).c_str(), "rb");
  if (!f) return PICTURE_NOFILE;
  out->clear();
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (out->size() + n > MAX_PICTURE_FILE) {
      std::fclose(f);
      return PICTURE_TOOBIG;
    }
    out->insert(out->end(), chunk, chunk + n);
  }
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  return failed ? PICTURE_NOFILE : PICTURE_OK;
}

int write_file(const char* name, const std::vector<uint8_t>& bytes) {
  if (name == nullptr || *name == 0) return PICTURE_WRITEFAIL;
  FILE* f = std::fopen(file_name(name).c_str(), "wb");
  if (!f) return PICTURE_WRITEFAIL;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok ? PICTURE_OK : PICTURE_WRITEFAIL;
}

// Puts a decoded picture into the image: its size becomes the picture's.
void adopt(IMAGE* im, platform::Picture* pic) {
  resize_image(im, pic->width, pic->height);
  im->pixels.swap(pic->pixels);
}

int load_into(IMAGE* im, const uint8_t* data, size_t size, bool png_only) {
  platform::Picture pic;
  int r = png_only ? platform::decode_png(data, size, &pic) : platform::decode_picture(data, size, &pic);
  if (r != platform::PIC_OK) return to_result(r);
  adopt(im, &pic);
  return PICTURE_OK;
}

}  // namespace

int getimage(PIMAGE image, const char* type, const char* name) {
  IMAGE* im = checked(image, "IMAGE::getimage");
  const uint8_t* data;
  size_t size;
  if (type == nullptr || name == nullptr || platform::find_resource(type, name, &data, &size) != 0)
    return PICTURE_NOFILE;
  return load_into(im, data, size, false);
}

int getimage(PIMAGE image, const char* filename) {
  IMAGE* im = checked(image, "IMAGE::getimage");
  std::vector<uint8_t> bytes;
  int r = read_file(filename, &bytes);
  if (r != PICTURE_OK) return r;
  return load_into(im, bytes.data(), bytes.size(), false);
}

int getimage_png(PIMAGE image, const char* filename) {
  IMAGE* im = checked(image, "IMAGE::getimage");
  std::vector<uint8_t> bytes;
  int r = read_file(filename, &bytes);
  if (r != PICTURE_OK) return r;
  return load_into(im, bytes.data(), bytes.size(), true);
}

int getimage_memory(PIMAGE image, const void* data, size_t size) {
  IMAGE* im = checked(image, "IMAGE::getimage");
  if (data == nullptr) return PICTURE_BADFORMAT;
  return load_into(im, static_cast<const uint8_t*>(data), size, false);
}

int writeimagebmp(PIMAGE image, const char* filename) {
  IMAGE* im = resolve(image, "IMAGE::writeimagebmp");
  std::vector<uint8_t> bytes;
  platform::encode_bmp(im->pixels.data(), im->width, im->height, &bytes);
  return write_file(filename, bytes);
}

int encodeimagejpeg(PIMAGE image, int quality, std::vector<uint8_t>* out) {
  IMAGE* im = resolve(image, "IMAGE::writeimagejpeg");
  if (out == nullptr) return PICTURE_WRITEFAIL;
  return to_result(platform::encode_jpeg(im->pixels.data(), im->width, im->height, quality, out));
}

int writeimagejpeg(PIMAGE image, const char* filename, int quality) {
  std::vector<uint8_t> bytes;
  int r = encodeimagejpeg(image, quality, &bytes);
  if (r != PICTURE_OK) return r;
  return write_file(filename, bytes);
}

int writeimagepng(PIMAGE image, const char* filename) {
  IMAGE* im = resolve(image, "IMAGE::writeimagepng");
  std::vector<uint8_t> bytes;
  int r = to_result(platform::encode_png(im->pixels.data(), im->width, im->height, &bytes));
  if (r != PICTURE_OK) return r;
  return write_file(filename, bytes);
}

int writeimage(PIMAGE image, const char* filename) {
  std::string_view name(filename ? filename : "");
  if (platform::has_extension(name, ".jpg") || platform::has_extension(name, ".jpeg")) return writeimagejpeg(image, filename);
  if (platform::has_extension(name, ".png")) return writeimagepng(image, filename);
  return writeimagebmp(image, filename);
}

}  // namespace wf::draw
