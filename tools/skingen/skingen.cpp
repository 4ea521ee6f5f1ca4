// The skin art generator: draws every picture of desk/skin_inventory.inc at its listed size
// and writes it as a 24-bit PNG (no alpha) named <NAME>.png into the output folder, which
// the build embeds as "IMGS" resources. With --sheet it also writes one contact sheet that
// lays out the whole set with the names.
//
// Keyed pictures (drawn by the program with key 0) keep pure black exactly where nothing was
// painted; every other pixel is composed over the picture's matte (the colour it is meant to
// sit on) and lifted to at least 0x010101, so black never appears by accident.
//
// Usage: skingen <output folder> [--sheet <file.png>]
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/skingen/art.h"

using namespace skingen;

namespace {

struct Pic {
  const char* name;
  int width;
  int height;
  const char* family;
};

const Pic kPics[] = {
#define WF_SKIN(name, w, h, family) {#name, w, h, #family},
#include "desk/skin_inventory.inc"
};

// What a painter works on.
struct Canvas {
  cairo_t* cr = nullptr;
  const Pic* pic = nullptr;
  int w = 0, h = 0;
  bool keyed = false;   // pure black stays where nothing is painted
  uint32_t matte = kBar;
};

// Starts the picture: opaque pictures get their matte first; keyed ones stay empty.
void begin(Canvas& c, bool keyed, uint32_t matte) {
  c.keyed = keyed;
  c.matte = matte;
  if (!keyed) fill_rect(c.cr, 0, 0, c.w, c.h, matte);
}

bool starts(const char* s, const char* prefix) {
  return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}
bool is(const char* s, const char* name) { return std::strcmp(s, name) == 0; }
bool ends(const std::string& s, const char* suffix) {
  size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}
// The trailing state digit of a name ("X_2" -> 2), or -1.
int state_of(const std::string& s) {
  if (s.size() >= 2 && s[s.size() - 2] == '_' && s.back() >= '0' && s.back() <= '9')
    return s.back() - '0';
  return -1;
}
// The name without its trailing "_n" state.
std::string base_of(const std::string& s) {
  return state_of(s) >= 0 ? s.substr(0, s.size() - 2) : s;
}
const char* U(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Button looks shared by the icon buttons.
enum class Look { Normal, Hover, Pressed, Disabled, Active };

uint32_t icon_colour(Look look) {
  switch (look) {
    case Look::Normal: return 0xD9D6DE;
    case Look::Hover: return kText;
    case Look::Pressed: return 0xFFFFFF;
    case Look::Disabled: return kTextOff;
    case Look::Active: return kAccentHi;
  }
  return kText;
}

// An icon on a rounded plate: nothing under a normal or disabled icon, a light plate when
// hovered, the accent when pressed.
void icon_button(Canvas& c, Icon icon, Look look, double inset, double radius, double icon_size,
                 uint32_t hover = kHover, uint32_t pressed = kAccentLo) {
  if (look == Look::Hover)
    fill_rounded(c.cr, inset, inset, c.w - 2 * inset, c.h - 2 * inset, radius, hover);
  if (look == Look::Pressed)
    fill_rounded(c.cr, inset, inset, c.w - 2 * inset, c.h - 2 * inset, radius, pressed);
  draw_icon(c.cr, icon, c.w / 2.0, c.h / 2.0, icon_size, icon_colour(look));
}

// A one-line tooltip: dark plate, thin border, centred label.
void tooltip(Canvas& c, const char* label, double size) {
  begin(c, false, kRaised);
  cairo_rectangle(c.cr, 0.5, 0.5, c.w - 1, c.h - 1);
  set_rgb(c.cr, 0x4A4653);
  cairo_set_line_width(c.cr, 1);
  cairo_stroke(c.cr);
  draw_text_centered(c.cr, label, 0, 0, c.w, c.h, size, kText);
}

// Text buttons: primary (accent) and secondary (outlined) in four states.
void text_button(Canvas& c, const char* label, bool primary, int state, double size = 14) {
  double r = 6;
  uint32_t fill, text = kText, border = 0;
  if (primary) {
    const uint32_t fills[4] = {kAccent, kAccentHi, kAccentLo, 0x34313D};
    fill = fills[state & 3];
    if (state == 3) text = 0x76727E;
  } else {
    const uint32_t fills[4] = {kSigninField, 0x322F3D, 0x1C1B24, kSigninField};
    const uint32_t borders[4] = {0x45414F, 0x6A6578, 0x2F8CF5, 0x2C2A35};
    fill = fills[state & 3];
    border = borders[state & 3];
    if (state == 3) text = kTextOff;
  }
  fill_rounded(c.cr, 0, 0, c.w, c.h, r, fill);
  if (!primary) stroke_rounded(c.cr, 0, 0, c.w, c.h, r, border);
  if (primary && state == 0) {
    // A faint top light gives the flat button a little body.
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, c.h);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.10);
    cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0.0);
    rounded_rect(c.cr, 0, 0, c.w, c.h, r);
    cairo_set_source(c.cr, g);
    cairo_fill(c.cr);
    cairo_pattern_destroy(g);
  }
  draw_text_centered(c.cr, label, 0, 0, c.w, c.h, size, text, primary);
}

// ---- Tools bar ----

Icon tool_icon(const std::string& b) {
  if (b == "NEW") return Icon::NotePlus;
  if (b == "CUT") return Icon::Capture;
  if (b == "CEL") return Icon::Undo;
  if (b == "CER") return Icon::Redo;
  if (b == "SYNC") return Icon::Sync;
  if (b == "RESIZE") return Icon::Resize;
  return Icon::Origin;
}

void paint_tools(Canvas& c) {
  std::string name = c.pic->name + 6;  // after "TOOLS_"
  if (ends(name, "_REM")) {
    std::string b = name.substr(0, name.size() - 4);
    const char* label = b == "NEW"      ? U(u8"新建 case (Ctrl+N)")
                        : b == "CUT"    ? U(u8"截屏 (Ctrl+Shift+X)")
                        : b == "CEL"    ? U(u8"撤销 (Ctrl+Z)")
                        : b == "CER"    ? U(u8"重做 (Ctrl+Y)")
                        : b == "SYNC"   ? U(u8"同步 (Ctrl+U)")
                        : b == "RESIZE" ? U(u8"重设窗口大小")
                                        : U(u8"恢复白板坐标位置（Ctrl+R）");
    tooltip(c, label, 13);
    return;
  }
  int state = state_of(name);
  std::string b = base_of(name);
  bool lite = ends(b, "_LITE");
  if (lite) b = b.substr(0, b.size() - 5);
  begin(c, true, kBar);
  Look look = state == 1 ? Look::Hover : Look::Normal;
  if (b == "CEL" || b == "CER") look = state == 0 ? Look::Disabled : state == 1 ? Look::Hover : Look::Normal;
  if (b == "SYNC") look = state == 2 ? Look::Pressed : state == 3 ? Look::Disabled : look;
  double inset = lite ? 2 : 4, radius = lite ? 6 : 10, icon = lite ? 18 : 26;
  icon_button(c, tool_icon(b), look, inset, radius, icon);
  if (b == "SYNC" && state == 3) {
    // Unavailable: a small clock badge (the service's nightly window).
    double r = lite ? 4.5 : 7, x = c.w - inset - r - 1, y = c.h - inset - r - 1;
    cairo_arc(c.cr, x, y, r, 0, 2 * M_PI);
    set_rgb(c.cr, 0xD98E2B);
    cairo_fill(c.cr);
    set_rgb(c.cr, kBar);
    cairo_set_line_width(c.cr, lite ? 1.2 : 1.6);
    cairo_move_to(c.cr, x, y - r * 0.6);
    cairo_line_to(c.cr, x, y);
    cairo_line_to(c.cr, x + r * 0.5, y);
    cairo_stroke(c.cr);
  }
}

// ---- Top bar, logo and top menu ----

void paint_top(Canvas& c) {
  std::string name = c.pic->name;
  int state = state_of(name);
  cairo_t* cr = c.cr;
  if (starts(c.pic->name, "TOP_COLOR_")) {
    begin(c, true, kBar);
    int theme = name[10] - '0', chosen = name[11] - '0';
    if (chosen) {
      fill_rounded(cr, 4, 1, 18, 18, 5, kAccent);
      fill_rounded(cr, 5.5, 2.5, 15, 15, 3.5, kBar);
    }
    fill_rounded(cr, 7, 4, 12, 12, 3, kTheme[theme]);
    stroke_rounded(cr, 7, 4, 12, 12, 3, mix(kTheme[theme], 0xFFFFFF, 0.35));
    return;
  }
  if (starts(c.pic->name, "TOP_LOCK_") || starts(c.pic->name, "TOP_USER_")) {
    begin(c, true, kBar);
    Look look = state == 1 ? Look::Hover : state == 2 ? Look::Pressed : Look::Normal;
    icon_button(c, name[4] == 'L' ? Icon::Lock : Icon::User, look, 1, 4, 15);
    return;
  }
  if (starts(c.pic->name, "TOP_MIN_") || starts(c.pic->name, "TOP_MAX_") ||
      starts(c.pic->name, "TOP_CLOSE_")) {
    begin(c, true, kBar);
    bool close = starts(c.pic->name, "TOP_CLOSE_");
    if (is(c.pic->name, "TOP_CLOSE_TOP")) state = 0;
    int look_state = state % 3;
    Icon icon = close ? Icon::Close : starts(c.pic->name, "TOP_MIN_") ? Icon::Minimise
                : state >= 3 ? Icon::Restore : Icon::Maximise;
    uint32_t hover = close ? kRed : 0x2E2B34, pressed = close ? kRedLo : 0x3E3A46;
    if (look_state == 1) fill_rect(cr, 0, 0, c.w, c.h, hover);
    if (look_state == 2) fill_rect(cr, 0, 0, c.w, c.h, pressed);
    draw_icon(cr, icon, c.w / 2.0, c.h / 2.0, 17, look_state == 0 ? 0xCFCCD4 : 0xFFFFFF);
    return;
  }
  if (starts(c.pic->name, "TOP_LOGO_LITE_NEW")) {
    begin(c, true, kBar);
    cairo_arc(cr, 31, 6, 4.5, 0, 2 * M_PI);
    set_rgb(cr, kBar);
    cairo_fill(cr);
    cairo_arc(cr, 31, 6, 3.2, 0, 2 * M_PI);
    set_rgb(cr, kRed);
    cairo_fill(cr);
    return;
  }
  if (starts(c.pic->name, "TOP_LOGO_LITE_")) {
    begin(c, true, kBar);
    if (state == 1) fill_rounded(cr, 2, 2, 33, 26, 6, 0x26232C);
    draw_mark(cr, 7.5, 4, 22);
    return;
  }
  if (starts(c.pic->name, "TOP_LOGO_")) {
    begin(c, true, kBar);
    if (state == 1) fill_rounded(cr, 6, 7, 160, 49, 10, 0x221F28);
    draw_mark(cr, 16, 14.5, 34);
    draw_text(cr, "Wrenfield", 60, 35, 20, state == 1 ? 0xFFFFFF : 0xEDEBF0, true);
    draw_text(cr, U(u8"白板 · 便签 · 同步"), 61, 51, 11, state == 1 ? 0xB9B5C2 : 0x8C8895);
    return;
  }
  if (starts(c.pic->name, "TOP_MENU_NEW_")) {
    // The badge sits on the logo, so its corners take the logo's colour for each state.
    begin(c, false, state == 1 ? 0x221F28 : kBar);
    fill_rounded(cr, 0, 0, c.w, c.h, 8, kRed);
    draw_text_centered(cr, "NEW", 0, 0, c.w, c.h, 10, 0xFFFFFF, true);
    return;
  }
  if (starts(c.pic->name, "TOP_MENU_")) {
    std::string entry = base_of(name).substr(9);
    Icon icon = entry == "OPTION" ? Icon::Gear : entry == "UPDATE" ? Icon::Update
                : entry == "QUICK" ? Icon::Book : entry == "TOME" ? Icon::Chat : Icon::Info;
    begin(c, false, kPanel);
    if (state == 1) {
      fill_rounded(cr, 4, 3, c.w - 8, c.h - 6, 7, 0x2F3A52);
      fill_rounded(cr, 4, 12, 3, c.h - 24, 1.5, kAccent);
    }
    fill_rect(cr, 16, c.h - 1, c.w - 32, 1, 0x2C2932);
    draw_icon(cr, icon, 36, c.h / 2.0, 20, state == 1 ? kAccentHi : kTextDim);
    return;
  }
  std::fprintf(stderr, "skingen: no painter for %s\n", c.pic->name);
  ++g_warnings;
}

// ---- Context menu ----

struct MenuCommand {
  const char* command;
  const char8_t* label;
  Icon icon;
};
const MenuCommand kMenu[] = {
    {"NEW", u8"新建case... (N)", Icon::NotePlus},   {"DEL", u8"删除case(D)", Icon::Delete},
    {"CUTN", u8"剪切case(X)", Icon::Cut},           {"PASTEN", u8"粘贴case(B)", Icon::Paste},
    {"REN", u8"更改标题(M)", Icon::Rename},         {"RESKIN", u8"更改皮肤...", Icon::Palette},
    {"COPY", u8"复制(C)", Icon::Copy},              {"PASTE", u8"粘贴(V)", Icon::Paste},
    {"LOCK", u8"锁定(L)", Icon::Lock},              {"PWDSET", u8"设置锁定密码...", Icon::Key},
    {"PWDRESET", u8"重设锁定密码...", Icon::Key},   {"PICFRAME", u8"更换相框(M)", Icon::Frame},
    {"TOPIC", u8"转换成照片", Icon::Picture},       {"NEW_FRAME", u8"新建白板... (N)", Icon::Plus},
    {"DEL_FRAME", u8"删除白板(D)", Icon::Delete},   {"TOPOST", u8"转换成case", Icon::Post},
    {"TOP_LITE", u8"转精简工具栏", Icon::Compact},  {"TOP_NORMAL", u8"转常规工具栏", Icon::Normal},
    {"TOBMP", u8"转换成地图", Icon::Map},           {"TO_TITLE", u8"转换成标题", Icon::Title},
    {"RESIZE", u8"重设窗口大小", Icon::Resize},     {"LEVEL_DOWN", u8"置底", Icon::LevelDown},
    {"LEVEL_LOCK", u8"置底并锁定", Icon::LevelLock}, {"LEVEL_UP", u8"解除置底", Icon::LevelUp},
};

void paint_rmenu(Canvas& c) {
  cairo_t* cr = c.cr;
  if (is(c.pic->name, "RMENU_BACK")) {
    begin(c, true, kPanel);
    fill_rounded(cr, 0, 0, c.w, c.h, 5, kLine);
    fill_rounded(cr, 1, 1, c.w - 2, c.h - 2, 4, kPanel);
    // Group separators between the case rows, the clipboard rows and the lock rows.
    for (int row : {4, 8}) fill_rect(cr, 14, 9 + 28 * row, c.w - 28, 1, 0x34303B);
    return;
  }
  std::string name = c.pic->name + 6;
  int state = state_of(name);
  std::string command = base_of(name);
  const MenuCommand* m = nullptr;
  for (const MenuCommand& entry : kMenu)
    if (command == entry.command) m = &entry;
  if (!m) {
    std::fprintf(stderr, "skingen: unknown menu command %s\n", c.pic->name);
    ++g_warnings;
    return;
  }
  begin(c, true, kPanel);
  uint32_t text = kText, icon = kTextDim;
  if (state == 1) {
    fill_rounded(cr, 3, 2, c.w - 6, c.h - 4, 5, kAccent);
    text = icon = 0xFFFFFF;
  }
  if (state == 2) text = icon = kTextOff;
  draw_icon(cr, m->icon, 17, c.h / 2.0, 16, icon);
  check_fit(U(m->label), text_width(cr, U(m->label), 13), c.w - 40);
  draw_text_left(cr, U(m->label), 33, 0, c.h, 13, text);
}

// ---- Rename box ----

void paint_renbox(Canvas& c) {
  cairo_t* cr = c.cr;
  const uint32_t box = 0x2A2731;
  if (is(c.pic->name, "RENBOX_BACK_0")) {
    begin(c, false, box);
    cairo_rectangle(cr, 0.5, 0.5, c.w - 1, c.h - 1);
    set_rgb(cr, kAccent);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    return;
  }
  begin(c, true, box);
  bool yes = starts(c.pic->name, "RENBOX_YES");
  bool hover = state_of(c.pic->name) == 1;
  if (hover) fill_rounded(cr, 1, 1, 18, 18, 4, yes ? kGreen : kRed);
  draw_icon(cr, yes ? Icon::Check : Icon::Close, 10, 10, 15,
            hover ? 0xFFFFFF : yes ? kGreen : kTextDim);
}

// ---- Night sky ----

struct Lcg {
  uint32_t x;
  double next() {  // 0 .. 1
    x = x * 1664525u + 1013904223u;
    return (x >> 8) / 16777216.0;
  }
};

void paint_wallpaper(Canvas& c) {
  cairo_t* cr = c.cr;
  begin(c, false, 0x070914);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, c.h);
  cairo_pattern_add_color_stop_rgb(sky, 0.0, 0x05 / 255.0, 0x06 / 255.0, 0x10 / 255.0);
  cairo_pattern_add_color_stop_rgb(sky, 0.6, 0x0B / 255.0, 0x10 / 255.0, 0x26 / 255.0);
  cairo_pattern_add_color_stop_rgb(sky, 1.0, 0x16 / 255.0, 0x1B / 255.0, 0x3C / 255.0);
  cairo_rectangle(cr, 0, 0, c.w, c.h);
  cairo_set_source(cr, sky);
  cairo_fill(cr);
  cairo_pattern_destroy(sky);
  // Two faint nebulae.
  struct Glow { double x, y, r; uint32_t rgb; double a; };
  for (Glow g : {Glow{420, 300, 420, 0x4A3A8C, 0.16}, Glow{1180, 620, 520, 0x1E5A8C, 0.14},
                 Glow{900, 180, 260, 0x7A3A7A, 0.08}}) {
    cairo_pattern_t* p = cairo_pattern_create_radial(g.x, g.y, 0, g.x, g.y, g.r);
    double r = ((g.rgb >> 16) & 255) / 255.0, gr = ((g.rgb >> 8) & 255) / 255.0,
           b = (g.rgb & 255) / 255.0;
    cairo_pattern_add_color_stop_rgba(p, 0, r, gr, b, g.a);
    cairo_pattern_add_color_stop_rgba(p, 1, r, gr, b, 0);
    cairo_rectangle(cr, 0, 0, c.w, c.h);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  // A faint band of the galaxy across the sky: a soft glow and a dust of tiny stars.
  Lcg rng{20261211u};
  {
    cairo_save(cr);
    cairo_translate(cr, c.w * 0.5, c.h * 0.48);
    cairo_rotate(cr, -0.42);
    cairo_scale(cr, 1.0, 0.16);
    cairo_pattern_t* band = cairo_pattern_create_radial(0, 0, 0, 0, 0, c.w * 0.62);
    cairo_pattern_add_color_stop_rgba(band, 0, 0.55, 0.58, 0.80, 0.13);
    cairo_pattern_add_color_stop_rgba(band, 0.6, 0.45, 0.45, 0.75, 0.05);
    cairo_pattern_add_color_stop_rgba(band, 1, 0.4, 0.4, 0.7, 0.0);
    cairo_arc(cr, 0, 0, c.w * 0.62, 0, 2 * M_PI);
    cairo_set_source(cr, band);
    cairo_fill(cr);
    cairo_pattern_destroy(band);
    cairo_restore(cr);
    const double cx = c.w * 0.5, cy = c.h * 0.48, ca = std::cos(-0.42), sa = std::sin(-0.42);
    for (int i = 0; i < 2600; ++i) {
      double along = (rng.next() - 0.5) * c.w * 1.2;
      double across = (rng.next() + rng.next() + rng.next() - 1.5) * 70;
      double x = cx + along * ca - across * sa, y = cy + along * sa + across * ca;
      cairo_arc(cr, x, y, 0.3 + rng.next() * 0.45, 0, 2 * M_PI);
      cairo_set_source_rgba(cr, 0.85, 0.87, 1.0, 0.25 + 0.45 * rng.next());
      cairo_fill(cr);
    }
  }
  // Stars: many faint, some bright with a halo.
  for (int i = 0; i < 1500; ++i) {
    double x = rng.next() * c.w, y = rng.next() * c.h, m = rng.next();
    double radius = 0.35 + m * m * m * 1.5, bright = 0.35 + 0.65 * rng.next();
    double tint = rng.next();
    double r = 0.85 + 0.15 * tint, g = 0.88 + 0.1 * rng.next(), b = 1.0 - 0.2 * (1 - tint);
    if (radius > 1.3) {
      cairo_pattern_t* halo = cairo_pattern_create_radial(x, y, 0, x, y, radius * 5);
      cairo_pattern_add_color_stop_rgba(halo, 0, r, g, b, 0.22 * bright);
      cairo_pattern_add_color_stop_rgba(halo, 1, r, g, b, 0);
      cairo_arc(cr, x, y, radius * 5, 0, 2 * M_PI);
      cairo_set_source(cr, halo);
      cairo_fill(cr);
      cairo_pattern_destroy(halo);
    }
    cairo_arc(cr, x, y, radius, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, r, g, b, bright);
    cairo_fill(cr);
  }
}

// ---- Case widgets ----

const char8_t* armor_tip(const std::string& b) {
  if (b == "CUT") return u8"剪切";
  if (b == "COPY") return u8"复制";
  if (b == "PASTE") return u8"粘贴";
  if (b == "UP") return u8"向上关联";
  if (b == "LINE") return u8"横向关联";
  if (b == "DOWN") return u8"向下关联";
  if (b == "TACI") return u8"固定位置";
  if (b == "ZOOM_IN") return u8"放大";
  if (b == "ZOOM_OUT") return u8"缩小";
  if (b == "SIGN") return u8"添加位标";
  if (b == "UNSIGN") return u8"删除位标";
  if (b == "LEVEL_UP") return u8"解除置底";
  if (b == "LEVEL_DOWN") return u8"置底";
  if (b == "LEVEL_LOCK") return u8"置底并锁定";
  return nullptr;
}

Icon armor_icon(const std::string& b) {
  if (b == "CUT") return Icon::Scissors;
  if (b == "COPY") return Icon::Copy;
  if (b == "PASTE") return Icon::Paste;
  if (b == "UP") return Icon::ArrowUp;
  if (b == "LINE") return Icon::ArrowSide;
  if (b == "DOWN") return Icon::ArrowDown;
  if (b == "ZOOM_IN") return Icon::ZoomIn;
  if (b == "ZOOM_OUT") return Icon::ZoomOut;
  if (b == "SIGN") return Icon::SignAdd;
  if (b == "UNSIGN") return Icon::SignRemove;
  if (b == "LEVEL_UP") return Icon::LevelUp;
  if (b == "LEVEL_DOWN") return Icon::LevelDown;
  return Icon::LevelLock;
}

void armor_plate(Canvas& c, Look look) {
  begin(c, false, kRaised);
  if (look == Look::Hover) fill_rounded(c.cr, 2, 2, 24, 24, 5, 0x403B48);
  if (look == Look::Pressed) fill_rounded(c.cr, 2, 2, 24, 24, 5, kAccentLo);
}

void paint_case(Canvas& c) {
  cairo_t* cr = c.cr;
  std::string name = c.pic->name;
  int state = state_of(name);
  if (starts(c.pic->name, "ARMOR_REM_") || is(c.pic->name, "ARMOR_TO_TITLE") ||
      is(c.pic->name, "ARMOR_TO_POST")) {
    const char8_t* label = is(c.pic->name, "ARMOR_TO_TITLE") ? u8"转换成标题"
                           : is(c.pic->name, "ARMOR_TO_POST") ? u8"转换成case"
                                                              : armor_tip(name.substr(10));
    tooltip(c, U(label), 12);
    return;
  }
  if (starts(c.pic->name, "ARMOR_BLANK")) {
    armor_plate(c, Look::Normal);
    if (is(c.pic->name, "ARMOR_BLANK_1")) fill_rounded(cr, 2, 2, 24, 24, 5, 0x35313C);
    return;
  }
  if (starts(c.pic->name, "ARMOR_RESIZE_")) {
    // 0 post, 1 post hovered, 2 title, 3 title hovered.
    Look look = state % 2 ? Look::Hover : Look::Normal;
    armor_plate(c, look);
    draw_icon(cr, state >= 2 ? Icon::Expand : Icon::Collapse, 14, 14, 18,
              state >= 2 ? kAccentHi : icon_colour(look));
    return;
  }
  if (starts(c.pic->name, "ARMOR_TACI_")) {
    // 0 free, 1 free hovered, 2 pinned, 3 pinned hovered.
    Look look = state % 2 ? Look::Hover : Look::Normal;
    armor_plate(c, look);
    draw_icon(cr, state >= 2 ? Icon::PinFilled : Icon::Pin, 14, 14, 18,
              state >= 2 ? 0xFF6B6B : icon_colour(look));
    return;
  }
  if (starts(c.pic->name, "ARMOR_")) {
    std::string b = base_of(name).substr(6);
    Look look = state == 1 ? Look::Hover : state == 2 ? Look::Pressed : Look::Normal;
    armor_plate(c, look);
    draw_icon(cr, armor_icon(b), 14, 13.5, 18, icon_colour(look));
    // The association buttons carry their line colour.
    uint32_t mark = b == "UP" ? 0xBDBDC4 : b == "LINE" ? 0x00A800 : b == "DOWN" ? 0xD70020 : 0;
    if (mark) fill_rounded(cr, 9, 24, 10, 2, 1, mark);
    return;
  }
  if (starts(c.pic->name, "SCROLL_ARROW_")) {
    begin(c, false, 0xE6E6E6);
    bool up = is(c.pic->name, "SCROLL_ARROW_UP");
    cairo_move_to(cr, 2, up ? 6.5 : 3.5);
    cairo_line_to(cr, 5, up ? 3.5 : 6.5);
    cairo_line_to(cr, 8, up ? 6.5 : 3.5);
    set_rgb(cr, 0x77737F);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    return;
  }
  if (is(c.pic->name, "MAP_POINT")) {
    begin(c, true, 0x808080);
    cairo_arc(cr, 5, 5, 4.8, 0, 2 * M_PI);
    set_rgb(cr, 0xFFFFFF);
    cairo_fill(cr);
    cairo_arc(cr, 5, 5, 3.3, 0, 2 * M_PI);
    set_rgb(cr, kRed);
    cairo_fill(cr);
    return;
  }
  if (is(c.pic->name, "MAP_UNSIGN")) {
    begin(c, true, 0x808080);
    cairo_arc(cr, 10, 10, 9.2, 0, 2 * M_PI);
    set_rgb(cr, 0xFFFFFF);
    cairo_fill(cr);
    cairo_arc(cr, 10, 10, 7.6, 0, 2 * M_PI);
    set_rgb(cr, kRed);
    cairo_fill(cr);
    draw_icon(cr, Icon::Minimise, 10, 9.5, 16, 0xFFFFFF);
    return;
  }
  if (starts(c.pic->name, "PULL_")) {
    int n = std::atoi(c.pic->name + 5);
    begin(c, false, kCaseBody[n]);
    uint32_t grip = n == 9 ? 0x8A8A8A : mix(kCaseBody[n], 0x000000, 0.38);
    set_rgb(cr, grip);
    cairo_set_line_width(cr, 1.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (double d : {3.0, 6.0, 9.0}) {
      cairo_move_to(cr, 9.2 - d, 9.2);
      cairo_line_to(cr, 9.2, 9.2 - d);
    }
    cairo_stroke(cr);
    return;
  }
  if (is(c.pic->name, "NOTEPAD_LOCK")) {
    begin(c, true, kBar);
    cairo_arc(cr, 12, 12, 11, 0, 2 * M_PI);
    set_rgb(cr, 0x2A2731);
    cairo_fill(cr);
    draw_icon(cr, Icon::Lock, 12, 12, 15, 0xF2C14E);
    return;
  }
  if (starts(c.pic->name, "NOTEPAD_")) {
    int n = std::atoi(c.pic->name + 8);
    if (n >= 10) {
      n -= 10;
      begin(c, false, kCaseTitle[n]);
      cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, c.h);
      cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.10);
      cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0.0);
      cairo_rectangle(cr, 0, 0, c.w, c.h);
      cairo_set_source(cr, g);
      cairo_fill(cr);
      cairo_pattern_destroy(g);
      fill_rect(cr, 0, c.h - 1, c.w, 1, mix(kCaseTitle[n], 0x000000, 0.22));
      // A small fold at the right end of the bar.
      cairo_move_to(cr, c.w - 12, 0);
      cairo_line_to(cr, c.w, 0);
      cairo_line_to(cr, c.w, 12);
      cairo_close_path(cr);
      set_rgb(cr, mix(kCaseTitle[n], 0xFFFFFF, 0.25));
      cairo_fill(cr);
      return;
    }
    // Skin swatch: a tiny case in colour n, as the skin chooser shows it.
    begin(c, false, kPanel);
    rounded_rect(cr, 1, 1, 52, 52, 6);
    cairo_save(cr);
    cairo_clip(cr);
    fill_rect(cr, 0, 0, 54, 54, kCaseBody[n]);
    fill_rect(cr, 0, 0, 54, 15, kCaseTitle[n]);
    set_rgb(cr, n == 9 ? 0x6A6A6A : mix(kCaseBody[n], 0x000000, 0.22));
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int line = 0; line < 3; ++line) {
      cairo_move_to(cr, 9, 25 + 8 * line);
      cairo_line_to(cr, line == 2 ? 30 : 44, 25 + 8 * line);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
    stroke_rounded(cr, 1, 1, 52, 52, 6, 0x4A4653);
    return;
  }
  std::fprintf(stderr, "skingen: no painter for %s\n", c.pic->name);
  ++g_warnings;
}

// ---- Built-in pin marks ----

void paint_pin(Canvas& c) {
  cairo_t* cr = c.cr;
  begin(c, true, 0xD8D8D8);
  if (is(c.pic->name, "TACI_MARK")) {
    // A red thumbtack whose needle points into the case's title bar.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    set_rgb(cr, 0x9C9AA2);
    cairo_set_line_width(cr, 2.2);
    cairo_move_to(cr, 15, 19);
    cairo_line_to(cr, 10, 29);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, 18, 12);
    cairo_rotate(cr, 0.45);
    cairo_scale(cr, 1.0, 0.62);
    cairo_arc(cr, 0, 7, 8, 0, 2 * M_PI);  // collar
    cairo_restore(cr);
    set_rgb(cr, 0xA3212A);
    cairo_fill(cr);
    cairo_pattern_t* head = cairo_pattern_create_radial(15, 7, 1, 18, 11, 10);
    cairo_pattern_add_color_stop_rgb(head, 0, 1.0, 0.55, 0.55);
    cairo_pattern_add_color_stop_rgb(head, 0.5, 0.90, 0.22, 0.25);
    cairo_pattern_add_color_stop_rgb(head, 1, 0.62, 0.10, 0.14);
    cairo_arc(cr, 18, 10.5, 8.5, 0, 2 * M_PI);
    cairo_set_source(cr, head);
    cairo_fill(cr);
    cairo_pattern_destroy(head);
    return;
  }
  // The association end mark: a drop whose tip marks the end point (12, 22).
  cairo_move_to(cr, 12, 22.5);
  cairo_curve_to(cr, 8, 17, 4.5, 13.5, 4.5, 9.5);
  cairo_arc(cr, 12, 9.5, 7.5, M_PI, 2 * M_PI);
  cairo_curve_to(cr, 19.5, 13.5, 16, 17, 12, 22.5);
  cairo_close_path(cr);
  set_rgb(cr, kAccent);
  cairo_fill_preserve(cr);
  set_rgb(cr, 0xFFFFFF);
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
  cairo_arc(cr, 12, 9.5, 3, 0, 2 * M_PI);
  set_rgb(cr, 0xFFFFFF);
  cairo_fill(cr);
}

// ---- Board selector ----

void paint_board(Canvas& c) {
  cairo_t* cr = c.cr;
  std::string name = c.pic->name;
  int state = state_of(name);
  if (starts(c.pic->name, "BOARD_TOP_FALSE_") || starts(c.pic->name, "BOARD_TOP_TRUE_")) {
    begin(c, true, kBar);
    bool open = starts(c.pic->name, "BOARD_TOP_TRUE_");
    if (state == 1) fill_rounded(cr, 1, 3, c.w - 2, c.h - 6, 6, kHover);
    if (open) fill_rounded(cr, 1, 3, c.w - 2, c.h - 6, 6, state == 1 ? 0x35435C : 0x2A3446);
    uint32_t fg = state == 1 || open ? kText : 0xD9D6DE;
    draw_icon(cr, Icon::List, 15, 15, 16, open ? kAccentHi : fg);
    draw_text_left(cr, U(u8"白板"), 29, 0, c.h, 13, fg);
    draw_icon(cr, open ? Icon::ChevronUp : Icon::ChevronDown, 80, 15, 14, fg);
    return;
  }
  if (starts(c.pic->name, "ADD_LITE_")) {
    begin(c, true, kBar);
    Look look = state == 1 ? Look::Hover : state == 2 ? Look::Pressed : Look::Normal;
    icon_button(c, Icon::Plus, look, 3, 6, 16);
    return;
  }
  if (is(c.pic->name, "BOARD_TOP_BAR")) {
    begin(c, false, 0x201E24);
    fill_rect(cr, 0, c.h - 1, c.w, 1, kLine);
    draw_text_left(cr, U(u8"白板列表"), 14, 0, c.h, 12, kTextDim);
    return;
  }
  if (is(c.pic->name, "BOARD_SELECT_0")) {
    begin(c, false, mix(0x1B1B1B, kAccent, 0.26));
    fill_rect(cr, 0, 4, 3, c.h - 8, kAccentHi);
    return;
  }
  std::fprintf(stderr, "skingen: no painter for %s\n", c.pic->name);
  ++g_warnings;
}

// ---- Dialogs ----

// The frame shared by the dialog boxes: body, header band with the title, border.
void dialog_box(Canvas& c, const char8_t* title, Icon icon = Icon::None) {
  cairo_t* cr = c.cr;
  begin(c, false, kPanel);
  fill_rect(cr, 0, 0, c.w, 30, kHeader);
  fill_rect(cr, 0, 30, c.w, 1, kLine);
  double x = 12;
  if (icon != Icon::None) {
    draw_icon(cr, icon, 21, 15, 15, kAccentHi);
    x = 34;
  }
  if (title) draw_text_left(cr, U(title), x, 0, 30, 13, kText, true);
  cairo_rectangle(cr, 0.5, 0.5, c.w - 1, c.h - 1);
  set_rgb(cr, kLine);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

// A light entry field whose text (drawn in black) starts at (tx, ty).
void entry_field(Canvas& c, double tx, double ty, double width) {
  fill_rounded(c.cr, tx - 8, ty - 8, width, 30, 3, kField);
  stroke_rounded(c.cr, tx - 8, ty - 8, width, 30, 3, kFieldLine);
}

void field_label(Canvas& c, const char8_t* label, double right, double ty) {
  double w = text_width(c.cr, U(label), 12);
  draw_text_left(c.cr, U(label), right - w, ty - 8, 30, 12, kTextDim);
}

void skin_cells(Canvas& c, double x0, double y0, double y1) {
  for (int r = 0; r < 2; ++r)
    for (int col = 0; col < 5; ++col) {
      int n = 5 * r + col;
      double x = x0 + 79 * col, y = r ? y1 : y0;
      rounded_rect(c.cr, x + 1, y + 1, 52, 52, 6);
      cairo_save(c.cr);
      cairo_clip(c.cr);
      fill_rect(c.cr, x, y, 54, 54, kCaseBody[n]);
      fill_rect(c.cr, x, y, 54, 15, kCaseTitle[n]);
      set_rgb(c.cr, n == 9 ? 0x6A6A6A : mix(kCaseBody[n], 0x000000, 0.22));
      cairo_set_line_width(c.cr, 2);
      cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_ROUND);
      for (int line = 0; line < 3; ++line) {
        cairo_move_to(c.cr, x + 9, y + 25 + 8 * line);
        cairo_line_to(c.cr, x + (line == 2 ? 30 : 44), y + 25 + 8 * line);
      }
      cairo_stroke(c.cr);
      cairo_restore(c.cr);
      stroke_rounded(c.cr, x + 1, y + 1, 52, 52, 6, 0x4A4653);
    }
}

struct OptionSection {
  int y;
  const char8_t* title;
  const char8_t* text;
  Icon icon;
};

void paint_dialog(Canvas& c) {
  cairo_t* cr = c.cr;
  std::string name = c.pic->name;
  int state = state_of(name);
  if (is(c.pic->name, "NEWBOX_BACK_FRAME")) {
    dialog_box(c, u8"新建白板", Icon::Plus);
    entry_field(c, 26, 50, 230);
  } else if (is(c.pic->name, "NEWBOX_BACK_POST")) {
    dialog_box(c, u8"新建 case", Icon::NotePlus);
    entry_field(c, 26, 50, 386);
    draw_text_left(cr, U(u8"选择皮肤"), 26, 100, 36, 12, kTextDim);
    skin_cells(c, 26, 142, 221);
  } else if (is(c.pic->name, "NEWBOX_RESKIN")) {
    dialog_box(c, u8"更改皮肤", Icon::Palette);
    skin_cells(c, 26, 46, 125);
  } else if (is(c.pic->name, "NEWBOX_PWDSET")) {
    dialog_box(c, u8"设置锁定密码", Icon::Key);
    field_label(c, u8"新密码", 52, 50);
    field_label(c, u8"确认密码", 52, 98);
    entry_field(c, 65, 50, 232);
    entry_field(c, 65, 98, 232);
  } else if (is(c.pic->name, "NEWBOX_PWDRESET")) {
    dialog_box(c, u8"重设锁定密码", Icon::Key);
    field_label(c, u8"原密码", 52, 50);
    field_label(c, u8"新密码", 52, 98);
    field_label(c, u8"确认密码", 52, 146);
    entry_field(c, 65, 50, 232);
    entry_field(c, 65, 98, 232);
    entry_field(c, 65, 146, 232);
  } else if (is(c.pic->name, "NEWBOX_UNLOCK")) {
    begin(c, false, kField);
    cairo_rectangle(cr, 0.5, 0.5, c.w - 1, c.h - 1);
    set_rgb(cr, kAccent);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    draw_icon(cr, Icon::Lock, c.w - 15, 16, 14, 0x8A8792);
  } else if (is(c.pic->name, "NEWBOX_RESIZE")) {
    dialog_box(c, u8"重设窗口大小", Icon::Resize);
    field_label(c, u8"宽", 48, 56);
    field_label(c, u8"高", 132, 56);
    entry_field(c, 62, 56, 64);
    entry_field(c, 146, 56, 64);
    draw_text_left(cr, "px", 214, 48, 30, 11, 0x8C8895);
  } else if (is(c.pic->name, "NEWBOX_TOME")) {
    dialog_box(c, u8"吐槽我", Icon::Chat);
    draw_text_left(cr, U(u8"有什么想法、建议或遇到的问题，都可以告诉我们。"), 26, 60, 40, 15, kText);
    field_label(c, u8"联系方式", 79, 135);
    field_label(c, u8"内容", 79, 195);
    entry_field(c, 95, 135, 786);
    entry_field(c, 95, 195, 786);
  } else if (is(c.pic->name, "NEWBOX_ACCOUNT")) {
    dialog_box(c, nullptr);
    draw_icon(cr, Icon::User, 16, 15, 14, kAccentHi);
    // A small bar chart beside the three traffic lines.
    const double bars[3] = {62, 40, 26};
    const uint32_t colours[3] = {kAccent, 0x7C5CFF, 0x2DBE9A};
    for (int i = 0; i < 3; ++i)
      fill_rounded(cr, 30 + 22 * i, 140 - bars[i], 14, bars[i], 3, colours[i]);
    fill_rect(cr, 24, 141, 76, 1, kLine);
    const Icon icons[3] = {Icon::Sync, Icon::ArrowUp, Icon::ArrowDown};
    for (int i = 0; i < 3; ++i) {
      fill_rounded(cr, 122, 53 + 30 * i - 1, 20, 20, 5, 0x2C2932);
      draw_icon(cr, icons[i], 132, 53 + 30 * i + 9, 13, colours[i]);
    }
  } else if (is(c.pic->name, "NEWBOX_OPTION")) {
    begin(c, false, kBar);
    fill_rect(cr, c.w - 1, 0, 1, c.h, 0x2C2A31);
    draw_text(cr, U(u8"选项"), 46, 44, 20, kText, true);
    const OptionSection sections[4] = {
        {109, u8"夜间模式", u8"在白板背后显示星空壁纸", Icon::Picture},
        {243, u8"坐标网格", u8"在白板上显示坐标轴与网格", Icon::Origin},
        {379, u8"快速新建", u8"新建 case 时不弹出对话框，随机选择皮肤", Icon::NotePlus},
        {520, u8"高帧率绘制", u8"以更高的帧率绘制界面，更流畅，也更耗电", Icon::Sync},
    };
    // Each switch (drawn by the panel at (46, y), its state word beside it) sits under its
    // heading and a line that says what it does.
    for (const OptionSection& s : sections) {
      if (s.y > 200) fill_rect(cr, 46, s.y - 62, c.w - 92, 1, 0x2A2730);
      draw_icon(cr, s.icon, 54, s.y - 36, 16, kAccentHi);
      draw_text(cr, U(s.title), 70, s.y - 30, 15, kText, true);
      draw_text(cr, U(s.text), 46, s.y - 10, 12, 0x8C8895);
    }
  } else if (is(c.pic->name, "NEWBOX_ABOUT")) {
    begin(c, false, 0x04020D);
    fill_rect(cr, c.w - 1, 0, 1, c.h, 0x1E1A2A);
    // Constellation above the mark.
    Lcg rng{77u};
    for (int i = 0; i < 120; ++i) {
      double x = rng.next() * c.w, y = 200 + rng.next() * 380, r = 0.4 + rng.next() * 0.9;
      cairo_arc(cr, x, y, r, 0, 2 * M_PI);
      cairo_set_source_rgba(cr, 0.85, 0.88, 1.0, 0.3 + 0.5 * rng.next());
      cairo_fill(cr);
    }
    const double pts[5][2] = {{250, 250}, {300, 232}, {352, 262}, {380, 318}, {330, 350}};
    set_rgb(cr, 0x3C4A7A);
    cairo_set_line_width(cr, 1);
    for (int i = 0; i < 5; ++i) {
      if (i == 0) cairo_move_to(cr, pts[i][0], pts[i][1]);
      else cairo_line_to(cr, pts[i][0], pts[i][1]);
    }
    cairo_stroke(cr);
    for (auto& p : pts) {
      cairo_arc(cr, p[0], p[1], 2.2, 0, 2 * M_PI);
      set_rgb(cr, 0xCFD8FF);
      cairo_fill(cr);
    }
    draw_mark(cr, 48, 250, 84);
    draw_text(cr, "Wrenfield", 48, 384, 28, kText, true);
    draw_text(cr, U(u8"白板 · 便签 · 云同步"), 49, 410, 14, 0x8C8895);
    fill_rect(cr, 48, 440, 120, 2, kAccent);
  } else if (starts(c.pic->name, "NEWBOX_YES_") || starts(c.pic->name, "NEWBOX_NO_")) {
    begin(c, true, kHeader);
    bool yes = starts(c.pic->name, "NEWBOX_YES_");
    if (state == 1) fill_rect(cr, 0, 0, c.w, c.h, yes ? kAccent : kRed);
    draw_icon(cr, yes ? Icon::Check : Icon::Close, c.w / 2.0, c.h / 2.0, 16,
              state == 1 ? 0xFFFFFF : yes ? kAccentHi : kTextDim);
  } else if (starts(c.pic->name, "NEWBOX_SEND_") || starts(c.pic->name, "NEWBOX_IKNOW_")) {
    bool send = starts(c.pic->name, "NEWBOX_SEND_");
    begin(c, true, send ? kPanel : kBar);
    text_button(c, send ? U(u8"发送") : U(u8"我知道了"), true, state);
  } else if (is(c.pic->name, "NEWBOX_ARROW")) {
    begin(c, false, kPanel);
    cairo_move_to(cr, 2, 1);
    cairo_line_to(cr, 13, 6);
    cairo_line_to(cr, 2, 11);
    cairo_close_path(cr);
    set_rgb(cr, 0x007ACC);
    cairo_fill(cr);
  } else if (is(c.pic->name, "OPTION_CLOSE") || is(c.pic->name, "OPTION_OPEN")) {
    begin(c, false, kBar);
    bool open = is(c.pic->name, "OPTION_OPEN");
    fill_rounded(cr, 2, 2, 40, 16, 8, open ? kAccent : 0x46424F);
    cairo_arc(cr, open ? 34 : 10, 10, 6, 0, 2 * M_PI);
    set_rgb(cr, open ? 0xFFFFFF : 0xC9C6CF);
    cairo_fill(cr);
  } else if (starts(c.pic->name, "CHECK_BOX_")) {
    begin(c, false, kSignin);
    if (state == 2) {
      fill_rounded(cr, 0, 0, 13, 13, 3, kAccent);
      draw_icon(cr, Icon::Check, 6.5, 6.8, 12, 0xFFFFFF);
    } else {
      fill_rounded(cr, 0, 0, 13, 13, 3, kSigninField);
      stroke_rounded(cr, 0, 0, 13, 13, 3, state == 1 ? kAccentHi : 0x6A6672);
    }
  } else if (starts(c.pic->name, "TOCANCEL_")) {
    begin(c, false, kSignin);
    text_button(c, U(u8"返 回"), false, state);
  } else {
    std::fprintf(stderr, "skingen: no painter for %s\n", c.pic->name);
    ++g_warnings;
  }
}

// ---- Sign-in screen ----

void signin_field(Canvas& c, bool focus) {
  begin(c, false, kSignin);
  fill_rounded(c.cr, 0, 0, c.w, c.h, 6, kSigninField);
  if (focus)
    stroke_rounded(c.cr, 0, 0, c.w, c.h, 6, kAccent, 1.5);
  else
    stroke_rounded(c.cr, 0, 0, c.w, c.h, 6, 0x393545);
}

void paint_signin(Canvas& c) {
  cairo_t* cr = c.cr;
  std::string name = c.pic->name;
  int state = state_of(name);
  if (is(c.pic->name, "LOGIN_BACK")) {
    begin(c, false, kSignin);
    cairo_pattern_t* glow = cairo_pattern_create_radial(90, 60, 0, 90, 60, 260);
    cairo_pattern_add_color_stop_rgba(glow, 0, 0x3B / 255.0, 0x5B / 255.0, 0xD9 / 255.0, 0.22);
    cairo_pattern_add_color_stop_rgba(glow, 1, 0x3B / 255.0, 0x5B / 255.0, 0xD9 / 255.0, 0.0);
    cairo_rectangle(cr, 0, 20, c.w, c.h - 20);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    fill_rect(cr, 0, 0, c.w, 20, kBar);
    draw_mark(cr, 20, 64, 34);
    fill_rect(cr, 63, 110, 48, 2, kAccent);
    return;
  }
  if (is(c.pic->name, "LOGIN_BACK_2")) {
    begin(c, false, kSignin);
    struct Hill { double base, amp, phase; uint32_t rgb; };
    for (Hill hill : {Hill{40, 14, 0.4, 0x24213A}, Hill{62, 12, 2.1, 0x1E1C31},
                      Hill{84, 9, 4.0, 0x191827}}) {
      cairo_move_to(cr, 0, c.h);
      for (int x = 0; x <= c.w; x += 4)
        cairo_line_to(cr, x, hill.base + hill.amp * std::sin(x / 61.0 + hill.phase) +
                                 hill.amp * 0.4 * std::sin(x / 23.0 + hill.phase * 2));
      cairo_line_to(cr, c.w, c.h);
      cairo_close_path(cr);
      set_rgb(cr, hill.rgb);
      cairo_fill(cr);
    }
    draw_text_centered(cr, U(u8"白板 · 便签 · 云同步"), 0, 92, c.w, 20, 11, 0x6C6880);
    return;
  }
  if (starts(c.pic->name, "LOGIN_AW_")) {
    begin(c, false, kSigninField);
    Look look = state == 1 ? Look::Hover : state == 2 ? Look::Pressed : Look::Normal;
    icon_button(c, Icon::ChevronDown, look, 3, 5, 16, 0x34313F);
    return;
  }
  if (starts(c.pic->name, "NAME_") || starts(c.pic->name, "PASSWD_") ||
      starts(c.pic->name, "ICODE_BOX_")) {
    if (is(c.pic->name, "NAME_3")) {
      begin(c, false, mix(kSigninField, kAccent, 0.35));
      return;
    }
    if (is(c.pic->name, "NAME_4")) {
      begin(c, false, kSigninField);
      fill_rect(cr, 10, c.h - 1, c.w - 20, 1, 0x2E2B39);
      return;
    }
    signin_field(c, state == 1);
    return;
  }
  if (starts(c.pic->name, "TOLOG_")) {
    begin(c, false, kSignin);
    text_button(c, state >= 4 ? U(u8"离线登录") : U(u8"登 录"), true, state % 4);
    return;
  }
  if (starts(c.pic->name, "TOREG_")) {
    begin(c, false, kSignin);
    if (state >= 4)
      text_button(c, U(u8"注 册"), true, state - 4);
    else
      text_button(c, U(u8"注 册"), false, state);
    return;
  }
  if (starts(c.pic->name, "TOLOCAL_")) {
    begin(c, false, kSignin);
    text_button(c, U(u8"单机用"), false, state);
    return;
  }
  if (starts(c.pic->name, "ACCDEL_")) {
    begin(c, false, mix(kSigninField, kAccent, 0.35));
    if (state >= 1) fill_rounded(cr, 1, 1, 18, 18, 9, state == 1 ? kRed : kRedLo);
    draw_icon(cr, Icon::Close, 10, 10, 13, state >= 1 ? 0xFFFFFF : 0xD0CDD6);
    return;
  }
  std::fprintf(stderr, "skingen: no painter for %s\n", c.pic->name);
  ++g_warnings;
}

void paint(Canvas& c) {
  const char* f = c.pic->family;
  if (is(f, "TOOLS")) paint_tools(c);
  else if (is(f, "TOP")) paint_top(c);
  else if (is(f, "RMENU")) paint_rmenu(c);
  else if (is(f, "RENBOX")) paint_renbox(c);
  else if (is(f, "WALLPAPER")) paint_wallpaper(c);
  else if (is(f, "CASE")) paint_case(c);
  else if (is(f, "PIN")) paint_pin(c);
  else if (is(f, "BOARD")) paint_board(c);
  else if (is(f, "DIALOG")) paint_dialog(c);
  else paint_signin(c);
}

// ---- Output ----

// Rendered picture: 0xRRGGBB pixels, top row first.
struct Rendered {
  int w = 0, h = 0;
  bool keyed = false;
  uint32_t matte = 0;
  std::vector<uint32_t> rgb;
};

Rendered render(const Pic& pic) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pic.width, pic.height);
  Canvas c;
  c.cr = cairo_create(surface);
  c.pic = &pic;
  c.w = pic.width;
  c.h = pic.height;
  paint(c);
  cairo_destroy(c.cr);
  cairo_surface_flush(surface);
  Rendered out;
  out.w = pic.width;
  out.h = pic.height;
  out.keyed = c.keyed;
  out.matte = c.matte;
  out.rgb.resize((size_t)pic.width * pic.height);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < pic.height; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + (size_t)y * stride);
    for (int x = 0; x < pic.width; ++x) {
      uint32_t p = row[x];  // premultiplied ARGB
      unsigned a = p >> 24;
      uint32_t value;
      if (a == 0 && c.keyed) {
        value = 0;
      } else {
        value = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
          unsigned src = (p >> shift) & 255, under = (c.matte >> shift) & 255;
          unsigned ch = src + (under * (255 - a) + 127) / 255;
          value |= (ch > 255 ? 255 : ch) << shift;
        }
        if (value == 0) value = 0x010101;  // black is reserved for transparency
      }
      out.rgb[(size_t)y * pic.width + x] = value;
    }
  }
  cairo_surface_destroy(surface);
  return out;
}

int write_png(const std::string& path, const Rendered& r) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return -1;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return -2;
  }
  png_init_io(png, file);
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, r.w, r.h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<unsigned char> row((size_t)r.w * 3);
  for (int y = 0; y < r.h; ++y) {
    for (int x = 0; x < r.w; ++x) {
      uint32_t v = r.rgb[(size_t)y * r.w + x];
      row[3 * x] = (v >> 16) & 255;
      row[3 * x + 1] = (v >> 8) & 255;
      row[3 * x + 2] = v & 255;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 ? 0 : -3;
}


// ---- Scenes: a few screens put together from the pictures as the program places them ----

struct Scene {
  int w, h;
  std::vector<uint32_t> rgb;
  void fill(int x, int y, int fw, int fh, uint32_t v) {
    for (int yy = std::max(0, y); yy < std::min(h, y + fh); ++yy)
      for (int xx = std::max(0, x); xx < std::min(w, x + fw); ++xx) rgb[size_t(yy) * w + xx] = v;
  }
  // Plain or keyed copy (keyed: black source pixels leave the scene as it is).
  void put(const Rendered& r, int x, int y, bool keyed, double alpha = 1.0) {
    for (int yy = 0; yy < r.h; ++yy)
      for (int xx = 0; xx < r.w; ++xx) {
        int sx = x + xx, sy = y + yy;
        if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
        uint32_t v = r.rgb[size_t(yy) * r.w + xx];
        if (keyed && v == 0) continue;
        uint32_t& d = rgb[size_t(sy) * w + sx];
        d = alpha >= 1.0 ? v : mix(d, v, alpha);
      }
  }
};

const Rendered* find_rendered(const std::vector<Rendered>& all, const char* name) {
  for (size_t i = 0; i < all.size(); ++i)
    if (std::strcmp(kPics[i].name, name) == 0) return &all[i];
  return nullptr;
}

std::vector<Scene> build_scenes(const std::vector<Rendered>& all) {
  auto put = [&](Scene& s, const char* name, int x, int y, bool keyed, double alpha = 1.0) {
    if (const Rendered* r = find_rendered(all, name)) s.put(*r, x, y, keyed, alpha);
  };
  std::vector<Scene> scenes;
  // The desk in normal mode: top strip, whiteboard in theme 0, a post, a title, the menu.
  {
    const int W = 1400, H = 560, T = 63;
    Scene s{W, H, std::vector<uint32_t>(size_t(W) * H, kTheme[0])};
    s.fill(0, 0, W, T, kBar);
    put(s, "TOP_LOGO_0", 0, 0, true);
    put(s, "TOP_MENU_NEW_0", 171, 10, false);
    const char* tools[5] = {"TOOLS_NEW_0", "TOOLS_CUT_1", "TOOLS_CEL_2", "TOOLS_CER_0", "TOOLS_SYNC_0"};
    for (int i = 0; i < 5; ++i) put(s, tools[i], 760 + 58 * i, 8, true);
    put(s, "TOOLS_CUT_REM", 818 + 2, 8 + 45, false);
    for (int i = 0; i < 5; ++i) {
      std::string n = "TOP_COLOR_" + std::to_string(i) + "0";
      put(s, n.c_str(), W - 374 + 25 * i, 0, true);
    }
    put(s, "TOP_COLOR_01", W - 374, 0, true);
    put(s, "TOP_LOCK_0", W - 219, 0, true);
    put(s, "TOP_USER_1", W - 193, 0, true);
    put(s, "TOP_MIN_0", W - 135, 0, true);
    put(s, "TOP_MAX_0", W - 90, 0, true);
    put(s, "TOP_CLOSE_1", W - 45, 0, true);
    // A post of colour 0, focused, with its armor strip and a pin.
    int px = 270, py = 150, pw = 260, ph = 220;
    s.fill(px + 3, py + ph, pw, 3, 0x9A9A9A);
    s.fill(px + pw, py + 3, 3, ph, 0x9A9A9A);
    s.fill(px, py, pw, ph, kCaseBody[0]);
    s.fill(px, py, pw, 30, kCaseTitle[0]);
    const char* armor[8] = {"ARMOR_RESIZE_0", "ARMOR_CUT_0", "ARMOR_COPY_1", "ARMOR_PASTE_0",
                            "ARMOR_UP_0", "ARMOR_LINE_0", "ARMOR_DOWN_0", "ARMOR_TACI_2"};
    for (int i = 0; i < 8; ++i) put(s, armor[i], px + 28 * i, py - 29, true);
    put(s, "ARMOR_REM_COPY", px + 56 + 10, py - 29 + 30, false);
    put(s, "TACI_MARK", px + 5, py - 22, true, 239 / 255.0);
    put(s, "PULL_0", px + pw - 11, py + ph - 11, true);
    // Title cases in several colours.
    for (int c = 0; c < 5; ++c) {
      std::string n = "NOTEPAD_" + std::to_string(10 + c * 2);
      put(s, n.c_str(), 560, 120 + 44 * c, false);
    }
    // The context menu with a hovered and a disabled row.
    int mx = 800, my = 140;
    put(s, "RMENU_BACK", mx, my, true);
    const char* rows[11] = {"RMENU_NEW_0", "RMENU_DEL_1", "RMENU_CUTN_0", "RMENU_PASTEN_2",
                            "RMENU_REN_0", "RMENU_RESKIN_0", "RMENU_COPY_0", "RMENU_PASTE_0",
                            "RMENU_TO_TITLE_0", "RMENU_TOBMP_2", "RMENU_TOPIC_2"};
    for (int i = 0; i < 11; ++i) put(s, rows[i], mx + 3, my + 9 + 28 * i, true);
    // The top menu, open under the logo.
    const char* menu[5] = {"TOP_MENU_OPTION_0", "TOP_MENU_UPDATE_1", "TOP_MENU_QUICK_0",
                           "TOP_MENU_TOME_0", "TOP_MENU_ABOUT_0"};
    for (int i = 0; i < 5; ++i) put(s, menu[i], 8, 63 + 48 * i, true, 239 / 255.0);
    put(s, "RENBOX_BACK_0", 1040, 150, false);
    put(s, "RENBOX_YES_1", 1040 + 218, 151, true);
    put(s, "RENBOX_NO_0", 1040 + 239, 151, true);
    put(s, "NEWBOX_BACK_FRAME", 1040, 220, false);
    put(s, "NEWBOX_YES_0", 1040 + 267 - 91, 220, true);
    put(s, "NEWBOX_NO_1", 1040 + 267 - 45, 220, true);
    scenes.push_back(std::move(s));
  }
  // The sign-in screen.
  {
    Scene s{386, 482, std::vector<uint32_t>(size_t(386) * 482, 0)};
    put(s, "LOGIN_BACK", 0, 0, false);
    put(s, "TOP_MIN_0", 295, 0, true);
    put(s, "TOP_CLOSE_1", 341, 0, true);
    put(s, "NAME_1", 63, 146, false);
    put(s, "LOGIN_AW_0", 292, 147, false);
    put(s, "PASSWD_0", 63, 192, false);
    put(s, "CHECK_BOX_2", 65, 238, false);
    put(s, "CHECK_BOX_0", 150, 238, false);
    put(s, "TOLOG_1", 63, 270, false);
    put(s, "TOREG_0", 174, 270, false);
    put(s, "TOLOCAL_0", 254, 270, false);
    put(s, "LOGIN_BACK_2", 0, 362, false, 159 / 255.0);
    scenes.push_back(std::move(s));
  }
  return scenes;
}

// The contact sheet: every picture on a neutral ground with its name, keyed pictures shown
// over their matte as the program draws them, grouped by family.
int write_sheet(const std::string& path, const std::vector<Rendered>& all) {
  const int kSheetWidth = 2200, kGap = 14, kLabel = 16;
  struct Place { int x, y, w, h; double scale; };
  std::vector<Place> places(all.size());
  std::vector<Scene> scenes = build_scenes(all);
  int scenes_h = 0;
  for (const Scene& sc : scenes) scenes_h = std::max(scenes_h, sc.h);
  int x = kGap, y = kGap + 10 + scenes_h + kGap, row_h = 0;
  const char* family = nullptr;
  for (size_t i = 0; i < all.size(); ++i) {
    const Rendered& r = all[i];
    double scale = r.w > 640 ? 640.0 / r.w : 1.0;
    int w = (int)(r.w * scale), h = (int)(r.h * scale);
    int cell_w = std::max(w, 120);
    if (!family || std::strcmp(family, kPics[i].family) != 0) {
      if (family) { y += row_h + kLabel + kGap + 28; }
      else y += 18;
      x = kGap;
      row_h = 0;
      family = kPics[i].family;
    } else if (x + cell_w > kSheetWidth - kGap) {
      x = kGap;
      y += row_h + kLabel + kGap;
      row_h = 0;
    }
    places[i] = {x, y, w, h, scale};
    x += cell_w + kGap;
    row_h = std::max(row_h, h);
  }
  int height = y + row_h + kLabel + kGap;
  cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSheetWidth, height);
  cairo_t* cr = cairo_create(sheet);
  fill_rect(cr, 0, 0, kSheetWidth, height, 0x8A8D93);
  int scene_x = kGap;
  for (const Scene& sc : scenes) {
    cairo_surface_t* pic = cairo_image_surface_create(CAIRO_FORMAT_RGB24, sc.w, sc.h);
    cairo_surface_flush(pic);
    unsigned char* data = cairo_image_surface_get_data(pic);
    int stride = cairo_image_surface_get_stride(pic);
    for (int yy = 0; yy < sc.h; ++yy)
      std::memcpy(data + size_t(yy) * stride, &sc.rgb[size_t(yy) * sc.w], size_t(sc.w) * 4);
    cairo_surface_mark_dirty(pic);
    cairo_set_source_surface(cr, pic, scene_x, kGap);
    cairo_paint(cr);
    cairo_surface_destroy(pic);
    scene_x += sc.w + kGap;
  }
  family = nullptr;
  for (size_t i = 0; i < all.size(); ++i) {
    const Rendered& r = all[i];
    const Place& p = places[i];
    if (!family || std::strcmp(family, kPics[i].family) != 0) {
      family = kPics[i].family;
      draw_text(cr, family, kGap, p.y - 8, 16, 0x101010, true);
    }
    cairo_surface_t* pic = cairo_image_surface_create(CAIRO_FORMAT_RGB24, r.w, r.h);
    cairo_surface_flush(pic);
    unsigned char* data = cairo_image_surface_get_data(pic);
    int stride = cairo_image_surface_get_stride(pic);
    for (int yy = 0; yy < r.h; ++yy)
      for (int xx = 0; xx < r.w; ++xx) {
        uint32_t v = r.rgb[(size_t)yy * r.w + xx];
        if (v == 0 && r.keyed) v = r.matte;
        reinterpret_cast<uint32_t*>(data + (size_t)yy * stride)[xx] = v;
      }
    cairo_surface_mark_dirty(pic);
    cairo_save(cr);
    cairo_translate(cr, p.x, p.y);
    cairo_scale(cr, p.scale, p.scale);
    cairo_set_source_surface(cr, pic, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(pic);
    draw_text(cr, kPics[i].name, p.x, p.y + p.h + 12, 10, 0x141414);
  }
  cairo_destroy(cr);
  cairo_status_t status = cairo_surface_write_to_png(sheet, path.c_str());
  cairo_surface_destroy(sheet);
  return status == CAIRO_STATUS_SUCCESS ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: skingen <output folder> [--sheet <file.png>]\n");
    return 2;
  }
  std::string folder = argv[1], sheet;
  for (int i = 2; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--sheet") == 0) sheet = argv[i + 1];
  mkdir(folder.c_str(), 0755);  // an existing folder is fine
  std::vector<Rendered> all;
  all.reserve(sizeof kPics / sizeof kPics[0]);
  int failures = 0;
  for (const Pic& pic : kPics) {
    all.push_back(render(pic));
    if (write_png(folder + "/" + pic.name + ".png", all.back()) != 0) {
      std::fprintf(stderr, "skingen: cannot write %s/%s.png\n", folder.c_str(), pic.name);
      ++failures;
    }
  }
  if (!sheet.empty() && write_sheet(sheet, all) != 0) {
    std::fprintf(stderr, "skingen: cannot write the sheet %s\n", sheet.c_str());
    ++failures;
  }
  if (g_warnings) std::fprintf(stderr, "skingen: %d warnings\n", g_warnings);
  // Drop cairo's and fontconfig's caches, so that leak checkers see a clean exit.
  cairo_debug_reset_static_data();
  FcFini();
  return failures ? 1 : 0;
}
