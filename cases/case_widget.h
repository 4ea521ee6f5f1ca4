// The case widget: the on-screen object of one case of the shown whiteboard.
//
// One CaseWidget per occupied case slot presents and edits its case in one of four kinds
// (post, title, photo, map). It works directly on the case's CaseRecord in the in-memory
// store, keeps the desk's case hit table entry of its slot up to date, shows the armor strip
// (a row of 28-pixel command buttons) while its case is focused, moves, resizes, scrolls,
// zooms its picture and converts its case between kinds. Every change to the record sets
// the modified flag; the one-second ticker saves flagged records.
//
// Positions are screen pixels of the drawing window: widget position = record position +
// the board origin. Out-of-range record values (skin above 9, kind above 3, zoom outside
// 10..250, sizes below 232, a picture item beyond the item table, counts above their
// tables) are shown safely: the widget works on checked copies and never reads past a
// table; the record keeps its bytes until the widget itself changes that field.
//
// The desk side of the conversation: the shared desk values of desk/desk_state.h (dragged
// case, resize flag, association and sign modes, open dialog and rename box) are read and
// written directly; which case is front-most, the focus marker, the case clipboard, bring to
// front and the map level commands run through CaseDesk, whose calls the desk installs.
//
// All operations run on the main (frame-loop) thread. Writes to the record and to the
// modified flag take the desk data lock (shell/globals.h) around the change only.
#pragma once
#include <cstdint>

#include "draw/graphics.h"
#include "store/datastore.h"
#include "store/records.h"

namespace wf::cases {

// ---- Constants of the widget ----

constexpr int kMinCaseSize = 232;      // posts: width and height are raised to this
constexpr int kTitleWidth = 232;       // a title case is always 232 x 30
constexpr int kTitleBarHeight = 30;
constexpr int kArmorButton = 28;       // armor buttons are 28 x 28
constexpr int kArmorStripLift = 29;    // post/title strip sits at y - 29
constexpr int kArmorSlots = 20;        // button state and latched flag tables
constexpr int kPostButtons = 8;
constexpr int kPhotoButtons = 7;
constexpr int kMapButtons = 9;
constexpr int kPhotoFrameBorder = 7;   // the frame around a photo's picture
constexpr int kCaptionHeight = 32;
constexpr int kZoomMin = 10;
constexpr int kZoomMax = 250;
constexpr int kZoomStep = 5;
constexpr int kZoomDefault = 100;
constexpr int kSkinCount = 10;
constexpr int kTextSizes = 5;
constexpr int kWheelNotch = 120;

// Alpha values of the drawing.
constexpr unsigned kAlphaOpaque = 255;
constexpr unsigned kAlphaDragged = 127;
constexpr unsigned kAlphaClipboard = 79;
constexpr unsigned kAlphaShadow = 127;
constexpr unsigned kAlphaStripIdle = 127;
constexpr unsigned kAlphaStripHover = 239;
constexpr unsigned kAlphaCaption = 143;

// Colours that do not depend on the skin.
constexpr draw::color_t kOutlineColor = 0x9CA2AE;
constexpr draw::color_t kFocusColor = 0x007ACC;
constexpr draw::color_t kFocusColorTheme2 = 0xC95000;
constexpr draw::color_t kTrackColor = 0xE6E6E6;
constexpr draw::color_t kThumbColor = 0xC3C3C3;
constexpr draw::color_t kThumbHoverColor = 0xA6A6A6;
constexpr draw::color_t kThumbPressColor = 0x606060;
constexpr draw::color_t kShadowDark = 0x151515;
constexpr draw::color_t kShadowLight = 0x2A2A2A;
constexpr draw::color_t kPhotoFrameGrey = 0x6E6E6E;
constexpr draw::color_t kPhotoFrameWhite = 0xFFFFFF;
constexpr draw::color_t kCaptionTextColor = 0xFCFCFC;
constexpr draw::color_t kMapCaptionTextColor = 0xFCFC54;

// The colour scheme of one skin value.
struct CaseColors {
  draw::color_t body;
  draw::color_t bar;
  draw::color_t title_text;
  draw::color_t body_text;
  draw::color_t selected_text;
};
// The scheme of a skin value; values above 9 give the scheme of skin 0.
const CaseColors& case_colors(int skin);

// Font height and line gap of a text size index (taken modulo 5).
int font_height_of(int text_size);
int line_gap_of(int text_size);

// Hit table entry: nine integers per slot, owned by the desk, written by the widget.
constexpr int kHitInts = 9;
constexpr int kHitSlot = 0;
constexpr int kHitLeft = 1;
constexpr int kHitTop = 2;
constexpr int kHitRight = 3;
constexpr int kHitBottom = 4;
constexpr int kHitStripLeft = 5;    // the last four only for photos and maps
constexpr int kHitStripTop = 6;
constexpr int kHitStripRight = 7;
constexpr int kHitStripBottom = 8;

// Latched flags (and button indexes where they coincide).
constexpr int kLatchKind = 0;        // the kind is title
constexpr int kLatchUp = 4;          // association modes started here
constexpr int kLatchLateral = 5;
constexpr int kLatchDown = 6;
constexpr int kLatchPin = 7;         // the case is pinned
constexpr int kLatchAddSign = 10;    // map sign modes
constexpr int kLatchRemoveSign = 11;

// Button states.
constexpr int kButtonNormal = 0;
constexpr int kButtonHovered = 1;
constexpr int kButtonLatched = 2;
constexpr int kButtonAlternate = 3;  // title kind switch / pinned pin, hovered

// Association and sign modes (the desk's link and sign values).
constexpr int kModeNone = -1;
constexpr int kModeUp = 4;
constexpr int kModeLateral = 5;
constexpr int kModeDown = 6;
constexpr int kModeAddSign = 10;
constexpr int kModeRemoveSign = 11;

// Map level commands the widget asks the desk for.
constexpr int kLevelSendToBottom = 0;
constexpr int kLevelSendToBottomLock = 1;
constexpr int kLevelRelease = 2;

// Phase value of the pointer drag call that ends a drag (button up).
constexpr int kDragEnd = 3;

// Key codes a photo or map answers.
constexpr int kKeyCopy = 3;     // Ctrl+C
constexpr int kKeyRedo = 25;    // Ctrl+Y
constexpr int kKeyUndo = 26;    // Ctrl+Z
constexpr int kKeyEscape = 27;

// Results.
constexpr int kCaseOk = 0;
constexpr int kCaseNoRecord = -1;   // no CaseRecord at the position
constexpr int kCaseBadSlot = -2;    // slot outside 0..999
constexpr int kCaseNoPicture = -3;  // no picture item / no picture under the point
constexpr int kCaseWrongKind = -4;  // the operation does not apply to this kind

class CaseWidget;

// What an armor button does; the strips of the kinds hold them in their own order.
enum ArmorFunction {
  ARMOR_NONE = -1,
  ARMOR_KIND,        // post <-> title
  ARMOR_CUT,
  ARMOR_COPY,
  ARMOR_PASTE,
  ARMOR_UP,          // association modes
  ARMOR_LATERAL,
  ARMOR_DOWN,
  ARMOR_PIN,
  ARMOR_ZOOM_IN,     // while held
  ARMOR_ZOOM_OUT,
  ARMOR_SIGN,        // map sign modes
  ARMOR_UNSIGN,
  ARMOR_LEVEL_DOWN,  // map level commands
  ARMOR_LEVEL_LOCK,
  ARMOR_LEVEL_UP,
};
// The function of button i of a kind's strip (ARMOR_NONE beyond the strip).
const ArmorFunction& armor_function(int kind, int button);
int armor_button_count(int kind);
// The latched flag a function mirrors, or -1.
int armor_latch(ArmorFunction f);

// What the widgets need from the desk beyond the shared desk values of desk/desk_state.h
// (DESK_DIALOG, DESK_RENAME, DESK_LINK, DESK_SIGN, DESK_DRAGCASE, DESK_RESIZING,
// DESK_SCROLLDRAG, which the widgets read and write directly): one instance
// (g_case_desk) whose calls the desk installs at construction. Unset calls answer "no" or
// do nothing, so a widget also works alone (tests install their own).
struct CaseDesk {
  // Queries.
  int (*front_slot)() = nullptr;            // the front-most slot, -1 none
  int (*focus)() = nullptr;                 // the whiteboard's focus marker: -1 or 100
  bool (*in_clipboard)(int slot) = nullptr; // the case is marked for cut
  int (*color_theme)() = nullptr;           // window colour theme of the top bar (2: orange)
  // Calls into the desk.
  void (*bring_to_front)(int slot) = nullptr;
  void (*level_command)(int slot, int command) = nullptr;  // kLevel...
  void (*clear_clipboard)() = nullptr;
  // Puts a picture file (native path) on the system clipboard as a bitmap; 0 or negative
  // (unset: the widget puts it on the platform clipboard itself).
  int (*put_picture)(const char* native_path) = nullptr;
  // Opens a file (native path) or a link with the desktop's opener (unset: the platform's).
  void (*open_with_shell)(const char* target) = nullptr;
  // The pin mark drawn on pinned cases and the end mark of association lines (the skin
  // table's two pin pictures); unset: the built-in TACI_MARK and TACI_MARK_END pictures.
  draw::PIMAGE (*pin_mark)() = nullptr;
  draw::PIMAGE (*end_mark)() = nullptr;
  // The widget of a slot of the shown whiteboard (association lines), nullptr when none.
  CaseWidget* (*widget_at)(int slot) = nullptr;

  // Association mode started from an armor strip: the case that started it (the mode
  // itself is DESK_LINK); the map of a sign mode (the mode is DESK_SIGN).
  store::Position link_source;
  int32_t sign_slot = -1;
  // The last pointer position seen by the widgets (rubber band, sign cursor, resize frame).
  int32_t pointer_x = 0;
  int32_t pointer_y = 0;
};
inline CaseDesk g_case_desk;

// Text metrics of a post or title.
struct CaseMetrics {
  int font_height = 14;
  int line_gap = 6;
  int char_width = 7;       // width of "a"
  int line_height = 20;     // height of "a" + the line gap
  int content_width = 0;    // w - 28
  int content_height = 0;   // h - 50
  int track_height = 0;     // h - 53
  int columns = 0;          // content width / character width
  int rows = 0;             // content height / line height
};

class CaseWidget {
 public:
  CaseWidget();
  ~CaseWidget();
  CaseWidget(const CaseWidget&) = delete;
  CaseWidget& operator=(const CaseWidget&) = delete;

  // Builds the widget for the CaseRecord at pos (looked up in the in-memory store), shown at
  // record position + (origin_x, origin_y). hit_entry: the desk's nine-integer hit table
  // entry of this slot (nullptr: the widget keeps its own). Returns kCaseOk, kCaseNoRecord or
  // kCaseBadSlot (nothing is built then).
  int create(store::Position pos, int slot, int origin_x, int origin_y,
             int32_t* hit_entry = nullptr);
  // The same on a record the caller holds (it must outlive the widget).
  int create_on(store::CaseRecord* record, store::Position pos, int slot, int origin_x,
                int origin_y, int32_t* hit_entry = nullptr);
  // Frees every image and buffer; the widget can be created again.
  void destroy();
  bool live() const { return record_ != nullptr; }

  // ---- Per-frame input (see the desk's update and mouse steps) ----

  // Front-most case only: pointer position and whether the left button is held.
  void hover_update(bool button_down, int px, int py);
  // Every case, for every pointer move with a button held, and once with phase kDragEnd
  // when the button goes up. Returns 1 when this case consumed the move.
  int pointer_drag(const draw::MOUSEREC& m, int dx, int dy, int phase);
  // Front-most case, when the button goes up (after kDragEnd for every case). flags: the
  // MOUSEREC flags of the release (MOUSE_CTRL matters).
  void pointer_release(int px, int py, unsigned flags = 0);
  // Posts and titles: scroll, or with MOUSE_CTRL in flags the font size; photos and maps:
  // zoom.
  void wheel(int delta, int px, int py, unsigned flags = 0);
  // A key code from nextkey (posts and titles: the editor; photos and maps: copy, Escape,
  // + = - _ zoom).
  void key(int code);

  // ---- Drawing ----

  // Draws the case (and its associations) onto target (nullptr: the current target).
  void draw(draw::PIMAGE target, bool raised);

  // ---- Changes ----

  // Moves the case and every position derived from it; rewrites the hit table entry.
  void move_by(int dx, int dy);
  void to_post();
  void to_title();
  // A post becomes a photo of the picture line under (px, py); a map becomes a photo of its
  // own picture. kCaseOk, kCaseNoPicture, kCaseWrongKind.
  int to_photo(int px, int py);
  // A post (the picture line under the point) or photo becomes a map of that picture.
  int to_map(int px, int py);
  // Photos: the same conversions with the picture item given directly.
  int to_photo_item(int item);
  int to_map_item(int item);
  // Photos: the frame colour flips between grey and white, the zoom stays.
  void change_frame();
  // Photos and maps: zoom percent +-5 (delta > 0 / < 0) within 10..250.
  void zoom_step(int delta);
  // Applies a skin value (the skin dialog); rebuilds the images.
  void recolour(int skin);
  // Posts: the item index of the picture line under the point, or -1.
  int picture_item_under_point(int px, int py) const;
  // Puts the picture under the point on the clipboard; 0 or kCaseNoPicture.
  int copy_picture_under_point(int px, int py);

  // The desk's bring to front clears the was-front-most flag of the old and new front case.
  // The plain rectangle is written to the hit table again.
  void clear_was_front();
  // A drag moved the case since its position was last written (bring to front writes it).
  bool position_pending() const { return position_pending_; }
  void clear_position_pending() { position_pending_ = false; }
  // Writes widget position - origin into the record (the autosave step and bring to front
  // call it under the desk data lock). Returns whether the record changed.
  bool store_position(int origin_x, int origin_y);
  // Ends an association mode started here (clears the latched flag and the desk's mode).
  void end_association_mode();
  // Ends a map sign mode started here.
  void end_sign_mode();
  // ---- Map signs ----
  // Adds a sign at the screen point (a map with fewer than 60 signs): 0, or -1 refused.
  int add_sign(int px, int py);
  // The first sign whose box (x - 5 <= px < x + 5, likewise y) holds the point given
  // relative to the map's top-left corner; its index, or -1. sign_x, sign_y: its place.
  int sign_under_point(int rx, int ry, int* sign_x = nullptr, int* sign_y = nullptr) const;
  // Removes the sign under the screen point; later signs move up one place. 0, or -1 when
  // no sign is there. sign_x, sign_y: the removed sign's place (to drop the associations
  // that end on it).
  int remove_sign(int px, int py, int* sign_x = nullptr, int* sign_y = nullptr);

  // Finds the widgets the association lists point at (through CaseDesk::widget_at). The
  // desk calls it once all widgets of a whiteboard exist; drawing also resolves again by
  // itself when a list changed or a target slot now holds another case.
  void resolve();

  // ---- Modified flag and layout request ----

  // Set under the desk data lock; read by the autosave step under the same lock.
  void set_modified();
  int32_t modified() const { return modified_; }
  void clear_modified();
  void request_layout() { layout_request_ = 1; }

  // ---- What the desk reads ----

  int slot() const { return slot_; }
  store::Position position() const { return pos_; }
  store::CaseRecord* record() const { return record_; }
  int kind() const { return kind_; }          // checked kind (kCasePost ... kCaseMap)
  int skin() const { return skin_; }          // checked skin 0..9
  int x() const { return x_; }
  int y() const { return y_; }
  int width() const { return w_; }            // posts and titles: w (>= 232)
  int height() const { return h_; }
  int picture_width() const { return pic_w_; }   // photos and maps: framed / plain picture
  int picture_height() const { return pic_h_; }
  int shown_width() const;                    // what the case covers on screen
  int shown_height() const;
  int anchor_x() const { return anchor_x_; }
  int anchor_y() const { return anchor_y_; }
  int zoom() const { return zoom_; }          // checked zoom percent
  int picture_item() const { return picture_item_; }  // -1: none
  bool pinned() const;
  bool front_most() const;
  bool focused() const;
  bool dragging() const { return dragging_; }
  bool resizing() const { return resizing_; }
  bool has_selection() const { return selection_state_ == 2; }
  uint64_t date_key() const { return date_key_; }
  const CaseMetrics& metrics() const { return metrics_; }
  const int32_t* hit_entry() const { return hit_; }
  int hovered_button() const { return hovered_; }
  int button_state(int i) const { return (i >= 0 && i < kArmorSlots) ? button_state_[i] : 0; }
  bool latched(int i) const { return i >= 0 && i < kArmorSlots && latched_[i] != 0; }
  int armor_left() const { return strip_x_; }
  int armor_top() const { return strip_y_; }

 public:
  struct Impl;

 private:
  void compute_metrics();
  void restore_view();
  void place();
  void write_hit();
  void build_background();
  void build_thumbs();
  void build_shadows(int W, int H);
  void build_picture(int item, int target_kind);
  void set_kind(int kind);
  void become_text_kind(int kind);
  void apply_size_change(int dw, int dh, bool store_size);
  void refresh_button_states();
  int hover_state(int button) const;
  int armor_button_at(int px, int py) const;
  void start_association_mode(int mode);
  void toggle_pin();
  void run_button(int button);
  void start_drag();
  bool may_start_drag() const;
  int copy_picture();
  void open_picture();
  void open_item_at(int px, int py);
  bool in_clipboard() const;
  unsigned case_alpha() const;
  void draw_armor(draw::PIMAGE target);
  void draw_tooltip(draw::PIMAGE target);
  void draw_title_text(draw::PIMAGE target);
  void draw_pin(draw::PIMAGE target, unsigned alpha);
  void draw_rubber_band(draw::PIMAGE target);
  void draw_shadows(draw::PIMAGE target, int W, int H);
  void draw_focus_frame(draw::PIMAGE target, int right, int bottom);
  void draw_post(draw::PIMAGE target);
  void compose_post();
  void draw_title(draw::PIMAGE target, bool raised);
  void draw_picture_case(draw::PIMAGE target);
  void draw_associations(draw::PIMAGE target);

  // Identity.
  store::Position pos_;
  int slot_ = -1;
  store::CaseRecord* record_ = nullptr;
  uint64_t date_key_ = 0;
  int origin_x_ = 0;
  int origin_y_ = 0;
  // Checked copies of record fields.
  int kind_ = 0;
  int skin_ = 0;
  int zoom_ = kZoomDefault;
  int picture_item_ = -1;
  // Geometry.
  int x_ = 0, y_ = 0, w_ = kMinCaseSize, h_ = kMinCaseSize;
  int pic_w_ = 1, pic_h_ = 1;
  int content_x_ = 0, content_y_ = 0;
  int strip_x_ = 0, strip_y_ = 0;          // armor strip origin
  int strip_dx_ = 0, strip_dy_ = 0;        // photo / map strip offset from (x, y)
  int strip_hit_w_ = 0, strip_hit_h_ = 0;  // photo / map strip hit rectangle
  int button_x_[kArmorSlots] = {};
  int scroll_x_ = 0, scroll_y_ = 0;
  int corner_x_ = 0, corner_y_ = 0;
  int anchor_x_ = 0, anchor_y_ = 0;
  CaseMetrics metrics_;
  // Armor.
  int hovered_ = -1;
  int button_state_[kArmorSlots] = {};
  uint8_t latched_[kArmorSlots] = {};
  // Pointer.
  bool dragging_ = false;
  bool resizing_ = false;
  int resize_px_ = 0, resize_py_ = 0;      // pointer during a resize
  int resize_cx_ = 0, resize_cy_ = 0;      // the corner at its start
  bool thumb_hover_ = false;
  bool thumb_drag_ = false;
  int selection_state_ = 0;                // 0 none, 1 being made, 2 made
  bool was_front_ = false;
  bool position_pending_ = false;
  bool zoom_held_ = false;
  int front_lift_ = 28;                    // how far up a front-most post's hit reaches
  // Flags.
  int32_t modified_ = 0;
  uint8_t layout_request_ = 0;
  // Hit table entry (the desk's, or own_hit_).
  int32_t own_hit_[kHitInts] = {};
  int32_t* hit_ = own_hit_;
  // Images and content (see case_widget.cpp).
  Impl* impl_ = nullptr;

  friend struct CaseWidgetAccess;
};

// The date key of a stamp: YYYYMMDDhhmmss as one decimal number.
uint64_t date_key_of(const store::Stamp& stamp);

}  // namespace wf::cases
