// The row kernels of the three pixel copies and the blur weights. The kernels work four
// pixels at a time with SSE2 where the build has it and finish the row with the scalar
// formula, so every path gives bit-identical results.
#pragma once
#include <cstddef>
#include <cstdint>

namespace wf::draw {

// dst[i] = src[i] wherever src[i] != key (all 32 bits compared).
void keyed_row(uint32_t* dst, const uint32_t* src, size_t n, uint32_t key);
// Per red, green, blue byte: d*(255-a)/256 + s*(a+1)/256 (each floored); top byte 0.
void blend_row(uint32_t* dst, const uint32_t* src, size_t n, uint32_t a);
// blend_row applied only where src[i] != key.
void keyblend_row(uint32_t* dst, const uint32_t* src, size_t n, uint32_t key, uint32_t a);

// The scalar blend of one pixel, the formula the kernels must match.
inline uint32_t blend_pixel(uint32_t d, uint32_t s, uint32_t a) {
  uint32_t rb = (((d & 0x00FF00FFu) * (255 - a)) >> 8) & 0x00FF00FFu;
  uint32_t g = (((d & 0x0000FF00u) >> 8) * (255 - a)) >> 8;
  uint32_t srb = (((s & 0x00FF00FFu) * (a + 1)) >> 8) & 0x00FF00FFu;
  uint32_t sg = (((s & 0x0000FF00u) >> 8) * (a + 1)) >> 8;
  return (rb + srb) | ((g + sg) << 8);
}

// Blur weights for a pixel with k neighbours inside the image (k = 3, 5 or 8).
struct BlurWeights {
  uint32_t centre;  // wc
  uint32_t whole;   // wi
  uint32_t frac;    // wf
};
BlurWeights blur_weights(int intensity, int alpha, int k);

}  // namespace wf::draw
