// Text on images: font selection by face or FONTDESC, drawtext and the text metrics. Text
// arrives as GBK; a table built once from the platform's converter turns each byte pair
// into its UTF-16 character, and every two-byte character takes a full-width column.
// Bytes that are not valid GBK draw as '?'.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "draw/image.h"
#include "platform/font_raster.h"
#include "platform/gbk.h"

namespace wf::draw {
namespace {

constexpr char16_t NO_CHAR = 0;

// UTF-16 of every GBK byte pair (lead << 8 | trail), and of the single byte 0x80.
struct GbkTable {
  char16_t pair[65536] = {};
  char16_t euro = NO_CHAR;
};

const GbkTable& gbk_table() {
  static GbkTable* table = [] {
    auto* t = new GbkTable;
    // One conversion for all pairs, each followed by a newline: a pair that converts gives
    // exactly one unit before its newline.
    std::string all;
    all.reserve(126 * 191 * 3);
    for (int lead = 0x81; lead <= 0xFE; ++lead)
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        all += static_cast<char>(lead);
        all += static_cast<char>(trail);
        all += '\n';
      }
    std::u16string u = platform::gbk_to_utf16(all);
    size_t at = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        size_t nl = u.find(u'\n', at);
        if (nl == std::u16string::npos) nl = u.size();
        if (nl == at + 1 && u[at] != 0xFFFD) t->pair[(lead << 8) | trail] = u[at];
        at = nl + 1;
      }
    std::u16string e = platform::gbk_to_utf16("\x80");
    if (e.size() == 1 && e[0] != 0xFFFD) t->euro = e[0];
    return t;
  }();
  return *table;
}

struct TextChar {
  char32_t code;
  bool wide;
};

// Splits GBK bytes into characters.
void decode_gbk(const char* text, std::vector<TextChar>* out) {
  out->clear();
  const GbkTable& t = gbk_table();
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t n = std::strlen(text);
  for (size_t i = 0; i < n;) {
    unsigned b = s[i];
    if (b < 0x80) {
      out->push_back({b, false});
      ++i;
      continue;
    }
    if (b >= 0x81 && b <= 0xFE && i + 1 < n) {
      char16_t u = t.pair[(b << 8) | s[i + 1]];
      if (u != NO_CHAR) {
        out->push_back({u, true});
        i += 2;
        continue;
      }
    }
    if (b == 0x80 && t.euro != NO_CHAR) out->push_back({t.euro, false});
    else out->push_back({U'?', false});
    ++i;
  }
}

platform::Font* font_of(const IMAGE* im) {
  const FONTDESC& f = im->state.font;
  platform::FontSpec spec;
  spec.height = f.height == 0 ? 16 : f.height;
  spec.width = std::max(0, f.width);
  spec.weight = f.weight;
  spec.italic = f.italic != 0;
  spec.antialiased = f.quality == FONT_ANTIALIASED;
  spec.face.assign(f.face, strnlen(f.face, sizeof f.face));
  return platform::font_open(spec);
}

// Blends a glyph colour over a pixel with the given coverage; top byte 0.
inline uint32_t over(uint32_t d, uint32_t c, uint32_t cov) {
  if (cov >= 255) return c;
  uint32_t inv = 255 - cov;
  uint32_t r = (((c >> 16) & 0xFF) * cov + ((d >> 16) & 0xFF) * inv + 127) / 255;
  uint32_t g = (((c >> 8) & 0xFF) * cov + ((d >> 8) & 0xFF) * inv + 127) / 255;
  uint32_t b = ((c & 0xFF) * cov + (d & 0xFF) * inv + 127) / 255;
  return (r << 16) | (g << 8) | b;
}

thread_local std::vector<TextChar> t_chars;

int measure(platform::Font* font, const std::vector<TextChar>& chars) {
  int w = 0;
  for (const TextChar& c : chars) w += platform::font_advance(font, platform::font_glyph(font, c.code), c.wide);
  return w;
}

}  // namespace

void choosefont(int height, int width, const char* face, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::choosefont");
  FONTDESC f{};
  f.height = height;
  f.width = width;
  f.charset = 1;
  if (face) std::strncpy(f.face, face, sizeof f.face - 1);
  FONTDESC keep = im->state.font;
  im->state.font = f;
  if (!font_of(im)) im->state.font = keep;  // no such font: the previous one stays
}

void choosefont(const FONTDESC* font, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::choosefont");
  if (!font) return;
  FONTDESC keep = im->state.font;
  im->state.font = *font;
  im->state.font.face[sizeof im->state.font.face - 1] = 0;
  if (!font_of(im)) im->state.font = keep;
}

FONTDESC currentfont(PIMAGE image) { return resolve(image, "IMAGE::currentfont")->state.font; }

int textwidthof(const char* text, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::textwidthof");
  if (!text || !*text) return 0;
  platform::Font* font = font_of(im);
  if (!font) return 0;
  decode_gbk(text, &t_chars);
  return measure(font, t_chars);
}

int textheightof(const char* text, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::textheightof");
  (void)text;
  platform::Font* font = font_of(im);
  return font ? platform::font_metrics(font).cell_height : 0;
}

void drawtext(int x, int y, const char* text, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::drawtext");
  if (!text || !*text) return;
  platform::Font* font = font_of(im);
  if (!font) return;
  decode_gbk(text, &t_chars);
  const DrawState& st = im->state;
  const long ox = long(x) + st.clip_left, oy = long(y) + st.clip_top;
  const int cell = platform::font_metrics(font).cell_height;
  if (st.textmode == TEXT_OPAQUE) {
    long right = ox + measure(font, t_chars);
    long c0 = std::max<long>(ox, st.clip_left), c1 = std::min<long>(right, st.clip_right);
    long r0 = std::max<long>(oy, st.clip_top), r1 = std::min<long>(oy + cell, st.clip_bottom);
    const uint32_t bg = st.textback & 0x00FFFFFFu;
    for (long r = r0; r < r1 && c0 < c1; ++r)
      std::fill_n(im->pixels.data() + static_cast<size_t>(r) * im->width + c0, c1 - c0, bg);
  }
  const uint32_t colour = st.line & 0x00FFFFFFu;
  long pen = ox;
  for (const TextChar& c : t_chars) {
    const platform::Glyph* g = platform::font_glyph(font, c.code);
    const long gx = pen + g->left, gy = oy + g->top;
    pen += platform::font_advance(font, g, c.wide);
    long x0 = std::max<long>(gx, st.clip_left), x1 = std::min<long>(gx + g->width, st.clip_right);
    long y0 = std::max<long>(gy, st.clip_top), y1 = std::min<long>(gy + g->height, st.clip_bottom);
    for (long py = y0; py < y1; ++py) {
      const uint8_t* cov = g->coverage.data() + static_cast<size_t>(py - gy) * g->width;
      uint32_t* row = im->pixels.data() + static_cast<size_t>(py) * im->width;
      for (long px = x0; px < x1; ++px) {
        uint32_t a = cov[px - gx];
        if (a != 0) row[px] = over(row[px], colour, a);
      }
    }
    if (pen >= st.clip_right) break;
  }
}

}  // namespace wf::draw
