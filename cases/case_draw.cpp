// Drawing of a case in each of its kinds, in its fixed order: shadows, armor strip,
// background or picture, focus frame, title or caption, content, pin mark, rubber band,
// tooltip, resize grip and scroll bar, with the alpha rules of dragged and marked cases.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cases/case_art.h"
#include "cases/case_internal.h"
#include "cases/case_widget.h"
#include "desk/desk_state.h"
#include "store/stamp.h"

namespace wf::cases {
namespace {

constexpr int kTitleTextX = 8, kTitleTextY = 7;
constexpr int kContentLeft = 10, kContentTop = 38;
constexpr int kTitleFontHeight = 16, kTitleFontWidth = 7;
constexpr int kPinDx = 5, kPinDy = -22;
constexpr int kTooltipDx = 10, kTooltipDy = 30;
constexpr int kGripInset = 11;
constexpr int kPhotoCaptionTextX = 15, kPhotoCaptionTextY = 14;
constexpr int kMapCaptionTextX = 8, kMapCaptionTextY = 7;
constexpr int kSignHalf = 5;
constexpr int kUnsignHalf = 10;
constexpr draw::color_t kUpColor = 0x000000;
constexpr draw::color_t kDownColor = 0xD70020;
constexpr draw::color_t kLateralColor = 0x00A800;
constexpr draw::color_t kLineShadow = 0x8E8E8E;

const char* family_of(ArmorFunction f) {
  switch (f) {
    case ARMOR_KIND: return "ARMOR_RESIZE";
    case ARMOR_CUT: return "ARMOR_CUT";
    case ARMOR_COPY: return "ARMOR_COPY";
    case ARMOR_PASTE: return "ARMOR_PASTE";
    case ARMOR_UP: return "ARMOR_UP";
    case ARMOR_LATERAL: return "ARMOR_LINE";
    case ARMOR_DOWN: return "ARMOR_DOWN";
    case ARMOR_PIN: return "ARMOR_TACI";
    case ARMOR_ZOOM_IN: return "ARMOR_ZOOM_IN";
    case ARMOR_ZOOM_OUT: return "ARMOR_ZOOM_OUT";
    case ARMOR_SIGN: return "ARMOR_SIGN";
    case ARMOR_UNSIGN: return "ARMOR_UNSIGN";
    case ARMOR_LEVEL_DOWN: return "ARMOR_LEVEL_DOWN";
    case ARMOR_LEVEL_LOCK: return "ARMOR_LEVEL_LOCK";
    case ARMOR_LEVEL_UP: return "ARMOR_LEVEL_UP";
    default: return nullptr;
  }
}

// The picture of a button in a state; the kind switch and the pin have four looks, the
// others three.
draw::PIMAGE button_picture(ArmorFunction f, int state) {
  const char* family = family_of(f);
  if (family == nullptr) return nullptr;
  int looks = (f == ARMOR_KIND || f == ARMOR_PIN) ? 4 : 3;
  char name[48];
  std::snprintf(name, sizeof name, "%s_%d", family, std::clamp(state, 0, looks - 1));
  return case_picture(name);
}

draw::PIMAGE tooltip_picture(ArmorFunction f, int kind) {
  if (f == ARMOR_KIND) {
    return case_picture(kind == store::kCaseTitle ? "ARMOR_TO_POST" : "ARMOR_TO_TITLE");
  }
  const char* family = family_of(f);
  if (family == nullptr) return nullptr;
  char name[48];
  std::snprintf(name, sizeof name, "ARMOR_REM_%s", family + 6);
  return case_picture(name);
}

draw::color_t mode_color(int mode) {
  if (mode == kModeUp) return kUpColor;
  if (mode == kModeDown) return kDownColor;
  return kLateralColor;
}

// The case title, bounded by its field, with control bytes shown as spaces.
void title_text(const store::CaseRecord* rec, char* out, size_t cap) {
  size_t n = store::field_length(rec->title, std::min(cap - 1, sizeof rec->title - 1));
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(rec->title[i]);
    out[i] = (c < 0x20) ? ' ' : static_cast<char>(c);
  }
  out[n] = 0;
}

void blit(draw::PIMAGE target, draw::PIMAGE source, int x, int y, unsigned alpha) {
  if (source == nullptr) return;
  if (alpha >= kAlphaOpaque) draw::putimage_transparent(target, source, x, y, 0);
  else draw::putimage_keyblend(target, source, x, y, 0, alpha);
}

}  // namespace

unsigned CaseWidget::case_alpha() const {
  if (dragging_ && front_most()) return kAlphaDragged;
  if (in_clipboard()) return kAlphaClipboard;
  return kAlphaOpaque;
}

void CaseWidget::draw_shadows(draw::PIMAGE target, int W, int H) {
  if (impl_->shadow_h == nullptr) return;
  draw::putimage_alphablend(target, impl_->shadow_h, x_ + 3, y_ + H, kAlphaShadow);
  draw::putimage_alphablend(target, impl_->shadow_v, x_ + W, y_ + 3, kAlphaShadow);
}

void CaseWidget::draw_armor(draw::PIMAGE target) {
  const bool picture_kind = kind_ == store::kCasePhoto || kind_ == store::kCaseMap;
  unsigned alpha = kAlphaOpaque;
  if (in_clipboard()) alpha = kAlphaClipboard;
  else if (picture_kind) alpha = hovered_ >= 0 ? kAlphaStripHover : kAlphaStripIdle;
  int n = armor_button_count(kind_);
  for (int i = 0; i < n; ++i) {
    draw::PIMAGE pic = button_picture(armor_function(kind_, i), button_state_[i]);
    blit(target, pic, button_x_[i], strip_y_, alpha);
  }
}

void CaseWidget::draw_tooltip(draw::PIMAGE target) {
  if (hovered_ < 0) return;
  draw::PIMAGE tip = tooltip_picture(armor_function(kind_, hovered_), kind_);
  if (tip == nullptr) return;
  draw::PIMAGE keep = draw::gettarget();
  draw::drawtarget(target);
  draw::putimage(button_x_[hovered_] + kTooltipDx, strip_y_ + kTooltipDy, tip);
  draw::drawtarget(keep);
}

void CaseWidget::draw_title_text(draw::PIMAGE target) {
  char title[store::kNameField + 1];
  title_text(record_, title, sizeof title);
  if (title[0] == 0) return;
  draw::choosefont(kTitleFontHeight, kTitleFontWidth, "Consolas", target);
  draw::textbackmode(draw::TEXT_TRANSPARENT, target);
  draw::linecolor(case_colors(skin_).title_text, target);
  draw::drawtext(x_ + kTitleTextX, y_ + kTitleTextY, title, target);
}

void CaseWidget::draw_pin(draw::PIMAGE target, unsigned alpha) {
  if (!pinned()) return;
  draw::PIMAGE mark =
      g_case_desk.pin_mark != nullptr ? g_case_desk.pin_mark() : case_picture("TACI_MARK");
  if (mark != nullptr) draw::putimage_keyblend(target, mark, x_ + kPinDx, y_ + kPinDy, 0, alpha);
}

void CaseWidget::draw_rubber_band(draw::PIMAGE target) {
  int mode = desk::DESK_LINK;
  if (mode < kModeUp || mode > kModeDown || !latched_[mode]) return;
  const store::Position& src = g_case_desk.link_source;
  if (src.dir != pos_.dir || src.frame != pos_.frame || src.kase != pos_.kase) return;
  int ax = anchor_x_, ay = anchor_y_;
  int ex = g_case_desk.pointer_x, ey = g_case_desk.pointer_y;
  draw::linecolor(mode_color(mode), target);
  draw::drawline(ax, ay, ex, ey, target);
  draw::drawline(ax, ay, ex + 1, ey, target);
  draw::drawline(ax + 1, ay, ex, ey, target);
  draw::drawline(ax + 1, ay, ex + 1, ey, target);
  draw::linecolor(kLineShadow, target);
  draw::drawline(ax, ay + 1, ex, ey + 1, target);
}

void CaseWidget::draw_focus_frame(draw::PIMAGE target, int right, int bottom) {
  if (!focused() || desk::DESK_DIALOG != -1) return;
  int theme = g_case_desk.color_theme != nullptr ? g_case_desk.color_theme() : 0;
  draw::linecolor(theme == 2 ? kFocusColorTheme2 : kFocusColor, target);
  draw::framerect(x_, y_, right, bottom, target);
}

// Background, title and content of a post in one image (none of them holds the pure black
// key, so the keyed copies of the three equal one plain copy of this image).
void CaseWidget::compose_post() {
  if (impl_->content_dirty) draw_content(record_, metrics_, skin_, impl_);
  if (impl_->composed != nullptr && !impl_->composed_dirty &&
      std::memcmp(impl_->composed_title, record_->title, sizeof record_->title) == 0) {
    return;
  }
  if (impl_->composed == nullptr) impl_->composed = draw::newimage(w_, h_);
  draw::PIMAGE img = impl_->composed;
  draw::putimage_transparent(img, impl_->background, 0, 0, 0);
  draw::putimage_transparent(img, impl_->content, kContentLeft, kContentTop, 0);
  int keep_x = x_, keep_y = y_;
  x_ = y_ = 0;
  draw_title_text(img);
  x_ = keep_x;
  y_ = keep_y;
  std::memcpy(impl_->composed_title, record_->title, sizeof record_->title);
  impl_->composed_dirty = false;
}

void CaseWidget::draw_post(draw::PIMAGE target) {
  const bool focus = focused();
  const unsigned alpha = case_alpha();
  draw_shadows(target, w_, h_);
  if (focus) draw_armor(target);
  if (alpha >= kAlphaOpaque) {
    compose_post();
    draw::PIMAGE keep = draw::gettarget();
    draw::drawtarget(target);
    draw::putimage(x_, y_, impl_->composed);
    draw::drawtarget(keep);
    draw_focus_frame(target, x_ + w_, y_ + h_);
  } else {
    draw::putimage_transparent(target, impl_->background, x_, y_, 0);
    draw_focus_frame(target, x_ + w_, y_ + h_);
    draw_title_text(target);
    if (impl_->content_dirty) draw_content(record_, metrics_, skin_, impl_);
    blit(target, impl_->content, content_x_, content_y_, alpha);
  }
  draw_pin(target, alpha);
  draw_rubber_band(target);
  if (focus) draw_tooltip(target);
  if (front_most()) {
    char name[16];
    std::snprintf(name, sizeof name, "PULL_%d", skin_);
    draw::putimage_transparent(target, case_picture(name), x_ + w_ - kGripInset,
                               y_ + h_ - kGripInset, 0);
    if (resizing_) {
      draw::linecolor(kOutlineColor, target);
      draw::framerect(x_, y_, g_case_desk.pointer_x, g_case_desk.pointer_y, target);
    }
  }
  // Scroll bar: the track and the thumb at its offset.
  draw::putimage_transparent(target, impl_->track, scroll_x_, scroll_y_, 0);
  int look = thumb_drag_ ? 2 : (thumb_hover_ ? 1 : 0);
  draw::putimage_transparent(target, impl_->thumbs[look], scroll_x_,
                             scroll_y_ + impl_->thumb_offset, 0);
}

void CaseWidget::draw_title(draw::PIMAGE target, bool raised) {
  const bool focus = focused();
  const unsigned alpha = case_alpha();
  if (focus) draw_armor(target);
  if (raised) {
    draw::putimage_transparent(target, impl_->background, x_, y_, 0);
    draw_focus_frame(target, x_ + w_, y_ + h_);
  } else {
    char name[16];
    std::snprintf(name, sizeof name, "NOTEPAD_1%d", skin_);
    draw::PIMAGE bar = case_picture_found(name) ? case_picture(name) : impl_->title_bar;
    draw::putimage_transparent(target, bar, x_, y_, 0);
    draw_focus_frame(target, x_ + kTitleWidth, y_ + kTitleBarHeight);
  }
  draw_title_text(target);
  if (raised) {
    if (impl_->content_dirty) draw_content(record_, metrics_, skin_, impl_);
    blit(target, impl_->content, content_x_, content_y_, alpha);
    draw_shadows(target, w_, h_);
  }
  draw_pin(target, alpha);
  draw_rubber_band(target);
  if (focus) draw_tooltip(target);
}

void CaseWidget::draw_picture_case(draw::PIMAGE target) {
  const bool photo = kind_ == store::kCasePhoto;
  const bool focus = focused();
  const unsigned alpha = case_alpha();
  draw::putimage_alphablend(target, impl_->picture, x_, y_, alpha);
  draw_shadows(target, pic_w_, pic_h_);
  int cx = photo ? x_ + kPhotoFrameBorder : x_;
  int cy = photo ? y_ + kPhotoFrameBorder : y_;
  draw::putimage_alphablend(target, impl_->caption, cx, cy, kAlphaCaption);

  // Caption text, clipped to the caption strip.
  char title[store::kNameField + 1];
  title_text(record_, title, sizeof title);
  char caption[store::kNameField + 24];
  if (focus) std::snprintf(caption, sizeof caption, "%s | %d%%", title, zoom_);
  else std::snprintf(caption, sizeof caption, "%s", title);
  int tx = x_ + (photo ? kPhotoCaptionTextX : kMapCaptionTextX);
  int ty = y_ + (photo ? kPhotoCaptionTextY : kMapCaptionTextY);
  int right = photo ? x_ + pic_w_ - kPhotoFrameBorder : x_ + pic_w_;
  int bottom = y_ + kCaptionHeight;
  int tw = draw::imagewidth(target), th = draw::imageheight(target);
  int cl = std::max(0, tx), ct = std::max(0, ty);
  if (caption[0] != 0 && cl < right && ct < bottom && cl < tw && ct < th) {
    draw::choosefont(16, 7, "Consolas", target);
    draw::textbackmode(draw::TEXT_TRANSPARENT, target);
    draw::linecolor(photo ? kCaptionTextColor : kMapCaptionTextColor, target);
    draw::cliprect(tx, ty, right, bottom, target);
    draw::drawtext(tx - cl, ty - ct, caption, target);
    draw::cliprect(0, 0, tw, th, target);
  }
  draw_pin(target, alpha);
  if (!photo) {
    int signs = std::min<int>(record_->map_sign_count, store::kMapSigns);
    draw::PIMAGE point = case_picture("MAP_POINT");
    for (int i = 0; i < signs; ++i) {
      const store::MapSign& s = record_->map_signs[i];
      draw::putimage_keyblend(target, point, x_ + s.x - kSignHalf, y_ + s.y - kSignHalf, 0,
                              kAlphaShadow);
    }
    if (g_case_desk.sign_slot == slot_ && desk::DESK_SIGN == kModeAddSign) {
      draw::putimage_keyblend(target, point, g_case_desk.pointer_x - kSignHalf,
                              g_case_desk.pointer_y - kSignHalf, 0, kAlphaShadow);
    } else if (g_case_desk.sign_slot == slot_ && desk::DESK_SIGN == kModeRemoveSign) {
      draw::putimage_transparent(target, case_picture("MAP_UNSIGN"),
                                 g_case_desk.pointer_x - kUnsignHalf,
                                 g_case_desk.pointer_y - kUnsignHalf, 0);
    }
  }
  if (focus) {
    draw_armor(target);
    draw_tooltip(target);
  }
  if (photo) draw_rubber_band(target);
}

void CaseWidget::draw(draw::PIMAGE target, bool raised) {
  if (record_ == nullptr) return;
  switch (kind_) {
    case store::kCaseTitle: draw_title(target, raised); break;
    case store::kCasePhoto:
    case store::kCaseMap: draw_picture_case(target); break;
    default: draw_post(target); break;
  }
  draw_associations(target);
}

}  // namespace wf::cases
