// The copies between images: plain and stretched putimage (which honour the clip rectangle
// and origin), the keyed copy, the global and keyed blends (which clip only to the
// destination), the blur, and getimage of a rectangle of the current target.
#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "draw/copy_kernels.h"
#include "draw/image.h"

namespace wf::draw {

// ---- Row kernels ----

void keyed_row(uint32_t* dst, const uint32_t* src, size_t n, uint32_t key) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i k = _mm_set1_epi32(static_cast<int>(key));
  for (; i + 4 <= n; i += 4) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    __m128i skip = _mm_cmpeq_epi32(s, k);
    __m128i r = _mm_or_si128(_mm_and_si128(skip, d), _mm_andnot_si128(skip, s));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), r);
  }
#endif
  for (; i < n; ++i)
    if (src[i] != key) dst[i] = src[i];
}

#if defined(__SSE2__)
namespace {

// Blends four pixels; the result's top bytes are 0.
inline __m128i blend4(__m128i d, __m128i s, __m128i wd, __m128i ws, __m128i rgb) {
  const __m128i zero = _mm_setzero_si128();
  __m128i dlo = _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), wd);
  __m128i dhi = _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), wd);
  __m128i slo = _mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), ws);
  __m128i shi = _mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), ws);
  // Each product is below 65536, so a logical shift gives the floor of /256.
  __m128i lo = _mm_add_epi16(_mm_srli_epi16(dlo, 8), _mm_srli_epi16(slo, 8));
  __m128i hi = _mm_add_epi16(_mm_srli_epi16(dhi, 8), _mm_srli_epi16(shi, 8));
  return _mm_and_si128(_mm_packus_epi16(lo, hi), rgb);
}

}  // namespace
#endif

void blend_row(uint32_t* dst, const uint32_t* src, size_t n, uint32_t a) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i wd = _mm_set1_epi16(static_cast<short>(255 - a));
  const __m128i ws = _mm_set1_epi16(static_cast<short>(a + 1));
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  for (; i + 4 <= n; i += 4) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), blend4(d, s, wd, ws, rgb));
  }
#endif
  for (; i < n; ++i) dst[i] = blend_pixel(dst[i], src[i], a);
}

void keyblend_row(uint32_t* dst, const uint32_t* src, size_t n, uint32_t key, uint32_t a) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i wd = _mm_set1_epi16(static_cast<short>(255 - a));
  const __m128i ws = _mm_set1_epi16(static_cast<short>(a + 1));
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  const __m128i k = _mm_set1_epi32(static_cast<int>(key));
  for (; i + 4 <= n; i += 4) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    __m128i skip = _mm_cmpeq_epi32(s, k);
    __m128i b = blend4(d, s, wd, ws, rgb);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_or_si128(_mm_and_si128(skip, d), _mm_andnot_si128(skip, b)));
  }
#endif
  for (; i < n; ++i)
    if (src[i] != key) dst[i] = blend_pixel(dst[i], src[i], a);
}

// ---- The three pixel copies ----

namespace {

// The part of a whole-source copy at (x, y) that lies inside the destination.
struct Span {
  int src_x, src_y, dst_x, dst_y, width, height;
};

bool clip_to_destination(const IMAGE* dst, const IMAGE* src, int x, int y, Span* out) {
  long sx = x < 0 ? -static_cast<long>(x) : 0;
  long sy = y < 0 ? -static_cast<long>(y) : 0;
  long dx = x < 0 ? 0 : x, dy = y < 0 ? 0 : y;
  long w = std::min<long>(src->width - sx, dst->width - dx);
  long h = std::min<long>(src->height - sy, dst->height - dy);
  if (w <= 0 || h <= 0) return false;
  *out = Span{int(sx), int(sy), int(dx), int(dy), int(w), int(h)};
  return true;
}

template <typename RowFn>
void copy_rows(IMAGE* dst, const IMAGE* src, int x, int y, RowFn row) {
  Span sp;
  if (!clip_to_destination(dst, src, x, y, &sp)) return;
  // Copying an image onto itself: work from a snapshot so rows read unchanged pixels.
  std::vector<uint32_t> snapshot;
  const uint32_t* sbase = src->pixels.data();
  if (dst == src) {
    snapshot = src->pixels;
    sbase = snapshot.data();
  }
  for (int r = 0; r < sp.height; ++r) {
    uint32_t* d = dst->pixels.data() + static_cast<size_t>(sp.dst_y + r) * dst->width + sp.dst_x;
    const uint32_t* s = sbase + static_cast<size_t>(sp.src_y + r) * src->width + sp.src_x;
    row(d, s, static_cast<size_t>(sp.width));
  }
}

}  // namespace

void putimage_transparent(PIMAGE destination, PIMAGE source, int x, int y, color_t key) {
  IMAGE* dst = resolve(destination, "IMAGE::putimage_transparent");
  IMAGE* src = checked(source, "IMAGE::putimage_transparent");
  copy_rows(dst, src, x, y,
            [key](uint32_t* d, const uint32_t* s, size_t n) { keyed_row(d, s, n, key); });
}

void putimage_alphablend(PIMAGE destination, PIMAGE source, int x, int y, unsigned alpha) {
  IMAGE* dst = resolve(destination, "IMAGE::putimage_alphablend");
  IMAGE* src = checked(source, "IMAGE::putimage_alphablend");
  uint32_t a = alpha & 0xFF;
  copy_rows(dst, src, x, y,
            [a](uint32_t* d, const uint32_t* s, size_t n) { blend_row(d, s, n, a); });
}

void putimage_keyblend(PIMAGE destination, PIMAGE source, int x, int y, color_t key,
                       unsigned alpha) {
  IMAGE* dst = resolve(destination, "IMAGE::putimage_keyblend");
  IMAGE* src = checked(source, "IMAGE::putimage_keyblend");
  uint32_t a = alpha & 0xFF;
  copy_rows(dst, src, x, y, [key, a](uint32_t* d, const uint32_t* s, size_t n) {
    keyblend_row(d, s, n, key, a);
  });
}

// ---- Plain and stretched putimage ----

void putimage(int x, int y, PIMAGE source) {
  IMAGE* src = checked(source, "IMAGE::putimage");
  putimage(x, y, src->width, src->height, src, src->width, src->height, PUT_COPY);
}

void putimage(int x, int y, int width, int height, PIMAGE source, int source_width,
              int source_height, int mode) {
  IMAGE* dst = resolve(nullptr, "IMAGE::putimage");
  IMAGE* src = checked(source, "IMAGE::putimage");
  if (width <= 0 || height <= 0 || source_width <= 0 || source_height <= 0) return;
  source_width = std::min(source_width, src->width);
  source_height = std::min(source_height, src->height);
  const DrawState& st = dst->state;
  long left = static_cast<long>(x) + st.clip_left, top = static_cast<long>(y) + st.clip_top;
  long c0 = std::max<long>(left, st.clip_left), c1 = std::min<long>(left + width, st.clip_right);
  long r0 = std::max<long>(top, st.clip_top), r1 = std::min<long>(top + height, st.clip_bottom);
  if (c0 >= c1 || r0 >= r1) return;
  const uint32_t flip = mode == PUT_INVERT ? 0x00FFFFFFu : 0u;
  std::vector<uint32_t> snapshot;
  const uint32_t* sbase = src->pixels.data();
  if (dst == src) {
    snapshot = src->pixels;
    sbase = snapshot.data();
  }
  const bool same_size = width == source_width && height == source_height;
  std::vector<int> columns;
  if (!same_size) {
    columns.resize(static_cast<size_t>(c1 - c0));
    for (long c = c0; c < c1; ++c)
      columns[c - c0] = static_cast<int>((c - left) * source_width / width);
  }
  for (long r = r0; r < r1; ++r) {
    long sr = (r - top) * source_height / height;
    const uint32_t* s = sbase + static_cast<size_t>(sr) * src->width;
    uint32_t* d = dst->pixels.data() + static_cast<size_t>(r) * dst->width;
    if (same_size) {
      const uint32_t* from = s + (c0 - left);
      if (flip == 0) {
        std::memcpy(d + c0, from, static_cast<size_t>(c1 - c0) * sizeof(uint32_t));
      } else {
        for (long c = c0; c < c1; ++c) d[c] = from[c - c0] ^ flip;
      }
    } else {
      for (long c = c0; c < c1; ++c) d[c] = s[columns[c - c0]] ^ flip;
    }
  }
}

// ---- getimage of a rectangle ----

void getimage(PIMAGE image, int x, int y, int width, int height) {
  IMAGE* dst = checked(image, "IMAGE::getimage");
  IMAGE* src = resolve(nullptr, "IMAGE::getimage");
  std::vector<uint32_t> copy;
  width = std::max(width, 1);
  height = std::max(height, 1);
  copy.assign(static_cast<size_t>(width) * height, 0);
  for (int r = 0; r < height; ++r) {
    long sy = static_cast<long>(y) + r;
    if (sy < 0 || sy >= src->height) continue;
    for (int c = 0; c < width; ++c) {
      long sx = static_cast<long>(x) + c;
      if (sx < 0 || sx >= src->width) continue;
      copy[static_cast<size_t>(r) * width + c] = src->pixels[static_cast<size_t>(sy) * src->width + sx];
    }
  }
  resize_image(dst, width, height);
  dst->pixels.swap(copy);
}

// ---- Blur ----

BlurWeights blur_weights(int intensity, int alpha, int k) {
  uint32_t ap = static_cast<uint32_t>(std::clamp(2 * intensity - 256, 0, 255));
  uint32_t al = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
  BlurWeights w{};
  w.centre = (255 - ap) * al / 256;
  if (al == 0) return w;
  uint32_t prod = ap * al;
  w.whole = prod / static_cast<uint32_t>(k) / 256;
  w.frac = (prod % (al * static_cast<uint32_t>(k))) / static_cast<uint32_t>(k);
  return w;
}

namespace {

inline uint32_t blur_byte(uint32_t c, uint32_t sum, const BlurWeights& w) {
  return (c * w.centre + sum * w.whole + sum * w.frac / 256) / 256;
}

// One output pixel from the unblurred source, for pixels on the border.
uint32_t blur_border_pixel(const uint32_t* px, int width, int height, int x, int y,
                           const BlurWeights* weights) {
  uint32_t sr = 0, sg = 0, sb = 0;
  int k = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (dx == 0 && dy == 0) continue;
      int nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
      uint32_t p = px[static_cast<size_t>(ny) * width + nx];
      sr += (p >> 16) & 0xFF;
      sg += (p >> 8) & 0xFF;
      sb += p & 0xFF;
      ++k;
    }
  }
  const BlurWeights& w = weights[k];
  uint32_t c = px[static_cast<size_t>(y) * width + x];
  return (blur_byte((c >> 16) & 0xFF, sr, w) << 16) | (blur_byte((c >> 8) & 0xFF, sg, w) << 8) |
         blur_byte(c & 0xFF, sb, w);
}

}  // namespace

void imagefilter_blurring(PIMAGE image, int intensity, int alpha) {
  IMAGE* im = checked(image, "IMAGE::imagefilter_blurring");
  const int width = im->width, height = im->height;
  BlurWeights weights[9] = {};
  for (int k = 1; k <= 8; ++k) weights[k] = blur_weights(intensity, alpha, k);
  weights[0].centre = weights[8].centre;  // a 1 x 1 image has no neighbours
  std::vector<uint32_t> src = im->pixels;
  const uint32_t* px = src.data();
  uint32_t* out = im->pixels.data();
  const BlurWeights w8 = weights[8];
  for (int y = 0; y < height; ++y) {
    const bool edge_row = y == 0 || y == height - 1;
    for (int x = 0; x < width; ++x) {
      if (edge_row || x == 0 || x == width - 1) {
        out[static_cast<size_t>(y) * width + x] = blur_border_pixel(px, width, height, x, y, weights);
        continue;
      }
      // Inside: red and blue summed together in one word, green alone.
      const uint32_t* up = px + static_cast<size_t>(y - 1) * width + x;
      const uint32_t* mid = up + width;
      const uint32_t* down = mid + width;
      uint32_t n[8] = {up[-1], up[0], up[1], mid[-1], mid[1], down[-1], down[0], down[1]};
      uint32_t rb = 0, g = 0;
      for (uint32_t p : n) {
        rb += p & 0x00FF00FFu;
        g += p & 0x0000FF00u;
      }
      g >>= 8;
      uint32_t c = mid[0];
      uint32_t r = blur_byte((c >> 16) & 0xFF, rb >> 16, w8);
      uint32_t b = blur_byte(c & 0xFF, rb & 0xFFFF, w8);
      uint32_t gg = blur_byte((c >> 8) & 0xFF, g, w8);
      out[static_cast<size_t>(y) * width + x] = (r << 16) | (gg << 8) | b;
    }
  }
}

}  // namespace wf::draw
