// Fonts for the drawing layer: fontconfig finds the font file for a face name, FreeType
// renders glyphs, and every glyph is rendered once per font size and kept.
//
// The three faces the programs use map to installed fonts: "微软雅黑" (a CJK sans),
// "宋体" (a CJK song face whose half-width glyphs advance exactly half the character
// height: 7 px at height 14) and "Consolas" (a monospace face). Any other name is matched
// by fontconfig as it stands. A nonzero width forces the advance of half-width glyphs to
// that width and of full-width glyphs to twice it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace wf::platform {

struct FontSpec {
  int height = 16;      // negative: character (em) height; positive: cell height
  int width = 0;        // 0: natural advances
  int weight = 0;       // 0 or 400: normal; 700 and above: bold
  bool italic = false;
  bool antialiased = false;
  std::string face;     // GBK face name
};

struct Glyph {
  int advance = 0;  // pixels to the next pen position (before any forced width)
  int left = 0;     // bitmap offset from the pen
  int top = 0;      // bitmap offset from the top of the text cell
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;  // width * height, 0..255 (0 or 255 when not antialiased)
};

struct FontMetrics {
  int ascent = 0;
  int cell_height = 0;  // ascent + descent
  int half_advance = 0;  // forced advance of half-width glyphs; 0: natural
  int full_advance = 0;  // forced advance of full-width glyphs; 0: natural
};

class Font;

// The font for a spec (opened once, kept for the run); nullptr when no font file is found.
Font* font_open(const FontSpec& spec);
const FontMetrics& font_metrics(const Font* font);
// The glyph of a code point (a missing glyph gives the font's substitute). Never null.
const Glyph* font_glyph(Font* font, char32_t code);
// The advance used for a character; wide is true for characters that take two columns.
int font_advance(Font* font, const Glyph* glyph, bool wide);

}  // namespace wf::platform
