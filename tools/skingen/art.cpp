// Drawing helpers of the skin art generator: palette mixing, rounded shapes, labels in the
// CJK face the program itself uses, and the shared vector icons (24-unit grid, round caps).
#include "tools/skingen/art.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace skingen {

int g_warnings = 0;

// The face fontconfig gives for the program's Chinese UI face.
static const char kFace[] = "WenQuanYi Micro Hei";

void set_rgb(cairo_t* cr, uint32_t rgb, double alpha) {
  cairo_set_source_rgba(cr, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0,
                        (rgb & 255) / 255.0, alpha);
}

uint32_t mix(uint32_t a, uint32_t b, double t) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    double ca = (a >> shift) & 255, cb = (b >> shift) & 255;
    int c = (int)std::lround(ca + (cb - ca) * t);
    c = c < 0 ? 0 : c > 255 ? 255 : c;
    out |= (uint32_t)c << shift;
  }
  return out;
}

void rounded_rect(cairo_t* cr, double x, double y, double w, double h, double r) {
  if (r > w / 2) r = w / 2;
  if (r > h / 2) r = h / 2;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void fill_rounded(cairo_t* cr, double x, double y, double w, double h, double r, uint32_t rgb,
                  double alpha) {
  rounded_rect(cr, x, y, w, h, r);
  set_rgb(cr, rgb, alpha);
  cairo_fill(cr);
}

void stroke_rounded(cairo_t* cr, double x, double y, double w, double h, double r,
                    uint32_t rgb, double width) {
  rounded_rect(cr, x + width / 2, y + width / 2, w - width, h - width, r);
  set_rgb(cr, rgb);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void fill_rect(cairo_t* cr, double x, double y, double w, double h, uint32_t rgb) {
  cairo_rectangle(cr, x, y, w, h);
  set_rgb(cr, rgb);
  cairo_fill(cr);
}

static void select_face(cairo_t* cr, double size, bool bold) {
  cairo_select_font_face(cr, kFace, CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

double text_width(cairo_t* cr, const char* utf8, double size, bool bold) {
  select_face(cr, size, bold);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, utf8, &ext);
  return ext.x_advance;
}

double draw_text(cairo_t* cr, const char* utf8, double x, double baseline, double size,
                 uint32_t rgb, bool bold) {
  select_face(cr, size, bold);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, utf8, &ext);
  set_rgb(cr, rgb);
  cairo_move_to(cr, std::round(x), std::round(baseline));
  cairo_show_text(cr, utf8);
  cairo_new_path(cr);
  return ext.x_advance;
}

// Baseline that centres the face's CJK body (about 0.86 of the size above the baseline, a
// little below it) in a band of height h.
static double centred_baseline(double y, double h, double size) {
  return y + h / 2 + size * 0.36;
}

void draw_text_centered(cairo_t* cr, const char* utf8, double x, double y, double w, double h,
                        double size, uint32_t rgb, bool bold) {
  double width = text_width(cr, utf8, size, bold);
  check_fit(utf8, width, w - 2);
  draw_text(cr, utf8, x + (w - width) / 2, centred_baseline(y, h, size), size, rgb, bold);
}

void draw_text_left(cairo_t* cr, const char* utf8, double x, double y, double h, double size,
                    uint32_t rgb, bool bold) {
  draw_text(cr, utf8, x, centred_baseline(y, h, size), size, rgb, bold);
}

void check_fit(const char* what, double needed, double room) {
  if (needed > room) {
    std::fprintf(stderr, "skingen: label \"%s\" needs %.0f px, has %.0f\n", what, needed, room);
    ++g_warnings;
  }
}

// ---- Icons ----

namespace {

struct Pen {
  cairo_t* cr;
  void move(double x, double y) { cairo_move_to(cr, x, y); }
  void line(double x, double y) { cairo_line_to(cr, x, y); }
  void seg(double x1, double y1, double x2, double y2) { move(x1, y1); line(x2, y2); }
  void stroke() { cairo_stroke(cr); }
  void fill() { cairo_fill(cr); }
  void circle(double x, double y, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
  }
  void rect(double x, double y, double w, double h, double r = 1.5) {
    rounded_rect(cr, x, y, w, h, r);
  }
};

void arrow_head(Pen& p, double x, double y, double dx, double dy, double len) {
  // Open chevron at (x, y) pointing along (dx, dy).
  double nx = -dy, ny = dx;
  p.seg(x - dx * len + nx * len, y - dy * len + ny * len, x, y);
  p.line(x - dx * len - nx * len, y - dy * len - ny * len);
}

void pin_shape(Pen& p, bool filled) {
  cairo_t* cr = p.cr;
  // Thumbtack leaning right: head, collar, needle.
  cairo_save(cr);
  cairo_translate(cr, 12, 12);
  cairo_rotate(cr, M_PI / 5);
  cairo_translate(cr, -12, -12);
  p.rect(8, 3, 8, 3, 1);
  p.move(9.5, 6);
  p.line(9, 12);
  p.line(6.5, 14.5);
  p.line(17.5, 14.5);
  p.line(15, 12);
  p.line(14.5, 6);
  if (filled) {
    cairo_fill_preserve(cr);
  }
  p.stroke();
  p.seg(12, 14.5, 12, 21);
  p.stroke();
  cairo_restore(cr);
}

void layers(Pen& p, double top) {
  p.move(12, top);
  p.line(20, top + 4);
  p.line(12, top + 8);
  p.line(4, top + 4);
  cairo_close_path(p.cr);
  p.stroke();
  p.move(4, top + 8);
  p.line(12, top + 12);
  p.line(20, top + 8);
  p.stroke();
}

void magnifier(Pen& p) {
  p.circle(10.5, 10.5, 6);
  p.stroke();
  p.seg(15, 15, 20, 20);
  p.stroke();
}

void map_pin(Pen& p) {
  cairo_t* cr = p.cr;
  p.move(10, 21);
  cairo_curve_to(cr, 6, 16, 4, 13, 4, 10);
  cairo_arc(cr, 10, 10, 6, M_PI, 2 * M_PI);
  cairo_curve_to(cr, 16, 13, 14, 16, 10, 21);
  cairo_close_path(cr);
  p.stroke();
  p.circle(10, 10, 2);
  p.stroke();
}

void padlock(Pen& p, double x, double y, double s) {
  // Padlock in the box (x, y) with side s (units).
  p.rect(x, y + s * 0.45, s, s * 0.55, s * 0.1);
  p.stroke();
  cairo_new_sub_path(p.cr);
  cairo_arc(p.cr, x + s / 2, y + s * 0.45, s * 0.3, M_PI, 2 * M_PI);
  p.stroke();
}

}  // namespace

void draw_icon(cairo_t* cr, Icon icon, double cx, double cy, double size, uint32_t rgb) {
  if (icon == Icon::None) return;
  cairo_save(cr);
  cairo_translate(cr, cx - size / 2, cy - size / 2);
  cairo_scale(cr, size / 24.0, size / 24.0);
  set_rgb(cr, rgb);
  cairo_set_line_width(cr, size >= 20 ? 1.8 : 2.1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  Pen p{cr};
  switch (icon) {
    case Icon::None:
      break;
    case Icon::NotePlus:
      p.move(4, 4); p.line(15, 4); p.line(20, 9); p.line(20, 20); p.line(4, 20);
      cairo_close_path(cr); p.stroke();
      p.move(15, 4); p.line(15, 9); p.line(20, 9); p.stroke();
      p.seg(12, 10, 12, 17); p.seg(8.5, 13.5, 15.5, 13.5); p.stroke();
      break;
    case Icon::Capture:
      p.move(3, 8); p.line(3, 3); p.line(8, 3);
      p.move(16, 3); p.line(21, 3); p.line(21, 8);
      p.move(21, 16); p.line(21, 21); p.line(16, 21);
      p.move(8, 21); p.line(3, 21); p.line(3, 16); p.stroke();
      p.circle(12, 12, 3.5); p.stroke();
      break;
    case Icon::Undo:
    case Icon::Redo: {
      if (icon == Icon::Redo) {
        cairo_translate(cr, 24, 0);
        cairo_scale(cr, -1, 1);
      }
      p.move(5, 10); p.line(15, 10);
      cairo_arc(cr, 15, 14.5, 4.5, -M_PI / 2, M_PI / 2);
      p.line(9, 19); p.stroke();
      arrow_head(p, 5, 10, -1, 0, 4); p.stroke();
      break;
    }
    case Icon::Sync:
      cairo_arc(cr, 12, 12, 7.5, M_PI * 1.1, M_PI * 1.9); p.stroke();
      arrow_head(p, 12 + 7.5 * std::cos(M_PI * 1.9), 12 + 7.5 * std::sin(M_PI * 1.9), 0.55, 0.83, 3.2);
      p.stroke();
      cairo_arc(cr, 12, 12, 7.5, M_PI * 0.1, M_PI * 0.9); p.stroke();
      arrow_head(p, 12 + 7.5 * std::cos(M_PI * 0.9), 12 + 7.5 * std::sin(M_PI * 0.9), -0.55, -0.83, 3.2);
      p.stroke();
      break;
    case Icon::Resize:
      p.rect(3, 5, 18, 14, 2); p.stroke();
      p.seg(8, 15, 16, 9); p.stroke();
      p.move(12, 9); p.line(16, 9); p.line(16, 13); p.stroke();
      break;
    case Icon::Origin:
      p.circle(12, 12, 6); p.stroke();
      p.seg(12, 2.5, 12, 7); p.seg(12, 17, 12, 21.5); p.seg(2.5, 12, 7, 12); p.seg(17, 12, 21.5, 12);
      p.stroke();
      p.circle(12, 12, 1.6); p.fill();
      break;
    case Icon::Lock:
      padlock(p, 6, 3, 12);
      p.circle(12, 14.8, 1.2); p.fill();
      break;
    case Icon::Key:
      p.circle(8, 12, 4); p.stroke();
      p.seg(12, 12, 21, 12); p.seg(18, 12, 18, 15.5); p.seg(21, 12, 21, 15); p.stroke();
      break;
    case Icon::User:
      p.circle(12, 8.5, 4); p.stroke();
      p.move(4.5, 20.5);
      cairo_curve_to(cr, 5.5, 15, 18.5, 15, 19.5, 20.5); p.stroke();
      break;
    case Icon::Minimise:
      p.seg(7, 12.5, 17, 12.5); p.stroke();
      break;
    case Icon::Maximise:
      p.rect(7, 7, 10, 10, 1); p.stroke();
      break;
    case Icon::Restore:
      p.rect(6, 9, 9, 9, 1); p.stroke();
      p.move(9, 9); p.line(9, 6); p.line(18, 6); p.line(18, 15); p.line(15, 15); p.stroke();
      break;
    case Icon::Close:
      p.seg(7.5, 7.5, 16.5, 16.5); p.seg(16.5, 7.5, 7.5, 16.5); p.stroke();
      break;
    case Icon::Scissors:
    case Icon::Cut:
      p.circle(7, 17, 3); p.circle(17, 17, 3); p.stroke();
      p.seg(9, 15, 17.5, 3.5); p.seg(15, 15, 6.5, 3.5); p.stroke();
      break;
    case Icon::Copy:
      p.rect(8, 8, 12, 12, 2); p.stroke();
      p.move(5, 15); p.line(4, 15); p.line(4, 4); p.line(15, 4); p.line(15, 5); p.stroke();
      break;
    case Icon::Paste:
      p.rect(5, 5, 14, 16, 2); p.stroke();
      p.rect(9, 3, 6, 4, 1); p.stroke();
      p.seg(9, 12, 15, 12); p.seg(9, 16, 13, 16); p.stroke();
      break;
    case Icon::ArrowUp:
      p.seg(12, 20, 12, 5); p.stroke(); arrow_head(p, 12, 5, 0, -1, 5); p.stroke();
      break;
    case Icon::ArrowDown:
      p.seg(12, 4, 12, 19); p.stroke(); arrow_head(p, 12, 19, 0, 1, 5); p.stroke();
      break;
    case Icon::ArrowSide:
      p.seg(4, 12, 20, 12); p.stroke();
      arrow_head(p, 4, 12, -1, 0, 4); arrow_head(p, 20, 12, 1, 0, 4); p.stroke();
      break;
    case Icon::Pin:
      pin_shape(p, false);
      break;
    case Icon::PinFilled:
      pin_shape(p, true);
      break;
    case Icon::ZoomIn:
      magnifier(p); p.seg(7.5, 10.5, 13.5, 10.5); p.seg(10.5, 7.5, 10.5, 13.5); p.stroke();
      break;
    case Icon::ZoomOut:
      magnifier(p); p.seg(7.5, 10.5, 13.5, 10.5); p.stroke();
      break;
    case Icon::SignAdd:
      map_pin(p); p.seg(19, 14, 19, 21); p.seg(15.5, 17.5, 22.5, 17.5); p.stroke();
      break;
    case Icon::SignRemove:
      map_pin(p); p.seg(15.5, 17.5, 22.5, 17.5); p.stroke();
      break;
    case Icon::LevelUp:
      layers(p, 9); p.seg(18, 8, 18, 1.5); p.stroke(); arrow_head(p, 18, 1.5, 0, -1, 2.5); p.stroke();
      break;
    case Icon::LevelDown:
      layers(p, 3); p.seg(18, 16, 18, 22); p.stroke(); arrow_head(p, 18, 22, 0, 1, 2.5); p.stroke();
      break;
    case Icon::LevelLock:
      layers(p, 3); padlock(p, 14, 13, 8);
      break;
    case Icon::Collapse:
      p.rect(3, 4, 18, 16, 2); p.stroke(); p.seg(3, 9, 21, 9); p.stroke();
      arrow_head(p, 12, 12.5, 0, -1, 3.5); p.stroke();
      break;
    case Icon::Expand:
      p.rect(3, 4, 18, 16, 2); p.stroke(); p.seg(3, 9, 21, 9); p.stroke();
      arrow_head(p, 12, 17, 0, 1, 3.5); p.stroke();
      break;
    case Icon::Gear: {
      int teeth = 8;
      for (int i = 0; i < teeth * 2; ++i) {
        double a0 = (i + 0.5) * M_PI / teeth, r = (i % 2 == 0) ? 9 : 6.8;
        double a1 = a0 + M_PI / teeth;
        if (i == 0) p.move(12 + r * std::cos(a0), 12 + r * std::sin(a0));
        cairo_arc(cr, 12, 12, r, a0, a1);
      }
      cairo_close_path(cr); p.stroke();
      p.circle(12, 12, 2.8); p.stroke();
      break;
    }
    case Icon::Update:
      p.seg(12, 3, 12, 14); p.stroke(); arrow_head(p, 12, 14, 0, 1, 4.5); p.stroke();
      p.move(4, 15); p.line(4, 20); p.line(20, 20); p.line(20, 15); p.stroke();
      break;
    case Icon::Book:
      p.move(12, 6); cairo_curve_to(cr, 9, 4, 6, 4, 3, 5); p.line(3, 19);
      cairo_curve_to(cr, 6, 18, 9, 18, 12, 20); p.stroke();
      p.move(12, 6); cairo_curve_to(cr, 15, 4, 18, 4, 21, 5); p.line(21, 19);
      cairo_curve_to(cr, 18, 18, 15, 18, 12, 20); p.stroke();
      p.seg(12, 6, 12, 20); p.stroke();
      break;
    case Icon::Chat:
      p.rect(3, 4, 18, 13, 3); p.stroke();
      p.move(8, 17); p.line(7, 21); p.line(12, 17); p.stroke();
      p.circle(8, 10.5, 1.1); p.circle(12, 10.5, 1.1); p.circle(16, 10.5, 1.1); p.fill();
      break;
    case Icon::Info:
      p.circle(12, 12, 9); p.stroke();
      p.seg(12, 11, 12, 17); p.stroke(); p.circle(12, 7.6, 1.2); p.fill();
      break;
    case Icon::Check:
      p.move(5.5, 12.5); p.line(10, 17); p.line(18.5, 7.5); p.stroke();
      break;
    case Icon::Plus:
      p.seg(12, 5, 12, 19); p.seg(5, 12, 19, 12); p.stroke();
      break;
    case Icon::ChevronDown:
      p.move(7, 10); p.line(12, 15); p.line(17, 10); p.stroke();
      break;
    case Icon::ChevronUp:
      p.move(7, 14); p.line(12, 9); p.line(17, 14); p.stroke();
      break;
    case Icon::List:
      p.seg(9, 7, 20, 7); p.seg(9, 12, 20, 12); p.seg(9, 17, 20, 17); p.stroke();
      p.circle(5, 7, 1.2); p.circle(5, 12, 1.2); p.circle(5, 17, 1.2); p.fill();
      break;
    case Icon::Trash:
    case Icon::Delete:
      p.seg(4, 6.5, 20, 6.5); p.stroke();
      p.move(9, 6.5); p.line(9, 4); p.line(15, 4); p.line(15, 6.5); p.stroke();
      p.move(6, 6.5); p.line(7, 20); p.line(17, 20); p.line(18, 6.5); p.stroke();
      p.seg(10.5, 10, 10.5, 16.5); p.seg(13.5, 10, 13.5, 16.5); p.stroke();
      break;
    case Icon::Frame:
      p.rect(3, 3, 18, 18, 1); p.stroke(); p.rect(7, 7, 10, 10, 0.5); p.stroke();
      break;
    case Icon::Palette:
      p.move(12, 3); cairo_curve_to(cr, 2, 3, 2, 21, 12, 21);
      cairo_curve_to(cr, 14, 21, 14, 18, 13, 17); cairo_curve_to(cr, 12, 15, 14, 14, 16, 14);
      cairo_curve_to(cr, 22, 14, 22, 3, 12, 3); p.stroke();
      p.circle(8, 11, 1.3); p.circle(11, 7, 1.3); p.circle(15.5, 8, 1.3); p.fill();
      break;
    case Icon::Picture:
      p.rect(3, 5, 18, 14, 2); p.stroke();
      p.move(5, 17); p.line(10, 11); p.line(13, 14); p.line(15, 12); p.line(19, 17); p.stroke();
      p.circle(15.5, 8.5, 1.4); p.fill();
      break;
    case Icon::Map:
      p.move(3, 6); p.line(9, 4); p.line(15, 6); p.line(21, 4); p.line(21, 18); p.line(15, 20);
      p.line(9, 18); p.line(3, 20); cairo_close_path(cr); p.stroke();
      p.seg(9, 4, 9, 18); p.seg(15, 6, 15, 20); p.stroke();
      break;
    case Icon::Title:
      p.rect(3, 8, 18, 8, 2); p.stroke(); p.seg(6.5, 12, 14, 12); p.stroke();
      break;
    case Icon::Post:
      p.rect(4, 3, 16, 18, 2); p.stroke(); p.seg(4, 8, 20, 8); p.stroke();
      p.seg(7, 12, 17, 12); p.seg(7, 16, 14, 16); p.stroke();
      break;
    case Icon::Window:
      p.rect(3, 4, 18, 16, 2); p.stroke(); p.seg(3, 8.5, 21, 8.5); p.stroke();
      break;
    case Icon::Rename:
      p.move(5, 19); p.line(5.8, 15); p.line(15.5, 5.3); p.line(18.7, 8.5); p.line(9, 18.2);
      cairo_close_path(cr); p.stroke();
      p.seg(13.5, 7.3, 16.7, 10.5); p.stroke();
      break;
    case Icon::Compact:
      p.rect(3, 6, 18, 4, 1); p.stroke(); p.seg(3, 15, 21, 15); p.seg(3, 19, 15, 19); p.stroke();
      break;
    case Icon::Normal:
      p.rect(3, 4, 18, 8, 1.5); p.stroke(); p.seg(3, 16, 21, 16); p.seg(3, 20, 15, 20); p.stroke();
      break;
  }
  cairo_restore(cr);
}

void draw_mark(cairo_t* cr, double x, double y, double size) {
  // A rounded square in the accent colour with a sticky note on it.
  double s = size;
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_pattern_t* grad = cairo_pattern_create_linear(0, 0, s, s);
  cairo_pattern_add_color_stop_rgb(grad, 0, 0x4C / 255.0, 0xA6 / 255.0, 0xFF / 255.0);
  cairo_pattern_add_color_stop_rgb(grad, 1, 0x6A / 255.0, 0x4C / 255.0, 0xE8 / 255.0);
  rounded_rect(cr, 0, 0, s, s, s * 0.24);
  cairo_set_source(cr, grad);
  cairo_fill(cr);
  cairo_pattern_destroy(grad);
  // The note: light square with a folded lower-right corner.
  double n = s * 0.56, nx = s * 0.22, ny = s * 0.22, f = n * 0.32;
  cairo_move_to(cr, nx, ny);
  cairo_line_to(cr, nx + n, ny);
  cairo_line_to(cr, nx + n, ny + n - f);
  cairo_line_to(cr, nx + n - f, ny + n);
  cairo_line_to(cr, nx, ny + n);
  cairo_close_path(cr);
  set_rgb(cr, 0xFFF6C8);
  cairo_fill(cr);
  cairo_move_to(cr, nx + n, ny + n - f);
  cairo_line_to(cr, nx + n - f, ny + n - f);
  cairo_line_to(cr, nx + n - f, ny + n);
  cairo_close_path(cr);
  set_rgb(cr, 0xE2C770);
  cairo_fill(cr);
  // Two text lines on the note.
  cairo_set_line_width(cr, std::max(1.0, s * 0.055));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  set_rgb(cr, 0x8C7A3A);
  cairo_move_to(cr, nx + n * 0.2, ny + n * 0.32);
  cairo_line_to(cr, nx + n * 0.8, ny + n * 0.32);
  cairo_move_to(cr, nx + n * 0.2, ny + n * 0.56);
  cairo_line_to(cr, nx + n * 0.55, ny + n * 0.56);
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace skingen
