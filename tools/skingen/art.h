// Drawing helpers of the skin art generator: the palette, rounded shapes, labels in the
// program's CJK face, and the vector icons the buttons share. Everything draws with cairo
// into an ARGB surface; skingen.cpp turns the result into the stored 24-bit picture.
#pragma once
#include <cairo.h>

#include <cstdint>
#include <string>

namespace skingen {

// ---- Palette: one dark flat look around the desk's top bar colour ----
inline constexpr uint32_t kBar = 0x161418;       // top bar, status strip, notice strip
inline constexpr uint32_t kPanel = 0x221F27;     // menus, dialog bodies
inline constexpr uint32_t kHeader = 0x1B1920;    // dialog header band
inline constexpr uint32_t kRaised = 0x2C2932;    // armor strip, tooltips
inline constexpr uint32_t kLine = 0x3B3743;      // borders and separators
inline constexpr uint32_t kHover = 0x36323E;     // hovered button fill
inline constexpr uint32_t kText = 0xF3F2F5;
inline constexpr uint32_t kTextDim = 0xB4B0BA;
inline constexpr uint32_t kTextOff = 0x5E5A66;   // disabled
inline constexpr uint32_t kAccent = 0x2F8CF5;
inline constexpr uint32_t kAccentHi = 0x52A2FF;
inline constexpr uint32_t kAccentLo = 0x1C63B8;
inline constexpr uint32_t kRed = 0xE5484D;
inline constexpr uint32_t kRedLo = 0xA8262C;
inline constexpr uint32_t kYellow = 0xFCFC54;
inline constexpr uint32_t kGreen = 0x2DBE60;
inline constexpr uint32_t kField = 0xF6F6F8;     // light entry fields (text drawn in black)
inline constexpr uint32_t kFieldLine = 0xC9C6CF;
inline constexpr uint32_t kSignin = 0x17161F;    // sign-in panel body
inline constexpr uint32_t kSigninField = 0x24222E;

// Case colours 0..9: body and title bar.
inline constexpr uint32_t kCaseBody[10] = {0xFEFEDE, 0xC9F9C4, 0xD1EEF5, 0xE1E1E1, 0xFFDFE4,
                                           0xDDD8FE, 0xD7F2FA, 0xFDFDCA, 0xF3DFA2, 0x333333};
inline constexpr uint32_t kCaseTitle[10] = {0x9E8821, 0x2E4E2C, 0x5078AF, 0x595959, 0x880015,
                                            0xD4CDF3, 0xC9ECF8, 0xF8F7B6, 0x3C3C79, 0x0C0C02};
// Background themes 0..4.
inline constexpr uint32_t kTheme[5] = {0xC7D1D2, 0xB8B0A5, 0x7F7F7F, 0x1E1E1E, 0x7092BE};

void set_rgb(cairo_t* cr, uint32_t rgb, double alpha = 1.0);
uint32_t mix(uint32_t a, uint32_t b, double t);  // a + (b - a) * t per channel
void rounded_rect(cairo_t* cr, double x, double y, double w, double h, double r);
void fill_rounded(cairo_t* cr, double x, double y, double w, double h, double r, uint32_t rgb,
                  double alpha = 1.0);
void stroke_rounded(cairo_t* cr, double x, double y, double w, double h, double r,
                    uint32_t rgb, double width = 1.0);
void fill_rect(cairo_t* cr, double x, double y, double w, double h, uint32_t rgb);

// Labels. `size` is the pixel size; returns the advance width. Text is UTF-8.
double text_width(cairo_t* cr, const char* utf8, double size, bool bold = false);
double draw_text(cairo_t* cr, const char* utf8, double x, double baseline, double size,
                 uint32_t rgb, bool bold = false);
// Centred in the box (x, y, w, h), vertically by the face's cap height.
void draw_text_centered(cairo_t* cr, const char* utf8, double x, double y, double w, double h,
                        double size, uint32_t rgb, bool bold = false);
// Left-aligned, vertically centred in the band (y, h).
void draw_text_left(cairo_t* cr, const char* utf8, double x, double y, double h, double size,
                    uint32_t rgb, bool bold = false);
// Warnings (label does not fit) are counted here and printed by the generator.
extern int g_warnings;
void check_fit(const char* what, double needed, double room);

// ---- Icons: drawn in a 24-unit grid centred at (cx, cy), `size` pixels across ----
enum class Icon {
  None, NotePlus, Capture, Undo, Redo, Sync, Resize, Origin, Lock, User, Minimise, Maximise,
  Restore, Close, Scissors, Copy, Paste, ArrowUp, ArrowDown, ArrowSide, Pin, PinFilled,
  ZoomIn, ZoomOut, SignAdd, SignRemove, LevelUp, LevelDown, LevelLock, Collapse, Expand,
  Gear, Update, Book, Chat, Info, Check, Plus, ChevronDown, ChevronUp, List, Trash, Frame,
  Palette, Picture, Map, Title, Post, Key, Window, Cut, Delete, Rename, Compact, Normal,
};
void draw_icon(cairo_t* cr, Icon icon, double cx, double cy, double size, uint32_t rgb);

// The program's mark: a tilted sticky note with a fold, `size` pixels square at (x, y).
void draw_mark(cairo_t* cr, double x, double y, double size);

}  // namespace skingen
