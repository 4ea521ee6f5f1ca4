// Picture decoding and encoding for the drawing layer: PNG (libpng), JPEG (libjpeg-turbo),
// GIF (giflib) and BMP (read and written here: the format is a fixed little-endian layout).
// Pixels are 0xAARRGGBB, top row first. Every decoder reads only inside the given bytes and
// refuses damaged or truncated input with a negative code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace wf::platform {

inline constexpr int PIC_OK = 0;
inline constexpr int PIC_BADFORMAT = -2;  // not a picture of a known format
inline constexpr int PIC_CORRUPT = -3;    // known format but damaged or truncated
inline constexpr int PIC_TOOBIG = -4;     // over the size limits below
inline constexpr int PIC_ENCODEFAIL = -5;

inline constexpr int PIC_MAX_SIDE = 16384;
inline constexpr size_t PIC_MAX_PIXELS = size_t{1} << 26;

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

enum class PictureFormat { Unknown, Png, Jpeg, Bmp, Gif };
PictureFormat sniff_picture(const uint8_t* data, size_t size);

// PNG with the layer's alpha rule: rows without alpha give top byte 0; with alpha the top
// byte is the alpha, and a pixel of alpha 0 becomes exactly 0x00000000.
int decode_png(const uint8_t* data, size_t size, Picture* out);
// JPEG, BMP, GIF: top bytes 0. GIF gives its first frame on the logical screen.
int decode_jpeg(const uint8_t* data, size_t size, Picture* out);
int decode_bmp(const uint8_t* data, size_t size, Picture* out);
int decode_gif(const uint8_t* data, size_t size, Picture* out);
// Any of the four, by the leading bytes.
int decode_picture(const uint8_t* data, size_t size, Picture* out);

// Uncompressed 24-bit BMP: 14-byte file header, 40-byte info header, rows bottom-up, each
// pixel blue, green, red, rows padded with zeros to a multiple of 4 bytes.
void encode_bmp(const uint32_t* pixels, int width, int height, std::vector<uint8_t>* out);
int encode_jpeg(const uint32_t* pixels, int width, int height, int quality,
                std::vector<uint8_t>* out);
// 24-bit RGB PNG (the top bytes are dropped).
int encode_png(const uint32_t* pixels, int width, int height, std::vector<uint8_t>* out);

}  // namespace wf::platform
