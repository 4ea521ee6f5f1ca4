// The three pixel copies, stretched putimage and the blur, against the exact formulas.
// Fast paths (four pixels at a time) are checked against a plain per-pixel reference on
// random images of every small width, at offsets that clip on all sides.
#include <random>

#include "draw_fixture.h"

namespace wf::draw::testing {
namespace {

// Plain reference of the global blend, per byte as the formula is written.
uint32_t ref_blend(uint32_t d, uint32_t s, uint32_t a) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    uint32_t db = (d >> shift) & 0xFF, sb = (s >> shift) & 0xFF;
    out |= ((db * (255 - a)) / 256 + (sb * (a + 1)) / 256) << shift;
  }
  return out;
}

enum class Copy { Keyed, Blend, KeyBlend };

// The destination after copying src onto dst at (x, y), computed pixel by pixel.
std::vector<uint32_t> ref_copy(std::vector<uint32_t> dst, int dw, int dh,
                               const std::vector<uint32_t>& src, int sw, int sh, int x, int y,
                               Copy kind, uint32_t key, uint32_t alpha) {
  for (int sy = 0; sy < sh; ++sy)
    for (int sx = 0; sx < sw; ++sx) {
      int dx = x + sx, dy = y + sy;
      if (dx < 0 || dy < 0 || dx >= dw || dy >= dh) continue;
      uint32_t s = src[size_t(sy) * sw + sx];
      uint32_t& d = dst[size_t(dy) * dw + dx];
      if (kind == Copy::Keyed) {
        if (s != key) d = s;
      } else if (kind == Copy::Blend) {
        d = ref_blend(d, s, alpha & 0xFF);
      } else if (s != key) {
        d = ref_blend(d, s, alpha & 0xFF);
      }
    }
  return dst;
}

void run_copy(PIMAGE dst, PIMAGE src, int x, int y, Copy kind, uint32_t key, uint32_t alpha) {
  switch (kind) {
    case Copy::Keyed: putimage_transparent(dst, src, x, y, key); break;
    case Copy::Blend: putimage_alphablend(dst, src, x, y, alpha); break;
    case Copy::KeyBlend: putimage_keyblend(dst, src, x, y, key, alpha); break;
  }
}

using CopyTest = Headless;

TEST_F(CopyTest, FastPathsMatchReferenceEverywhere) {
  std::mt19937 rng(7);
  auto random_pixels = [&](size_t n) {
    std::vector<uint32_t> v(n);
    // Mix in many exact keys so the keyed paths take both branches inside one vector.
    for (auto& p : v) p = (rng() % 4 == 0) ? 0u : static_cast<uint32_t>(rng());
    return v;
  };
  const int dw = 23, dh = 9;
  for (Copy kind : {Copy::Keyed, Copy::Blend, Copy::KeyBlend}) {
    for (uint32_t alpha : {0u, 1u, 128u, 254u, 255u, 0x1FFu}) {
      for (int sw = 1; sw <= 13; ++sw) {
        for (int x : {-7, -1, 0, 3, 20}) {
          int sh = 1 + sw % 5, y = x % 3 - 1;
          auto dpx = random_pixels(dw * dh), spx = random_pixels(size_t(sw) * sh);
          PIMAGE dst = image_of(dw, dh, dpx), src = image_of(sw, sh, spx);
          run_copy(dst, src, x, y, kind, 0, alpha);
          auto want = ref_copy(dpx, dw, dh, spx, sw, sh, x, y, kind, 0, alpha);
          ASSERT_EQ(pixels_of(dst), want) << "kind " << int(kind) << " alpha " << alpha
                                          << " sw " << sw << " x " << x;
          dropimage(dst);
          dropimage(src);
        }
      }
    }
  }
}

TEST_F(CopyTest, PixelRulesOfTheCopies) {
  struct Case {
    const char* what;
    Copy kind;
    uint32_t dst, src, alpha, want;
  } cases[] = {
      {"key 0 skips exact black", Copy::Keyed, 0x123456, 0x000000, 0, 0x123456},
      {"almost black is drawn", Copy::Keyed, 0x123456, 0x010000, 0, 0x010000},
      {"top byte is part of the key compare", Copy::Keyed, 0x123456, 0xFF000000, 0, 0xFF000000},
      {"alpha 255 copies the source", Copy::Blend, 0x0000FF, 0x123456, 255, 0x123456},
      {"alpha 0 darkens each byte one step", Copy::Blend, 0xFFFF01, 0xABCDEF, 0, 0xFEFE00},
      {"alpha 0 keeps 0 bytes", Copy::Blend, 0x00FF00, 0xFFFFFF, 0, 0x00FE00 + 0x000000},
      {"only the low 8 bits of alpha", Copy::Blend, 0x0000FF, 0x123456, 0x1FF, 0x123456},
      {"blend result has top byte 0", Copy::Blend, 0xFF000000, 0xEE123456, 255, 0x123456},
      {"keyed blend skips the key", Copy::KeyBlend, 0x808080, 0x000000, 255, 0x808080},
      {"keyed blend blends the rest", Copy::KeyBlend, 0xFFFFFF, 0x000001, 0, 0xFEFEFE},
  };
  for (const Case& c : cases) {
    PIMAGE d = image_of(1, 1, {c.dst}), s = image_of(1, 1, {c.src});
    run_copy(d, s, 0, 0, c.kind, 0, c.alpha);
    EXPECT_EQ(imagebuffer(d)[0], c.want) << c.what;
    dropimage(d);
    dropimage(s);
  }
}

TEST_F(CopyTest, CopiesClipToDestinationOnlyAndIgnoreClipRect) {
  std::vector<uint32_t> row(8);
  for (int i = 0; i < 8; ++i) row[i] = 0x100 + i;
  PIMAGE src = image_of(8, 1, row);
  PIMAGE dst = newimage(6, 2);
  cliprect(2, 1, 4, 2, dst);  // must not affect the three copies
  putimage_transparent(dst, src, -5, 0, 0);
  auto px = pixels_of(dst);
  EXPECT_EQ(px[0], 0x105u);  // column 5 of the source lands in column 0
  EXPECT_EQ(px[2], 0x107u);
  EXPECT_EQ(px[3], 0u);
  putimage_transparent(dst, src, 3, 1, 0);  // crosses the right edge: cut at column 5
  px = pixels_of(dst);
  EXPECT_EQ(px[6 + 3], 0x100u);
  EXPECT_EQ(px[6 + 5], 0x102u);
  putimage_alphablend(dst, src, 0, 2, 255);  // entirely below: nothing
  putimage_alphablend(dst, src, 100, -100, 255);
  EXPECT_EQ(pixels_of(dst), px);
}

TEST_F(CopyTest, CopyOntoItselfReadsTheOriginalPixels) {
  PIMAGE im = image_of(4, 1, {1, 2, 3, 4});
  putimage_transparent(im, im, 1, 0, 0);
  EXPECT_EQ(pixels_of(im), (std::vector<uint32_t>{1, 1, 2, 3}));
}

TEST_F(CopyTest, PlainAndStretchedPutimageHonourClipAndOrigin) {
  PIMAGE src = image_of(2, 2, {0xA, 0xB, 0xC, 0xD});
  PIMAGE dst = newimage(5, 4);
  drawtarget(dst);
  cliprect(1, 1, 4, 3);          // origin (1, 1), clip columns 1..3, rows 1..2
  putimage(0, 0, src);           // lands at (1, 1)
  putimage(2, 1, src);           // at (3, 2): only its top-left pixel fits
  auto px = pixels_of(dst);
  EXPECT_EQ(px[1 * 5 + 1], 0xAu);
  EXPECT_EQ(px[2 * 5 + 2], 0xDu);
  EXPECT_EQ(px[2 * 5 + 3], 0xAu);
  EXPECT_EQ(px[2 * 5 + 4], 0u);  // outside the clip rectangle
  EXPECT_EQ(px[3 * 5 + 3], 0u);

  cliprect(0, 0, 5, 4);
  clearimage();
  putimage(0, 0, 4, 2, src, 2, 2, PUT_COPY);  // columns doubled, rows kept
  px = pixels_of(dst);
  EXPECT_EQ((std::vector<uint32_t>(px.begin(), px.begin() + 4)),
            (std::vector<uint32_t>{0xA, 0xA, 0xB, 0xB}));
  EXPECT_EQ(px[5 + 2], 0xDu);
  putimage(0, 3, 1, 1, src, 2, 2, PUT_INVERT);  // shrunk to the first pixel, inverted
  EXPECT_EQ(pixels_of(dst)[15], 0x00FFFFF5u);
  drawtarget(nullptr);
}

// The blur of one pixel by the formula with the given neighbour count.
uint32_t ref_blur_byte(uint32_t c, uint32_t sum, int k) {
  const uint32_t ap = 224, al = 231;
  uint32_t wc = (255 - ap) * al / 256;
  if (k == 0) return c * wc / 256;  // a 1 x 1 image: no neighbours
  uint32_t wi = (ap * al / k) / 256;
  uint32_t wf = ((ap * al) % (al * k)) / k;
  return (c * wc + sum * wi + sum * wf / 256) / 256;
}

std::vector<uint32_t> ref_blur(const std::vector<uint32_t>& px, int w, int h) {
  std::vector<uint32_t> out(px.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t r = 0;
      for (int shift : {0, 8, 16}) {
        uint32_t sum = 0;
        int k = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if ((dx || dy) && nx >= 0 && ny >= 0 && nx < w && ny < h) {
              sum += (px[size_t(ny) * w + nx] >> shift) & 0xFF;
              ++k;
            }
          }
        r |= ref_blur_byte((px[size_t(y) * w + x] >> shift) & 0xFF, sum, k) << shift;
      }
      out[size_t(y) * w + x] = r;
    }
  return out;
}

TEST_F(CopyTest, BlurUsesTheWeightsOfEachNeighbourCount) {
  // 2 x 2: every pixel is a corner with 3 neighbours: (67, 154) and centre 27.
  PIMAGE small = image_of(2, 2, {0xFFFFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF});
  imagefilter_blurring(small, 240, 231);
  // 255*27 + 765*67 + 765*154/256 = 6885 + 51255 + 460 = 58600 -> 228 per byte; top byte 0.
  EXPECT_EQ(pixels_of(small), std::vector<uint32_t>(4, 0x00E4E4E4));

  std::mt19937 rng(3);
  for (auto [w, h] : {std::pair{1, 1}, {1, 5}, {6, 1}, {3, 3}, {9, 7}}) {
    std::vector<uint32_t> px(size_t(w) * h);
    for (auto& p : px) p = static_cast<uint32_t>(rng());
    PIMAGE im = image_of(w, h, px);
    imagefilter_blurring(im, 240, 231);
    EXPECT_EQ(pixels_of(im), ref_blur(px, w, h)) << w << "x" << h;
    dropimage(im);
  }
}

}  // namespace
}  // namespace wf::draw::testing
