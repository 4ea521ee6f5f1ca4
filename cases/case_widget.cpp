// The case widget: creation from a CaseRecord, geometry and metrics, the hit table entry,
// the armor strips, hover, drag, release, wheel and keys, kind conversions, the pictures of
// photos and maps, and the modified flag. Drawing is in case_draw.cpp, the content lines in
// case_content.cpp.
#include "cases/case_widget.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cases/case_art.h"
#include "cases/case_internal.h"
#include "desk/desk_state.h"
#include "platform/clipboard.h"
#include "platform/open.h"
#include "platform/paths.h"
#include "store/stamp.h"

namespace wf::cases {

namespace {

constexpr int kShownSizeCap = 4096;   // widest / highest case the widget builds images for
constexpr int kPositionCap = 1 << 28; // screen positions are kept inside this range
constexpr int kPhotoStripDx = 13, kPhotoStripDy = 44, kPhotoStripW = 204;
constexpr int kMapStripDx = 6, kMapStripDy = 37, kMapStripW = 260;
constexpr int kContentDx = 10, kContentDy = 38;
constexpr int kFrontReach = 28;       // a front-most post also answers 28 px right and up
constexpr int kScrollBarDx = 11;
constexpr int kCornerSize = 10;
constexpr int kAnchorDy = 10;
constexpr int kMaxMapSigns = store::kMapSigns;

// Text size index order from the smallest font to the largest: 8, 12, 14, 18, 26 px.
constexpr int kSizeOrder[kTextSizes] = {1, 2, 0, 3, 4};

const CaseColors kColors[kSkinCount] = {
    {0xFEFEDE, 0x9E8821, 0xFCFCFC, 0x0C0C0C, 0xFCFCFC},
    {0xC9F9C4, 0x2E4E2C, 0xFCFCFC, 0x0C0C0C, 0xFCFCFC},
    {0xD1EEF5, 0x5078AF, 0xFCFCFC, 0x0C0C0C, 0xFCFCFC},
    {0xE1E1E1, 0x595959, 0xFCFCFC, 0x0C0C0C, 0xFCFCFC},
    {0xFFDFE4, 0x880015, 0xFCFCFC, 0x0C0C0C, 0xFCFCFC},
    {0xDDD8FE, 0xD4CDF3, 0x0C0C0C, 0x0C0C0C, 0xFCFCFC},
    {0xD7F2FA, 0xC9ECF8, 0x0C0C0C, 0x0C0C0C, 0xFCFCFC},
    {0xFDFDCA, 0xF8F7B6, 0x0C0C0C, 0x0C0C0C, 0xFCFCFC},
    {0xF3DFA2, 0x3C3C79, 0xFCFCFC, 0x0C0C0C, 0xFCFCFC},
    {0x333333, 0x0C0C02, 0xFCFCFC, 0xFCFCFC, 0xFCFC54},
};
constexpr int kFontHeights[kTextSizes] = {14, 8, 12, 18, 26};
constexpr int kLineGaps[kTextSizes] = {6, 2, 4, 8, 10};

int clamp_position(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, -kPositionCap, kPositionCap));
}

int shown_size(int32_t stored) { return std::clamp<int32_t>(stored, kMinCaseSize, kShownSizeCap); }

int checked_zoom(int stored) {
  if (stored == 0) return kZoomDefault;
  return std::clamp(stored, kZoomMin, kZoomMax);
}

std::string zoomed_copy_name(const std::string& item_path, int zoom) {
  return store::store_root() + item_path + "_" + std::to_string(zoom) + ".jpg";
}

}  // namespace

// ---- Tables ----

const CaseColors& case_colors(int skin) {
  return kColors[(skin >= 0 && skin < kSkinCount) ? skin : 0];
}
int font_height_of(int text_size) { return kFontHeights[((text_size % kTextSizes) + kTextSizes) % kTextSizes]; }
int line_gap_of(int text_size) { return kLineGaps[((text_size % kTextSizes) + kTextSizes) % kTextSizes]; }

uint64_t date_key_of(const store::Stamp& s) {
  return static_cast<uint64_t>(s.year) * 10000000000ull + s.month * 100000000ull +
         s.day * 1000000ull + s.hour * 10000ull + s.minute * 100ull + s.second;
}

const ArmorFunction& armor_function(int kind, int button) {
  static const ArmorFunction kPost[] = {ARMOR_KIND, ARMOR_CUT, ARMOR_COPY, ARMOR_PASTE,
                                        ARMOR_UP,   ARMOR_LATERAL, ARMOR_DOWN, ARMOR_PIN};
  static const ArmorFunction kPhoto[] = {ARMOR_COPY, ARMOR_ZOOM_IN, ARMOR_ZOOM_OUT, ARMOR_UP,
                                         ARMOR_LATERAL, ARMOR_DOWN, ARMOR_PIN};
  static const ArmorFunction kMap[] = {ARMOR_COPY,  ARMOR_ZOOM_IN,  ARMOR_ZOOM_OUT,
                                       ARMOR_SIGN,  ARMOR_UNSIGN,   ARMOR_LEVEL_DOWN,
                                       ARMOR_LEVEL_LOCK, ARMOR_LEVEL_UP, ARMOR_PIN};
  static const ArmorFunction kNone = ARMOR_NONE;
  if (button < 0) return kNone;
  if (kind == store::kCasePhoto) return button < kPhotoButtons ? kPhoto[button] : kNone;
  if (kind == store::kCaseMap) return button < kMapButtons ? kMap[button] : kNone;
  return button < kPostButtons ? kPost[button] : kNone;
}

int armor_button_count(int kind) {
  if (kind == store::kCasePhoto) return kPhotoButtons;
  if (kind == store::kCaseMap) return kMapButtons;
  return kPostButtons;
}

int armor_latch(ArmorFunction f) {
  switch (f) {
    case ARMOR_KIND: return kLatchKind;
    case ARMOR_UP: return kLatchUp;
    case ARMOR_LATERAL: return kLatchLateral;
    case ARMOR_DOWN: return kLatchDown;
    case ARMOR_PIN: return kLatchPin;
    case ARMOR_SIGN: return kLatchAddSign;
    case ARMOR_UNSIGN: return kLatchRemoveSign;
    default: return -1;
  }
}

// ---- Life ----

CaseWidget::CaseWidget() = default;

CaseWidget::~CaseWidget() { destroy(); }

int CaseWidget::create(store::Position pos, int slot, int origin_x, int origin_y,
                       int32_t* hit_entry) {
  store::CaseRecord* rec = store::case_record(pos.dir, pos.frame, pos.kase);
  return create_on(rec, pos, slot, origin_x, origin_y, hit_entry);
}

int CaseWidget::create_on(store::CaseRecord* record, store::Position pos, int slot,
                          int origin_x, int origin_y, int32_t* hit_entry) {
  if (slot < 0 || slot >= store::kCaseSlots) return kCaseBadSlot;
  if (record == nullptr) return kCaseNoRecord;
  destroy();
  impl_ = new Impl;
  widget_created();
  pos_ = pos;
  slot_ = slot;
  record_ = record;
  hit_ = hit_entry != nullptr ? hit_entry : own_hit_;
  date_key_ = date_key_of(record->own);
  origin_x_ = origin_x;
  origin_y_ = origin_y;

  // Checked copies of the record's values.
  kind_ = record->case_kind <= store::kCaseMap ? record->case_kind : store::kCasePost;
  skin_ = record->skin < kSkinCount ? record->skin : 0;
  zoom_ = checked_zoom(record->zoom);
  int item = static_cast<int>(record->picture_item & 0xFF);
  picture_item_ = item < store::kContentItems ? item : -1;

  x_ = clamp_position(static_cast<int64_t>(record->x) + origin_x);
  y_ = clamp_position(static_cast<int64_t>(record->y) + origin_y);
  selection_state_ = 0;
  dragging_ = resizing_ = thumb_drag_ = thumb_hover_ = zoom_held_ = false;
  was_front_ = false;
  position_pending_ = false;
  hovered_ = -1;

  compute_metrics();
  std::memset(latched_, 0, sizeof latched_);
  latched_[kLatchKind] = kind_ == store::kCaseTitle;
  latched_[kLatchPin] = record->pinned != 0;
  refresh_button_states();

  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) {
    build_picture(picture_item_, -1);
  }
  place();
  build_background();
  layout_content(record_, metrics_, impl_);
  restore_view();
  build_thumbs();
  if (kind_ == store::kCasePost || kind_ == store::kCaseTitle) build_shadows(w_, h_);
  write_hit();
  modified_ = 0;
  layout_request_ = 0;
  return kCaseOk;
}

void CaseWidget::destroy() {
  if (impl_ != nullptr) {
    drop_image(impl_->background);
    drop_image(impl_->title_bar);
    drop_image(impl_->track);
    for (auto& t : impl_->thumbs) drop_image(t);
    drop_image(impl_->content);
    drop_image(impl_->picture);
    drop_image(impl_->caption);
    drop_image(impl_->shadow_h);
    drop_image(impl_->shadow_v);
    drop_image(impl_->composed);
    delete impl_;
    impl_ = nullptr;
    widget_destroyed();
  }
  if (dragging_ && desk::DESK_DRAGCASE == slot_ + desk::HIT_CASE) desk::DESK_DRAGCASE = -1;
  record_ = nullptr;
  dragging_ = resizing_ = false;
  hit_ = own_hit_;
}

// ---- Geometry ----

int CaseWidget::shown_width() const {
  if (kind_ == store::kCaseTitle) return kTitleWidth;
  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) return pic_w_;
  return w_;
}

int CaseWidget::shown_height() const {
  if (kind_ == store::kCaseTitle) return kTitleBarHeight;
  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) return pic_h_;
  return h_;
}

bool CaseWidget::pinned() const { return record_ != nullptr && record_->pinned != 0; }

bool CaseWidget::front_most() const {
  return record_ != nullptr && g_case_desk.front_slot != nullptr &&
         g_case_desk.front_slot() == slot_;
}

bool CaseWidget::focused() const {
  return front_most() && g_case_desk.focus != nullptr && g_case_desk.focus() != -1;
}

bool CaseWidget::in_clipboard() const {
  return g_case_desk.in_clipboard != nullptr && g_case_desk.in_clipboard(slot_);
}

void CaseWidget::compute_metrics() {
  CaseMetrics& m = metrics_;
  int ts = record_->text_size % kTextSizes;
  m.font_height = kFontHeights[ts];
  m.line_gap = kLineGaps[ts];
  w_ = shown_size(record_->width);
  h_ = shown_size(record_->height);
  draw::PIMAGE probe = draw::newimage();
  draw::choosefont(m.font_height, 0, "宋体", probe);
  m.char_width = std::max(1, draw::textwidthof("a", probe));
  m.line_height = std::max(1, draw::textheightof("a", probe) + m.line_gap);
  draw::dropimage(probe);
  m.content_width = w_ - 28;
  m.content_height = h_ - 50;
  m.track_height = h_ - 53;
  m.columns = m.content_width / m.char_width;
  m.rows = m.content_height / m.line_height;
}

void CaseWidget::place() {
  content_x_ = x_ + kContentDx;
  content_y_ = y_ + kContentDy;
  if (kind_ == store::kCasePhoto) {
    strip_x_ = x_ + kPhotoStripDx;
    strip_y_ = y_ + kPhotoStripDy;
  } else if (kind_ == store::kCaseMap) {
    strip_x_ = x_ + kMapStripDx;
    strip_y_ = y_ + kMapStripDy;
  } else {
    strip_x_ = x_;
    strip_y_ = y_ - kArmorStripLift;
  }
  for (int i = 0; i < kArmorSlots; ++i) button_x_[i] = strip_x_ + kArmorButton * i;
  scroll_x_ = x_ + w_ - kScrollBarDx;
  scroll_y_ = y_ + kTitleBarHeight;
  corner_x_ = x_ + w_ - kCornerSize;
  corner_y_ = y_ + h_ - kCornerSize;
  anchor_x_ = x_ + shown_width() / 2;
  anchor_y_ = y_ + kAnchorDy;
}

void CaseWidget::write_hit() {
  int32_t* e = hit_;
  e[kHitSlot] = slot_;
  e[kHitLeft] = x_;
  e[kHitTop] = y_;
  e[kHitRight] = x_ + shown_width();
  e[kHitBottom] = y_ + shown_height();
  e[kHitStripLeft] = e[kHitStripTop] = e[kHitStripRight] = e[kHitStripBottom] = 0;
  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) {
    int strip_w = kind_ == store::kCasePhoto ? kPhotoStripW : kMapStripW;
    e[kHitStripLeft] = strip_x_;
    e[kHitStripTop] = strip_y_;
    e[kHitStripRight] = strip_x_ + strip_w;
    e[kHitStripBottom] = strip_y_ + kArmorButton;
  } else if (was_front_) {
    e[kHitTop] = y_ - front_lift_;
    if (kind_ == store::kCasePost) e[kHitRight] = x_ + w_ + kFrontReach;
  }
}

void CaseWidget::clear_was_front() {
  was_front_ = false;
  if (record_ != nullptr) write_hit();
}

// ---- Images ----

void CaseWidget::build_background() {
  const CaseColors& c = case_colors(skin_);
  drop_image(impl_->background);
  drop_image(impl_->title_bar);
  drop_image(impl_->content);
  drop_image(impl_->track);
  drop_image(impl_->composed);
  impl_->composed_dirty = true;
  draw::PIMAGE bg = draw::newimage(w_, h_);
  draw::fillcolor(c.body, bg);
  draw::fillrect(0, 0, w_, h_, bg);
  draw::fillcolor(c.bar, bg);
  draw::fillrect(0, 0, w_, kTitleBarHeight, bg);
  draw::linecolor(kOutlineColor, bg);
  draw::framerect(0, 0, w_, h_, bg);
  impl_->background = bg;

  draw::PIMAGE bar = draw::newimage(kTitleWidth, kTitleBarHeight);
  draw::fillcolor(c.bar, bar);
  draw::fillrect(0, 0, kTitleWidth, kTitleBarHeight, bar);
  draw::linecolor(kOutlineColor, bar);
  draw::framerect(0, 0, kTitleWidth, kTitleBarHeight, bar);
  impl_->title_bar = bar;

  impl_->content = draw::newimage(metrics_.content_width, metrics_.content_height);
  draw::backcolor(c.body, impl_->content);
  draw::clearimage(impl_->content);
  impl_->content_dirty = true;

  impl_->track = draw::newimage(10, metrics_.track_height);
  draw::backcolor(kTrackColor, impl_->track);
  draw::clearimage(impl_->track);
}

void CaseWidget::build_thumbs() {
  static constexpr draw::color_t kThumbColors[3] = {kThumbColor, kThumbHoverColor,
                                                    kThumbPressColor};
  for (int i = 0; i < 3; ++i) {
    drop_image(impl_->thumbs[i]);
    impl_->thumbs[i] = draw::newimage(10, impl_->thumb_height);
    draw::backcolor(kThumbColors[i], impl_->thumbs[i]);
    draw::clearimage(impl_->thumbs[i]);
  }
}

void CaseWidget::build_shadows(int W, int H) {
  drop_image(impl_->shadow_h);
  drop_image(impl_->shadow_v);
  draw::PIMAGE sh = draw::newimage(W, 3);
  draw::linecolor(kShadowDark, sh);
  draw::drawline(0, 0, W - 2, 0, sh);
  draw::linecolor(kShadowLight, sh);
  draw::drawline(0, 1, W - 1, 1, sh);
  draw::PIMAGE sv = draw::newimage(3, H);
  draw::linecolor(kShadowDark, sv);
  draw::drawline(0, 0, 0, H - 3, sv);
  draw::linecolor(kShadowLight, sv);
  draw::drawline(1, 0, 1, H - 2, sv);
  impl_->shadow_h = sh;
  impl_->shadow_v = sv;
}

// Loads (or makes) the zoomed copy of a picture item into a new image; a 1 x 1 image when
// the picture cannot be had.
static draw::PIMAGE load_zoomed(const store::CaseRecord* rec, int item, int zoom) {
  draw::PIMAGE zoomed = draw::newimage();
  if (item < 0 || item >= store::kContentItems) return zoomed;
  std::string path = safe_item_path(rec->items[item].path, sizeof rec->items[item].path);
  if (path.empty()) return zoomed;
  std::string copy = platform::native_path(zoomed_copy_name(path, zoom));
  if (draw::getimage(zoomed, copy.c_str()) == 0) return zoomed;

  std::string full = platform::native_path(store::store_root() + path);
  draw::PIMAGE source = draw::newimage();
  if (draw::getimage(source, full.c_str()) != 0) {
    draw::dropimage(source);
    return zoomed;
  }
  int64_t sw = draw::imagewidth(source), sh = draw::imageheight(source);
  int zw = static_cast<int>(sw * zoom / 100), zh = static_cast<int>(sh * zoom / 100);
  draw::PIMAGE scaled = draw::newimage(zw, zh);
  draw::PIMAGE keep = draw::gettarget();
  draw::drawtarget(scaled);
  draw::putimage(0, 0, draw::imagewidth(scaled), draw::imageheight(scaled), source,
                 static_cast<int>(sw), static_cast<int>(sh), draw::PUT_COPY);
  draw::drawtarget(keep);
  draw::dropimage(source);
  // Kept on disk so later loads and returns to this zoom read the file instead of scaling.
  if (draw::writeimagejpeg(scaled, copy.c_str()) != 0) draw::writeimagebmp(scaled, copy.c_str());
  if (draw::getimage(zoomed, copy.c_str()) != 0) {
    draw::dropimage(zoomed);
    return scaled;
  }
  draw::dropimage(scaled);
  return zoomed;
}

void CaseWidget::build_picture(int item, int target_kind) {
  int stored_item = static_cast<int>(record_->picture_item & 0xFF);
  if (item >= 0 && item != stored_item) {
    under_desk_lock([&] {
      record_->picture_item = static_cast<uint32_t>(item);
      record_->zoom = kZoomDefault;
    });
    zoom_ = kZoomDefault;
  } else if (record_->zoom == 0 && item >= 0) {
    under_desk_lock([&] { record_->zoom = kZoomDefault; });
    zoom_ = kZoomDefault;
  }
  if (item >= 0) picture_item_ = item;
  int kind = target_kind >= 0 ? target_kind : kind_;

  drop_image(impl_->picture);
  drop_image(impl_->caption);
  draw::PIMAGE zoomed = load_zoomed(record_, picture_item_, zoom_);
  int zw = draw::imagewidth(zoomed), zh = draw::imageheight(zoomed);
  if (kind == store::kCasePhoto) {
    pic_w_ = zw + 2 * kPhotoFrameBorder;
    pic_h_ = zh + 2 * kPhotoFrameBorder;
    draw::PIMAGE framed = draw::newimage(pic_w_, pic_h_);
    draw::backcolor((record_->photo_frame & 1) ? kPhotoFrameWhite : kPhotoFrameGrey, framed);
    draw::clearimage(framed);
    draw::PIMAGE keep = draw::gettarget();
    draw::drawtarget(framed);
    draw::putimage(kPhotoFrameBorder, kPhotoFrameBorder, zoomed);
    draw::drawtarget(keep);
    draw::dropimage(zoomed);
    impl_->picture = framed;
    impl_->caption = draw::newimage(pic_w_ - 2 * kPhotoFrameBorder, kCaptionHeight);
  } else {
    pic_w_ = zw;
    pic_h_ = zh;
    impl_->picture = zoomed;
    impl_->caption = draw::newimage(pic_w_, kCaptionHeight);
  }
  if (target_kind >= 0) set_kind(target_kind);
  build_shadows(pic_w_, pic_h_);
  place();
}

// ---- Kind and record changes ----

void CaseWidget::set_kind(int kind) {
  under_desk_lock([&] { record_->case_kind = static_cast<uint16_t>(kind); });
  kind_ = kind;
  latched_[kLatchKind] = kind == store::kCaseTitle;
}

void CaseWidget::set_modified() {
  under_desk_lock([&] { modified_ = 1; });
}

void CaseWidget::clear_modified() {
  under_desk_lock([&] { modified_ = 0; });
}

bool CaseWidget::store_position(int origin_x, int origin_y) {
  if (record_ == nullptr) return false;
  int32_t rx = static_cast<int32_t>(static_cast<int64_t>(x_) - origin_x);
  int32_t ry = static_cast<int32_t>(static_cast<int64_t>(y_) - origin_y);
  bool changed = false;
  under_desk_lock([&] {
    changed = record_->x != rx || record_->y != ry;
    record_->x = rx;
    record_->y = ry;
  });
  position_pending_ = false;
  return changed;
}

// The post and title conversions: kind, armor, hit entry, a zero size change, images.
void CaseWidget::become_text_kind(int kind) {
  drop_image(impl_->picture);
  drop_image(impl_->caption);
  set_kind(kind);
  apply_size_change(0, 0, false);
  set_modified();
}

void CaseWidget::to_title() {
  if (record_ == nullptr) return;
  become_text_kind(store::kCaseTitle);
}

void CaseWidget::to_post() {
  if (record_ == nullptr) return;
  become_text_kind(store::kCasePost);
}

int CaseWidget::to_photo_item(int item) {
  if (record_ == nullptr) return kCaseNoRecord;
  if (item < 0 || item >= store::kContentItems) return kCaseNoPicture;
  build_picture(item, store::kCasePhoto);
  write_hit();
  set_modified();
  return kCaseOk;
}

int CaseWidget::to_map_item(int item) {
  if (record_ == nullptr) return kCaseNoRecord;
  if (item < 0 || item >= store::kContentItems) return kCaseNoPicture;
  build_picture(item, store::kCaseMap);
  write_hit();
  set_modified();
  return kCaseOk;
}

int CaseWidget::to_photo(int px, int py) {
  if (record_ == nullptr) return kCaseNoRecord;
  if (kind_ == store::kCaseMap) return to_photo_item(picture_item_ >= 0 ? picture_item_ : 0);
  if (kind_ != store::kCasePost) return kCaseWrongKind;
  int item = picture_item_under_point(px, py);
  return item < 0 ? kCaseNoPicture : to_photo_item(item);
}

int CaseWidget::to_map(int px, int py) {
  if (record_ == nullptr) return kCaseNoRecord;
  if (kind_ == store::kCasePhoto) return to_map_item(picture_item_ >= 0 ? picture_item_ : 0);
  if (kind_ != store::kCasePost) return kCaseWrongKind;
  int item = picture_item_under_point(px, py);
  return item < 0 ? kCaseNoPicture : to_map_item(item);
}

void CaseWidget::change_frame() {
  if (record_ == nullptr || kind_ != store::kCasePhoto) return;
  under_desk_lock([&] { record_->photo_frame = (record_->photo_frame & 1) ? 0 : 1; });
  build_picture(-1, -1);
  write_hit();
  set_modified();
}

void CaseWidget::zoom_step(int delta) {
  if (record_ == nullptr || (kind_ != store::kCasePhoto && kind_ != store::kCaseMap)) return;
  if (delta == 0) return;
  int next = zoom_ + (delta > 0 ? kZoomStep : -kZoomStep);
  if (next < kZoomMin || next > kZoomMax) return;
  zoom_ = next;
  under_desk_lock([&] { record_->zoom = static_cast<uint8_t>(next); });
  build_picture(-1, -1);
  write_hit();
  set_modified();
}

void CaseWidget::recolour(int skin) {
  if (record_ == nullptr) return;
  int s = (skin >= 0 && skin < kSkinCount) ? skin : 0;
  under_desk_lock([&] { record_->skin = static_cast<uint16_t>(s); });
  skin_ = s;
  build_background();
  layout_content(record_, metrics_, impl_);
  build_thumbs();
  set_modified();
}

// Resizes a post by (dw, dh), each side raised to 232, and rebuilds what depends on the
// size; store_size writes the new size into the record (a resize by the corner). Also the
// zero change of a kind conversion, which keeps the stored size.
void CaseWidget::apply_size_change(int dw, int dh, bool store_size) {
  int nw = static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(w_) + dw, kMinCaseSize,
                                                kShownSizeCap));
  int nh = static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(h_) + dh, kMinCaseSize,
                                                kShownSizeCap));
  if (store_size) {
    under_desk_lock([&] {
      record_->width = nw;
      record_->height = nh;
    });
  }
  compute_metrics();
  // Without storing (the zero change of a conversion) the stored size stays and shows
  // raised to 232.
  if (store_size) {
    w_ = nw;
    h_ = nh;
  }
  place();
  build_shadows(w_, h_);
  build_background();
  layout_content(record_, metrics_, impl_);
  build_thumbs();
  write_hit();
}

void CaseWidget::move_by(int dx, int dy) {
  if (record_ == nullptr) return;
  x_ = clamp_position(static_cast<int64_t>(x_) + dx);
  y_ = clamp_position(static_cast<int64_t>(y_) + dy);
  place();
  if (front_most() && kind_ != store::kCasePhoto && kind_ != store::kCaseMap) {
    was_front_ = true;
    front_lift_ = kArmorStripLift;
  }
  write_hit();
}

// ---- Armor ----

void CaseWidget::refresh_button_states() {
  int n = armor_button_count(kind_);
  for (int i = 0; i < kArmorSlots; ++i) button_state_[i] = kButtonNormal;
  for (int i = 0; i < n; ++i) {
    int latch = armor_latch(armor_function(kind_, i));
    if (latch >= 0 && latched_[latch]) button_state_[i] = kButtonLatched;
  }
  hovered_ = -1;
}

// The state a hovered button shows: 3 for a title's kind switch and a pinned case's pin.
int CaseWidget::hover_state(int button) const {
  ArmorFunction f = armor_function(kind_, button);
  if (f == ARMOR_KIND && kind_ == store::kCaseTitle) return kButtonAlternate;
  if (f == ARMOR_PIN && pinned()) return kButtonAlternate;
  return kButtonHovered;
}

int CaseWidget::armor_button_at(int px, int py) const {
  int n = armor_button_count(kind_);
  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) {
    if (!(strip_y_ < py && py < strip_y_ + kArmorButton)) return -1;
    if (px < strip_x_ || px >= strip_x_ + kArmorButton * n) return -1;
    return (px - strip_x_) / kArmorButton;
  }
  if (!(y_ - kArmorStripLift < py && py < y_)) return -1;
  for (int i = 0; i < n; ++i) {
    if (x_ + kArmorButton * i < px && px < x_ + kArmorButton * (i + 1)) return i;
  }
  return -1;
}

void CaseWidget::start_association_mode(int mode) {
  for (int m = kModeUp; m <= kModeDown; ++m) latched_[m] = 0;
  latched_[mode] = 1;
  desk::DESK_LINK = mode;
  g_case_desk.link_source = pos_;
}

void CaseWidget::end_association_mode() {
  for (int m = kModeUp; m <= kModeDown; ++m) latched_[m] = 0;
  if (desk::DESK_LINK != kModeNone && g_case_desk.link_source.dir == pos_.dir &&
      g_case_desk.link_source.frame == pos_.frame && g_case_desk.link_source.kase == pos_.kase) {
    desk::DESK_LINK = kModeNone;
  }
  if (record_ != nullptr) refresh_button_states();
}

void CaseWidget::end_sign_mode() {
  latched_[kLatchAddSign] = latched_[kLatchRemoveSign] = 0;
  if (g_case_desk.sign_slot == slot_) {
    desk::DESK_SIGN = kModeNone;
    g_case_desk.sign_slot = -1;
  }
  if (record_ != nullptr) refresh_button_states();
}

void CaseWidget::toggle_pin() {
  uint8_t next = record_->pinned ? 0 : 1;
  under_desk_lock([&] { record_->pinned = next; });
  latched_[kLatchPin] = next;
  set_modified();
}

// Runs the armor button under the pointer on release.
void CaseWidget::run_button(int button) {
  ArmorFunction f = armor_function(kind_, button);
  int latch = armor_latch(f);
  bool was_latched = latch >= 0 && latched_[latch];
  switch (f) {
    case ARMOR_KIND:
      if (was_latched) to_post(); else to_title();
      break;
    case ARMOR_UP:
    case ARMOR_LATERAL:
    case ARMOR_DOWN:
      if (was_latched) end_association_mode(); else start_association_mode(latch);
      break;
    case ARMOR_PIN:
      toggle_pin();
      break;
    case ARMOR_COPY:
      if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) {
        copy_picture();
        refresh_button_states();
        button_state_[button] = kButtonLatched;
        return;
      }
      break;  // text copy comes with the editor
    case ARMOR_CUT:
    case ARMOR_PASTE:
      break;  // the editor's
    case ARMOR_SIGN:
      if (was_latched) {
        end_sign_mode();
      } else if (std::min<int>(record_->map_sign_count, kMaxMapSigns) < kMaxMapSigns) {
        latched_[kLatchRemoveSign] = 0;
        latched_[kLatchAddSign] = 1;
        desk::DESK_SIGN = kModeAddSign;
        g_case_desk.sign_slot = slot_;
      }
      break;
    case ARMOR_UNSIGN:
      if (was_latched) {
        end_sign_mode();
      } else if (record_->map_sign_count > 0) {
        latched_[kLatchAddSign] = 0;
        latched_[kLatchRemoveSign] = 1;
        desk::DESK_SIGN = kModeRemoveSign;
        g_case_desk.sign_slot = slot_;
      }
      break;
    case ARMOR_LEVEL_DOWN:
    case ARMOR_LEVEL_LOCK:
    case ARMOR_LEVEL_UP:
      if (g_case_desk.level_command != nullptr) {
        int command = f == ARMOR_LEVEL_DOWN   ? kLevelSendToBottom
                      : f == ARMOR_LEVEL_LOCK ? kLevelSendToBottomLock
                                              : kLevelRelease;
        g_case_desk.level_command(slot_, command);
      }
      break;
    default:
      break;
  }
  if (record_ != nullptr) refresh_button_states();
}

// ---- Input ----

void CaseWidget::hover_update(bool button_down, int px, int py) {
  if (record_ == nullptr) return;
  g_case_desk.pointer_x = px;
  g_case_desk.pointer_y = py;
  if (layout_request_) {
    layout_request_ = 0;
    layout_content(record_, metrics_, impl_);
    build_thumbs();
  }
  if (!was_front_) {
    was_front_ = true;
    front_lift_ = kind_ == store::kCaseTitle ? kArmorStripLift : kFrontReach;
  }
  write_hit();
  refresh_button_states();
  thumb_hover_ = false;

  int button = armor_button_at(px, py);
  if (button >= 0) {
    hovered_ = button;
    button_state_[button] = hover_state(button);
  }
  if (kind_ == store::kCasePost) {
    int top = scroll_y_ + impl_->thumb_offset;
    thumb_hover_ = x_ + w_ - kScrollBarDx < px && px < x_ + w_ - 1 && top <= py &&
                   py < top + impl_->thumb_height;
  }
  if ((kind_ == store::kCasePhoto || kind_ == store::kCaseMap) && button_down && button >= 0 &&
      focused()) {
    ArmorFunction f = armor_function(kind_, button);
    if (f == ARMOR_ZOOM_IN || f == ARMOR_ZOOM_OUT) {
      zoom_step(f == ARMOR_ZOOM_IN ? kWheelNotch : -kWheelNotch);
      button_state_[button] = kButtonLatched;
    }
  }
  if (impl_->content_dirty && (kind_ == store::kCasePost || kind_ == store::kCaseTitle)) {
    draw_content(record_, metrics_, skin_, impl_);
  }
}

static bool strictly_inside(int px, int py, int l, int t, int r, int b) {
  return l < px && px < r && t < py && py < b;
}

void CaseWidget::start_drag() {
  dragging_ = true;
  desk::DESK_DRAGCASE = slot_ + desk::HIT_CASE;
  if (g_case_desk.bring_to_front != nullptr) g_case_desk.bring_to_front(slot_);
}

// A drag starts only on the front-most case (the desk brings the pressed case to the front
// first) and only while no other case is being dragged, so a case further back that the
// pointer crosses does not start moving too.
bool CaseWidget::may_start_drag() const {
  if (desk::DESK_DRAGCASE >= 0 && desk::DESK_DRAGCASE != slot_ + desk::HIT_CASE) return false;
  return g_case_desk.front_slot == nullptr || g_case_desk.front_slot() == slot_;
}

int CaseWidget::pointer_drag(const draw::MOUSEREC& m, int dx, int dy, int phase) {
  if (record_ == nullptr) return 0;
  if (phase == kDragEnd) {
    bool was = dragging_;
    dragging_ = false;
    thumb_drag_ = false;
    if (was || desk::DESK_DRAGCASE == slot_ + desk::HIT_CASE) desk::DESK_DRAGCASE = -1;
    return 0;
  }
  if (desk::DESK_SCROLLDRAG >= 0 && desk::DESK_SCROLLDRAG != slot_) return 0;
  const int px = m.x, py = m.y;
  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap || kind_ == store::kCaseTitle) {
    int r = x_ + shown_width(), b = y_ + shown_height();
    if (!dragging_ && strictly_inside(px, py, x_, y_, r, b) && may_start_drag()) start_drag();
    if (!dragging_) return 0;
    move_by(dx, dy);
    position_pending_ = true;
    return 1;
  }
  // Post.
  if (thumb_drag_) return 1;  // scrolling by the thumb comes with the editor
  if (!dragging_ && !resizing_ && selection_state_ != 1 &&
      strictly_inside(px, py, x_, y_, x_ + w_, y_ + kTitleBarHeight) && may_start_drag()) {
    start_drag();
  }
  if (!dragging_ && !resizing_ && x_ + w_ - kCornerSize <= px && px <= x_ + w_ &&
      y_ + h_ - kCornerSize <= py && py <= y_ + h_ && may_start_drag()) {
    resizing_ = true;
    resize_cx_ = x_ + w_;
    resize_cy_ = y_ + h_;
    desk::DESK_RESIZING = 1;
  }
  if (resizing_) {
    resize_px_ = px;
    resize_py_ = py;
    g_case_desk.pointer_x = px;
    g_case_desk.pointer_y = py;
    return 1;
  }
  if (!dragging_) return 0;
  move_by(dx, dy);
  position_pending_ = true;
  return 1;
}

void CaseWidget::pointer_release(int px, int py, unsigned flags) {
  if (record_ == nullptr) return;
  const bool ctrl = (flags & draw::MOUSE_CTRL) != 0;
  if (resizing_) {
    resizing_ = false;
    desk::DESK_RESIZING = 0;
    apply_size_change(px - resize_cx_, py - resize_cy_, true);
    set_modified();
  }
  if (py >= y_) {
    if (selection_state_ == 1) selection_state_ = 2;
    else if (selection_state_ == 2) selection_state_ = 0;
  }
  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) {
    if (ctrl && strictly_inside(px, py, x_, y_, x_ + pic_w_, y_ + pic_h_)) open_picture();
  } else if (ctrl) {
    open_item_at(px, py);
  }
  // The strip shows only while the case is focused; hidden buttons do not act.
  int button = focused() ? armor_button_at(px, py) : -1;
  if (button >= 0) run_button(button);
}

void CaseWidget::wheel(int delta, int px, int py, unsigned flags) {
  (void)px;
  (void)py;
  if (record_ == nullptr || delta == 0) return;
  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) {
    zoom_step(delta);
    return;
  }
  if (flags & draw::MOUSE_CTRL) {
    int index = record_->text_size % kTextSizes;
    int at = 0;
    while (kSizeOrder[at] != index) ++at;
    int next = delta > 0 ? at + 1 : at - 1;
    if (next < 0 || next >= kTextSizes) return;
    under_desk_lock([&] { record_->text_size = static_cast<uint8_t>(kSizeOrder[next]); });
    thumb_drag_ = false;
    if (desk::DESK_SCROLLDRAG == slot_) desk::DESK_SCROLLDRAG = -1;
    compute_metrics();
    place();
    build_background();
    layout_content(record_, metrics_, impl_);
    build_thumbs();
    under_desk_lock([&] {
      record_->width = w_;
      record_->height = h_;
    });
    write_hit();
    set_modified();
    return;
  }
  // One row per notch.
  int step = delta > 0 ? -1 : 1;
  int first = std::clamp(impl_->first_line + step, 0,
                         std::max(0, impl_->total_rows - 1));
  if (first != impl_->first_line) {
    impl_->first_line = first;
    impl_->thumb_offset = std::clamp(first * impl_->pixels_per_row, 0,
                                     std::max(0, metrics_.track_height - impl_->thumb_height));
    impl_->content_dirty = true;
    draw_content(record_, metrics_, skin_, impl_);
    under_desk_lock([&] {
      record_->first_line = first;
      record_->first_row = first;
      record_->thumb_offset = impl_->thumb_offset;
    });
    set_modified();
  }
}

// The scroll position saved in the record's view state, kept inside the lines and track.
void CaseWidget::restore_view() {
  int lines = static_cast<int>(impl_->lines.size());
  impl_->first_line = std::clamp<int32_t>(record_->first_line, 0, std::max(0, lines - 1));
  impl_->thumb_offset = std::clamp<int32_t>(record_->thumb_offset, 0,
                                            std::max(0, metrics_.track_height - impl_->thumb_height));
  impl_->content_dirty = true;
}

void CaseWidget::key(int code) {
  if (record_ == nullptr) return;
  if (code == kKeyEscape) {
    if (g_case_desk.clear_clipboard != nullptr) g_case_desk.clear_clipboard();
    return;
  }
  if (kind_ != store::kCasePhoto && kind_ != store::kCaseMap) return;  // the editor's
  switch (code) {
    case kKeyCopy: copy_picture(); break;
    case '+': case '=': zoom_step(kWheelNotch); break;
    case '-': case '_': zoom_step(-kWheelNotch); break;
    default: break;  // Ctrl+Y / Ctrl+Z and the rest do nothing here
  }
}

// ---- Pictures under the pointer ----

int CaseWidget::picture_item_under_point(int px, int py) const {
  if (record_ == nullptr || kind_ != store::kCasePost) return -1;
  if (!(content_x_ <= px && px < content_x_ + metrics_.content_width && content_y_ <= py &&
        py < content_y_ + metrics_.content_height)) {
    return -1;
  }
  return picture_slot_at_row(record_, impl_, (py - content_y_) / metrics_.line_height);
}

static int put_picture_file(const std::string& native) {
  struct stat st;
  if (stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kCaseNoPicture;
  if (g_case_desk.put_picture != nullptr) return g_case_desk.put_picture(native.c_str());
  draw::PIMAGE img = draw::newimage();
  int rc = draw::getimage(img, native.c_str());
  if (rc == 0) {
    platform::ClipBitmap bmp;
    bmp.width = draw::imagewidth(img);
    bmp.height = draw::imageheight(img);
    bmp.bits_per_pixel = 32;
    bmp.stride = bmp.width * 4;
    const uint32_t* px = draw::imagebuffer(img);
    bmp.bits.assign(reinterpret_cast<const uint8_t*>(px),
                    reinterpret_cast<const uint8_t*>(px) +
                        static_cast<size_t>(bmp.stride) * bmp.height);
    rc = -1;
    if (platform::clipboard_open() == 0) {
      platform::clipboard_empty();
      rc = platform::clipboard_put_bitmap(bmp);
      platform::clipboard_close();
    }
  }
  draw::dropimage(img);
  return rc == 0 ? 0 : kCaseNoPicture;
}

int CaseWidget::copy_picture() {
  if (picture_item_ < 0) return kCaseNoPicture;
  const store::ContentItem& item = record_->items[picture_item_];
  std::string path = safe_item_path(item.path, sizeof item.path);
  if (path.empty()) return kCaseNoPicture;
  return put_picture_file(platform::native_path(zoomed_copy_name(path, zoom_)));
}

int CaseWidget::copy_picture_under_point(int px, int py) {
  if (record_ == nullptr) return kCaseNoPicture;
  if (kind_ == store::kCasePhoto || kind_ == store::kCaseMap) {
    if (!strictly_inside(px, py, x_ - 1, y_ - 1, x_ + pic_w_, y_ + pic_h_)) return kCaseNoPicture;
    return copy_picture();
  }
  int slot = picture_item_under_point(px, py);
  if (slot < 0) return kCaseNoPicture;
  std::string path = safe_item_path(record_->items[slot].path, sizeof record_->items[slot].path);
  if (path.empty()) return kCaseNoPicture;
  return put_picture_file(platform::native_path(store::store_root() + path));
}

static void open_target(const std::string& target) {
  if (target.empty()) return;
  if (g_case_desk.open_with_shell != nullptr) g_case_desk.open_with_shell(target.c_str());
  else platform::open_with_desktop(target.c_str());
}

void CaseWidget::open_picture() {
  if (picture_item_ < 0) return;
  const store::ContentItem& item = record_->items[picture_item_];
  std::string path = safe_item_path(item.path, sizeof item.path);
  if (!path.empty()) open_target(platform::native_path(store::store_root() + path));
}

void CaseWidget::open_item_at(int px, int py) {
  if (kind_ != store::kCasePost) return;
  if (!(content_x_ <= px && px < content_x_ + metrics_.content_width && content_y_ <= py &&
        py < content_y_ + metrics_.content_height)) {
    return;
  }
  size_t i = static_cast<size_t>(impl_->first_line) +
             static_cast<size_t>((py - content_y_) / metrics_.line_height);
  if (i >= impl_->lines.size()) return;
  const ContentLine& line = impl_->lines[i];
  if (line.kind == kLineText || line.slot < 0) return;
  const store::ContentItem& item = record_->items[line.slot];
  std::string path(item.path, store::field_length(item.path, sizeof item.path));
  if (line.kind == kItemImage) {
    std::string safe = safe_item_path(item.path, sizeof item.path);
    if (!safe.empty()) open_target(platform::native_path(store::store_root() + safe));
  } else if (line.kind == kItemFile) {
    open_target(platform::native_path(path));
  } else {
    open_target(path);
  }
}

}  // namespace wf::cases
