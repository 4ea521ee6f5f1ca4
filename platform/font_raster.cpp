// Font lookup (fontconfig), rendering (FreeType) and the glyph cache. One lock guards the
// whole cache: fonts are opened and glyphs rendered on first use only.
#include "platform/font_raster.h"

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_OUTLINE_H

namespace wf::platform {
namespace {

// GBK spellings of the three faces the programs name.
const char kFaceYahei[] = "微软雅黑";
const char kFaceSong[] = "宋体";
const char kFaceConsolas[] = "Consolas";

struct FaceChoice {
  const char* families[3];  // fontconfig families, best first
  bool song;                // half-width advance forced to half the character height
};

const FaceChoice kYahei{{"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "sans-serif"}, false};
const FaceChoice kSong{{"AR PL UMing CN", "WenQuanYi Zen Hei", "serif"}, true};
const FaceChoice kMono{{"DejaVu Sans Mono", "monospace", nullptr}, false};

struct FontKey {
  std::string face;
  int height, width, weight;
  bool italic, antialiased;
  bool operator<(const FontKey& o) const {
    return std::tie(face, height, width, weight, italic, antialiased) <
           std::tie(o.face, o.height, o.width, o.weight, o.italic, o.antialiased);
  }
};

}  // namespace

class Font {
 public:
  FT_Face face = nullptr;
  FT_Face fallback = nullptr;  // a CJK face for the characters `face` lacks (Latin-only fonts)
  double em = 16;              // the size both faces are set to, in pixels
  bool antialiased = false;
  bool bold = false;
  bool song = false;
  FontMetrics metrics;
  std::unordered_map<char32_t, std::unique_ptr<Glyph>> glyphs;
};

namespace {

struct Library {
  std::mutex lock;
  FT_Library ft = nullptr;
  bool fc_ready = false;
  std::map<FontKey, std::unique_ptr<Font>> fonts;
  std::map<std::string, std::string> files;  // family request -> font file
};

Library& lib() {
  static Library* l = new Library;  // lives to the end of the process
  return *l;
}

// The font file fontconfig picks for a family; with require_same, only when the match is that
// family (so that a missing font falls through to the next choice).
std::string match_file(Library& L, const char* family, bool require_same) {
  std::string key = std::string(require_same ? "=" : "~") + family;
  auto it = L.files.find(key);
  if (it != L.files.end()) return it->second;
  std::string file;
  FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  if (pat) {
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res;
    FcPattern* m = FcFontMatch(nullptr, pat, &res);
    if (m) {
      FcChar8* path = nullptr;
      FcChar8* got = nullptr;
      bool same = FcPatternGetString(m, FC_FAMILY, 0, &got) == FcResultMatch &&
                  strcasecmp(reinterpret_cast<const char*>(got), family) == 0;
      if (FcPatternGetString(m, FC_FILE, 0, &path) == FcResultMatch && path && (same || !require_same))
        file = reinterpret_cast<const char*>(path);
      FcPatternDestroy(m);
    }
    FcPatternDestroy(pat);
  }
  L.files[key] = file;
  return file;
}

const FaceChoice* choice_for(const std::string& face) {
  if (face == kFaceYahei) return &kYahei;
  if (face == kFaceSong) return &kSong;
  if (strcasecmp(face.c_str(), kFaceConsolas) == 0) return &kMono;
  return nullptr;
}

std::string gbk_face_to_utf8(const std::string& face);

std::string find_font_file(Library& L, const std::string& face, bool* song) {
  *song = false;
  const FaceChoice* c = choice_for(face);
  if (c) *song = c->song;
  const FaceChoice* order = c ? c : &kYahei;
  for (int i = 0; i < 3 && order->families[i]; ++i) {
    bool last = i == 2 || order->families[i + 1] == nullptr;
    if (i == 0 && !c && !face.empty()) {
      // A face of its own: whatever fontconfig offers for the name.
      std::string f = match_file(L, gbk_face_to_utf8(face).c_str(), false);
      if (!f.empty()) return f;
    }
    std::string f = match_file(L, order->families[i], !last);
    if (!f.empty()) return f;
  }
  return std::string();
}

// Face names are ASCII or GBK; only their ASCII form matters to fontconfig here.
std::string gbk_face_to_utf8(const std::string& face) {
  std::string out;
  for (char c : face)
    if (static_cast<unsigned char>(c) < 0x80) out += c;
  return out.empty() ? std::string("sans-serif") : out;
}

int round_26_6(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }

// Sizes the face for the requested height; fills ascent and cell height.
void size_face(Font* f, int height) {
  FT_Face face = f->face;
  const double upem = face->units_per_EM ? face->units_per_EM : 1000;
  double asc = face->ascender, desc = -face->descender;
  if (TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      asc = os2->usWinAscent;
      desc = os2->usWinDescent;
    }
  }
  if (asc + desc <= 0) {
    asc = upem * 0.88;
    desc = upem * 0.12;
  }
  double em;
  if (height < 0) em = -height;
  else if (height > 0) em = height * upem / (asc + desc);
  else em = 16 * upem / (asc + desc);
  if (em < 1) em = 1;
  if (em > 1024) em = 1024;
  f->em = em;
  FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72);
  int a = static_cast<int>(std::lround(asc * em / upem));
  int d = static_cast<int>(std::lround(desc * em / upem));
  if (height > 0) d = height - a;  // the cell is exactly the requested height
  f->metrics.ascent = a;
  f->metrics.cell_height = a + d;
  if (f->metrics.cell_height < 1) f->metrics.cell_height = 1;
  f->metrics.half_advance = 0;
  f->metrics.full_advance = 0;
  if (f->song) {
    int ch = height < 0 ? -height : static_cast<int>(std::lround(em));
    f->metrics.half_advance = (ch + 1) / 2;
    f->metrics.full_advance = f->metrics.half_advance * 2;
  }
}

std::unique_ptr<Glyph> render_glyph(Font* f, char32_t code) {
  auto g = std::make_unique<Glyph>();
  FT_Face face = f->face;
  FT_UInt index = FT_Get_Char_Index(face, code);
  if (index == 0 && f->fallback) {
    if (FT_UInt other = FT_Get_Char_Index(f->fallback, code)) {
      face = f->fallback;
      index = other;
    }
  }
  FT_Int32 flags = FT_LOAD_DEFAULT | (f->antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
  if (FT_Load_Glyph(face, index, flags) != 0) return g;
  if (f->bold) FT_Outline_Embolden(&face->glyph->outline, 1 << 6);
  if (FT_Render_Glyph(face->glyph, f->antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0)
    return g;
  FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  g->advance = round_26_6(slot->advance.x);
  g->left = slot->bitmap_left;
  g->top = f->metrics.ascent - slot->bitmap_top;
  g->width = static_cast<int>(bm.width);
  g->height = static_cast<int>(bm.rows);
  g->coverage.assign(static_cast<size_t>(g->width) * g->height, 0);
  for (int y = 0; y < g->height; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    for (int x = 0; x < g->width; ++x) {
      uint8_t v;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      else v = row[x];
      g->coverage[static_cast<size_t>(y) * g->width + x] = v;
    }
  }
  return g;
}

// Gives a font whose file lacks Chinese (the monospace face) the CJK sans face as a fallback
// at the same size, so that GBK text in any face shows its characters instead of boxes.
void open_fallback(Library& L, Font* f, const std::string& file) {
  if (FT_Get_Char_Index(f->face, 0x4E2D) != 0) return;  // the face has CJK itself
  std::string cjk = match_file(L, kYahei.families[0], false);
  if (cjk.empty() || cjk == file) return;
  if (FT_New_Face(L.ft, cjk.c_str(), 0, &f->fallback) != 0) {
    f->fallback = nullptr;
    return;
  }
  FT_Select_Charmap(f->fallback, FT_ENCODING_UNICODE);
  FT_Set_Char_Size(f->fallback, 0, static_cast<FT_F26Dot6>(std::lround(f->em * 64)), 72, 72);
}

}  // namespace

Font* font_open(const FontSpec& spec) {
  Library& L = lib();
  std::lock_guard<std::mutex> hold(L.lock);
  FontKey key{spec.face, spec.height, spec.width, spec.weight >= 600 ? 700 : 400, spec.italic,
              spec.antialiased};
  auto it = L.fonts.find(key);
  if (it != L.fonts.end()) return it->second.get();
  if (!L.ft && FT_Init_FreeType(&L.ft) != 0) return nullptr;
  if (!L.fc_ready) L.fc_ready = FcInit() == FcTrue;
  bool song = false;
  std::string file = find_font_file(L, spec.face, &song);
  if (file.empty()) return nullptr;
  auto f = std::make_unique<Font>();
  if (FT_New_Face(L.ft, file.c_str(), 0, &f->face) != 0) return nullptr;
  FT_Select_Charmap(f->face, FT_ENCODING_UNICODE);
  f->antialiased = spec.antialiased;
  f->bold = spec.weight >= 600;
  f->song = song;
  size_face(f.get(), spec.height);
  open_fallback(L, f.get(), file);
  if (spec.width > 0) {
    f->metrics.half_advance = spec.width;
    f->metrics.full_advance = spec.width * 2;
  }
  Font* out = f.get();
  L.fonts.emplace(key, std::move(f));
  return out;
}

const FontMetrics& font_metrics(const Font* font) { return font->metrics; }

const Glyph* font_glyph(Font* font, char32_t code) {
  Library& L = lib();
  std::lock_guard<std::mutex> hold(L.lock);
  auto it = font->glyphs.find(code);
  if (it != font->glyphs.end()) return it->second.get();
  auto g = render_glyph(font, code);
  const Glyph* out = g.get();
  font->glyphs.emplace(code, std::move(g));
  return out;
}

int font_advance(Font* font, const Glyph* glyph, bool wide) {
  const FontMetrics& m = font->metrics;
  if (wide && m.full_advance > 0) return m.full_advance;
  if (!wide && m.half_advance > 0) return m.half_advance;
  return glyph->advance;
}

}  // namespace wf::platform
