// Picture decoders and encoders (see picture_codec.h). The library decoders run with error
// handlers that unwind through setjmp/longjmp back to the decode call; nothing allocated on
// the way is left behind (buffers are owned by objects created before setjmp).
#include "platform/picture_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include <gif_lib.h>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

namespace wf::platform {
namespace {

bool size_ok(long w, long h) {
  return w >= 1 && h >= 1 && w <= PIC_MAX_SIDE && h <= PIC_MAX_SIDE &&
         static_cast<size_t>(w) * static_cast<size_t>(h) <= PIC_MAX_PIXELS;
}

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void put16(std::vector<uint8_t>* o, uint32_t v) {
  o->push_back(static_cast<uint8_t>(v));
  o->push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>* o, uint32_t v) {
  put16(o, v & 0xFFFF);
  put16(o, v >> 16);
}

// ---- PNG ----

struct PngReader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void png_read_memory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
  if (n > r->size - r->pos) png_error(png, "truncated");
  std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
}

void png_quiet_warning(png_structp, png_const_charp) {}

struct PngWriter {
  std::vector<uint8_t>* out;
};
void png_write_memory(png_structp png, png_bytep in, png_size_t n) {
  auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
  w->out->insert(w->out->end(), in, in + n);
}
void png_flush_memory(png_structp) {}

// ---- JPEG ----

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  bool truncated;
};

void jpeg_fail(j_common_ptr c) {
  auto* e = reinterpret_cast<JpegError*>(c->err);
  std::longjmp(e->jump, 1);
}
void jpeg_note(j_common_ptr c, int level) {
  auto* e = reinterpret_cast<JpegError*>(c->err);
  if (level < 0 && c->err->msg_code == JWRN_JPEG_EOF) e->truncated = true;
}

// ---- GIF ----

struct GifReader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int gif_read_memory(GifFileType* gif, GifByteType* out, int n) {
  auto* r = static_cast<GifReader*>(gif->UserData);
  if (n < 0) return 0;
  size_t take = std::min(static_cast<size_t>(n), r->size - r->pos);
  std::memcpy(out, r->data + r->pos, take);
  r->pos += take;
  return static_cast<int>(take);
}

}  // namespace

PictureFormat sniff_picture(const uint8_t* d, size_t n) {
  static const uint8_t png_sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (n >= 8 && std::memcmp(d, png_sig, 8) == 0) return PictureFormat::Png;
  if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return PictureFormat::Jpeg;
  if (n >= 2 && d[0] == 'B' && d[1] == 'M') return PictureFormat::Bmp;
  if (n >= 6 && std::memcmp(d, "GIF8", 4) == 0) return PictureFormat::Gif;
  return PictureFormat::Unknown;
}

int decode_picture(const uint8_t* data, size_t size, Picture* out) {
  switch (sniff_picture(data, size)) {
    case PictureFormat::Png: return decode_png(data, size, out);
    case PictureFormat::Jpeg: return decode_jpeg(data, size, out);
    case PictureFormat::Bmp: return decode_bmp(data, size, out);
    case PictureFormat::Gif: return decode_gif(data, size, out);
    default: return PIC_BADFORMAT;
  }
}

namespace {

// The work of one decode, kept outside the setjmp frames so that nothing the error path
// needs lives in a local that longjmp could leave indeterminate.
struct DecodeJob {
  int result = PIC_CORRUPT;
  Picture pic;
  std::vector<png_bytep> rows;
  std::vector<uint8_t> cmyk;
};

int run_png(const uint8_t* data, size_t size, DecodeJob* job) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr,
                                           png_quiet_warning);
  if (!png) return PIC_CORRUPT;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return PIC_CORRUPT;
  }
  PngReader reader{data, size, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return job->result;
  }
  png_set_read_fn(png, &reader, png_read_memory);
  png_set_user_limits(png, PIC_MAX_SIDE, PIC_MAX_SIDE);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!size_ok(w, h)) {
    job->result = PIC_TOOBIG;
    png_error(png, "too big");
  }
  const int type = png_get_color_type(png, info);
  const bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);  // palette to RGB, low-bit grey to 8 bits, tRNS to alpha
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if (!alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) png_error(png, "row size");
  job->pic.width = static_cast<int>(w);
  job->pic.height = static_cast<int>(h);
  job->pic.pixels.assign(static_cast<size_t>(w) * h, 0);
  job->rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y)
    job->rows[y] = reinterpret_cast<png_bytep>(job->pic.pixels.data() + static_cast<size_t>(y) * w);
  png_read_image(png, job->rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  if (alpha) {
    for (uint32_t& p : job->pic.pixels)
      if ((p >> 24) == 0) p = 0;
  } else {
    for (uint32_t& p : job->pic.pixels) p &= 0x00FFFFFFu;
  }
  return PIC_OK;
}

int run_jpeg(const uint8_t* data, size_t size, DecodeJob* job) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpeg_fail;
  err.mgr.emit_message = jpeg_note;
  err.truncated = false;
  jpeg_create_decompress(&cinfo);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return job->result;
  }
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!size_ok(cinfo.image_width, cinfo.image_height)) {
    job->result = PIC_TOOBIG;
    std::longjmp(err.jump, 1);
  }
  const bool four = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = four ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  if (!size_ok(w, h) || cinfo.output_components != 4) std::longjmp(err.jump, 1);
  job->pic.width = w;
  job->pic.height = h;
  job->pic.pixels.assign(static_cast<size_t>(w) * h, 0);
  if (four) job->cmyk.resize(static_cast<size_t>(w) * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    const size_t y = cinfo.output_scanline;
    uint32_t* row = job->pic.pixels.data() + y * w;
    JSAMPROW target = four ? job->cmyk.data() : reinterpret_cast<JSAMPROW>(row);
    if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) std::longjmp(err.jump, 1);
    if (err.truncated) std::longjmp(err.jump, 1);
    if (four) {
      // Adobe writes inverted CMYK: each stored byte is already 255 - ink.
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &job->cmyk[static_cast<size_t>(x) * 4];
        uint32_t k = p[3];
        uint32_t r = p[0] * k / 255, g = p[1] * k / 255, b = p[2] * k / 255;
        row[x] = (r << 16) | (g << 8) | b;
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (err.truncated) return PIC_CORRUPT;
  for (uint32_t& p : job->pic.pixels) p &= 0x00FFFFFFu;
  return PIC_OK;
}

}  // namespace

int decode_png(const uint8_t* data, size_t size, Picture* out) {
  if (sniff_picture(data, size) != PictureFormat::Png) return PIC_BADFORMAT;
  DecodeJob job;
  int r = run_png(data, size, &job);
  if (r == PIC_OK) *out = std::move(job.pic);
  return r;
}

int decode_jpeg(const uint8_t* data, size_t size, Picture* out) {
  if (sniff_picture(data, size) != PictureFormat::Jpeg) return PIC_BADFORMAT;
  DecodeJob job;
  int r = run_jpeg(data, size, &job);
  if (r == PIC_OK) *out = std::move(job.pic);
  return r;
}

// ---- BMP ----

namespace {

constexpr size_t BMP_FILE_HEADER = 14;
constexpr size_t BMP_INFO_HEADER = 40;
constexpr size_t BMP_CORE_HEADER = 12;
// File header field offsets.
constexpr size_t BF_SIZE = 2, BF_OFFBITS = 10;
// Info header field offsets (from the start of the info header).
constexpr size_t BI_SIZE = 0, BI_WIDTH = 4, BI_HEIGHT = 8, BI_PLANES = 12, BI_BITCOUNT = 14,
                 BI_COMPRESSION = 16, BI_SIZEIMAGE = 20, BI_CLRUSED = 32, BI_MASKS = 40;
constexpr uint32_t BMP_RGB = 0, BMP_BITFIELDS = 3;

// One channel of a bit-field mask, scaled to 8 bits.
struct Field {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};

Field make_field(uint32_t mask) {
  Field f;
  f.mask = mask;
  if (mask == 0) return f;
  while (!((mask >> f.shift) & 1)) ++f.shift;
  while (f.shift + f.bits < 32 && ((mask >> (f.shift + f.bits)) & 1)) ++f.bits;
  return f;
}

uint32_t field_value(const Field& f, uint32_t v) {
  if (f.bits == 0) return 0;
  uint32_t x = (v & f.mask) >> f.shift;
  if (f.bits >= 8) return x >> (f.bits - 8);
  uint32_t maxv = (1u << f.bits) - 1;
  return x * 255 / maxv;
}

}  // namespace

int decode_bmp(const uint8_t* d, size_t n, Picture* out) {
  if (sniff_picture(d, n) != PictureFormat::Bmp) return PIC_BADFORMAT;
  if (n < BMP_FILE_HEADER + BMP_CORE_HEADER) return PIC_CORRUPT;
  const uint8_t* info = d + BMP_FILE_HEADER;
  const uint32_t header = le32(info + BI_SIZE);
  const uint32_t offbits = le32(d + BF_OFFBITS);
  long width, height;
  uint32_t bits, compression = BMP_RGB, colours = 0;
  size_t palette_entry = 4;
  if (header == BMP_CORE_HEADER) {
    width = le16(info + 4);
    height = static_cast<int16_t>(le16(info + 6));
    bits = le16(info + 10);
    palette_entry = 3;
  } else if (header >= BMP_INFO_HEADER && header <= 1024) {
    if (n < BMP_FILE_HEADER + header) return PIC_CORRUPT;
    width = static_cast<int32_t>(le32(info + BI_WIDTH));
    height = static_cast<int32_t>(le32(info + BI_HEIGHT));
    if (le16(info + BI_PLANES) != 1) return PIC_CORRUPT;
    bits = le16(info + BI_BITCOUNT);
    compression = le32(info + BI_COMPRESSION);
    colours = le32(info + BI_CLRUSED);
  } else {
    return PIC_CORRUPT;
  }
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width < 1 || height < 1) return PIC_CORRUPT;
  if (!size_ok(width, height)) return PIC_TOOBIG;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return PIC_CORRUPT;
  if (compression != BMP_RGB && compression != BMP_BITFIELDS) return PIC_BADFORMAT;
  if (compression == BMP_BITFIELDS && bits != 16 && bits != 32) return PIC_CORRUPT;

  // Palette.
  std::vector<uint32_t> palette;
  const size_t palette_at = BMP_FILE_HEADER + header;
  if (bits <= 8) {
    size_t count = colours != 0 ? colours : (size_t{1} << bits);
    if (count > (size_t{1} << bits)) count = size_t{1} << bits;
    if (palette_at + count * palette_entry > n) return PIC_CORRUPT;
    palette.resize(size_t{1} << bits, 0);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = d + palette_at + i * palette_entry;
      palette[i] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
  }
  Field fr, fg, fb;
  if (bits == 16) {
    fr = make_field(0x7C00);
    fg = make_field(0x03E0);
    fb = make_field(0x001F);
  } else if (bits == 32) {
    fr = make_field(0x00FF0000);
    fg = make_field(0x0000FF00);
    fb = make_field(0x000000FF);
  }
  if (compression == BMP_BITFIELDS) {
    // Masks follow a 40-byte header; longer headers hold them in the same place.
    if (palette_at < BMP_FILE_HEADER + BI_MASKS + 12 && header == BMP_INFO_HEADER) {
      if (BMP_FILE_HEADER + BI_MASKS + 12 > n) return PIC_CORRUPT;
    }
    const uint8_t* m = info + BI_MASKS;
    if (static_cast<size_t>(m - d) + 12 > n) return PIC_CORRUPT;
    fr = make_field(le32(m));
    fg = make_field(le32(m + 4));
    fb = make_field(le32(m + 8));
  }
  const size_t row_bytes = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  if (offbits > n || row_bytes * static_cast<size_t>(height) > n - offbits) return PIC_CORRUPT;
  (void)BF_SIZE;
  (void)BI_SIZEIMAGE;

  Picture pic;
  pic.width = static_cast<int>(width);
  pic.height = static_cast<int>(height);
  pic.pixels.assign(static_cast<size_t>(width) * height, 0);
  for (long r = 0; r < height; ++r) {
    const uint8_t* row = d + offbits + row_bytes * static_cast<size_t>(r);
    long y = top_down ? r : height - 1 - r;
    uint32_t* o = pic.pixels.data() + static_cast<size_t>(y) * width;
    for (long x = 0; x < width; ++x) {
      uint32_t v;
      switch (bits) {
        case 1: v = palette[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: v = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]; break;
        case 8: v = palette[row[x]]; break;
        case 16: {
          uint32_t w = le16(row + x * 2);
          v = (field_value(fr, w) << 16) | (field_value(fg, w) << 8) | field_value(fb, w);
          break;
        }
        case 24: {
          const uint8_t* p = row + x * 3;
          v = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
          break;
        }
        default: {
          uint32_t w = le32(row + x * 4);
          v = (field_value(fr, w) << 16) | (field_value(fg, w) << 8) | field_value(fb, w);
          break;
        }
      }
      o[x] = v;
    }
  }
  *out = std::move(pic);
  return PIC_OK;
}

void encode_bmp(const uint32_t* px, int width, int height, std::vector<uint8_t>* out) {
  const uint32_t row_bytes = (3u * static_cast<uint32_t>(width) + 3u) & ~3u;
  const uint32_t image_size = row_bytes * static_cast<uint32_t>(height);
  out->clear();
  out->reserve(BMP_FILE_HEADER + BMP_INFO_HEADER + image_size);
  out->push_back('B');
  out->push_back('M');
  put32(out, image_size + BMP_FILE_HEADER + BMP_INFO_HEADER);
  put16(out, 0);
  put16(out, 0);
  put32(out, BMP_FILE_HEADER + BMP_INFO_HEADER);
  put32(out, BMP_INFO_HEADER);
  put32(out, static_cast<uint32_t>(width));
  put32(out, static_cast<uint32_t>(height));
  put16(out, 1);   // planes
  put16(out, 24);  // bits per pixel
  put32(out, BMP_RGB);
  put32(out, image_size);
  for (int i = 0; i < 4; ++i) put32(out, 0);  // resolution, colours used, important
  for (int y = height - 1; y >= 0; --y) {
    const uint32_t* row = px + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      out->push_back(static_cast<uint8_t>(row[x]));
      out->push_back(static_cast<uint8_t>(row[x] >> 8));
      out->push_back(static_cast<uint8_t>(row[x] >> 16));
    }
    for (uint32_t p = 3u * static_cast<uint32_t>(width); p < row_bytes; ++p) out->push_back(0);
  }
}

int encode_jpeg(const uint32_t* px, int width, int height, int quality,
                std::vector<uint8_t>* out) {
  if (width < 1 || height < 1) return PIC_ENCODEFAIL;
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpeg_fail;
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  std::vector<uint32_t> row(static_cast<size_t>(width));
  jpeg_create_compress(&cinfo);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return PIC_ENCODEFAIL;
  }
  jpeg_mem_dest(&cinfo, &buffer, &length);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality < 1 ? 1 : quality > 100 ? 100 : quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    std::memcpy(row.data(), px + static_cast<size_t>(cinfo.next_scanline) * width,
                row.size() * sizeof(uint32_t));
    JSAMPROW r = reinterpret_cast<JSAMPROW>(row.data());
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  out->assign(buffer, buffer + length);
  std::free(buffer);
  return PIC_OK;
}

int encode_png(const uint32_t* px, int width, int height, std::vector<uint8_t>* out) {
  if (width < 1 || height < 1) return PIC_ENCODEFAIL;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return PIC_ENCODEFAIL;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return PIC_ENCODEFAIL;
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  PngWriter writer{out};
  out->clear();
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return PIC_ENCODEFAIL;
  }
  png_set_write_fn(png, &writer, png_write_memory, png_flush_memory);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const uint32_t* s = px + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      row[x * 3] = static_cast<uint8_t>(s[x] >> 16);
      row[x * 3 + 1] = static_cast<uint8_t>(s[x] >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(s[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return PIC_OK;
}

namespace {

// Reads the rows of the frame just described into raster (width x height indices).
int read_gif_rows(GifFileType* gif, int w, int h, bool interlaced, std::vector<GifByteType>* raster) {
  static const int offsets[4] = {0, 4, 2, 1};
  static const int steps[4] = {8, 8, 4, 2};
  if (interlaced) {
    for (int pass = 0; pass < 4; ++pass)
      for (int y = offsets[pass]; y < h; y += steps[pass])
        if (DGifGetLine(gif, raster->data() + static_cast<size_t>(y) * w, w) == GIF_ERROR)
          return PIC_CORRUPT;
  } else {
    for (int y = 0; y < h; ++y)
      if (DGifGetLine(gif, raster->data() + static_cast<size_t>(y) * w, w) == GIF_ERROR)
        return PIC_CORRUPT;
  }
  return PIC_OK;
}

// Finds the first frame, reading records one by one so that sizes are checked before
// anything is allocated for them.
int read_first_gif_frame(GifFileType* gif, Picture* out) {
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return PIC_CORRUPT;
    if (type == TERMINATE_RECORD_TYPE) return PIC_CORRUPT;  // no frame at all
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return PIC_CORRUPT;
      if (code == GRAPHICS_EXT_FUNC_CODE && ext != nullptr && ext[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
      }
      while (ext != nullptr)
        if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return PIC_CORRUPT;
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) return PIC_CORRUPT;
    if (DGifGetImageDesc(gif) == GIF_ERROR) return PIC_CORRUPT;
    const GifImageDesc& desc = gif->Image;
    if (!size_ok(desc.Width, desc.Height)) return PIC_TOOBIG;
    int sw = gif->SWidth, sh = gif->SHeight;
    if (sw <= 0 || sh <= 0) {
      sw = desc.Width;
      sh = desc.Height;
    }
    if (!size_ok(sw, sh)) return PIC_TOOBIG;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (map == nullptr) return PIC_CORRUPT;
    std::vector<GifByteType> raster(static_cast<size_t>(desc.Width) * desc.Height);
    if (read_gif_rows(gif, desc.Width, desc.Height, desc.Interlace, &raster) != PIC_OK)
      return PIC_CORRUPT;
    Picture pic;
    pic.width = sw;
    pic.height = sh;
    pic.pixels.assign(static_cast<size_t>(sw) * sh, 0);
    for (int y = 0; y < desc.Height; ++y) {
      const long py = static_cast<long>(desc.Top) + y;
      if (py >= sh) break;
      for (int x = 0; x < desc.Width; ++x) {
        const long px = static_cast<long>(desc.Left) + x;
        if (px >= sw) break;
        int index = raster[static_cast<size_t>(y) * desc.Width + x];
        if (index == transparent || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        pic.pixels[static_cast<size_t>(py) * sw + px] =
            (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
      }
    }
    *out = std::move(pic);
    return PIC_OK;
  }
}

}  // namespace

int decode_gif(const uint8_t* data, size_t size, Picture* out) {
  if (sniff_picture(data, size) != PictureFormat::Gif) return PIC_BADFORMAT;
  GifReader reader{data, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, gif_read_memory, &error);
  if (!gif) return PIC_CORRUPT;
  int r = read_first_gif_frame(gif, out);
  DGifCloseFile(gif, &error);
  return r;
}

}  // namespace wf::platform
