// The skin pictures and the skin table.
//
// Every button, bar, menu row, tooltip and frame of the interface is a picture embedded in
// the program as an "IMGS" resource (drawn at build time by tools/skingen from the list in
// desk/skin_inventory.inc). A part that shows a picture loads it by name with
// load_skin_image(). The values the case widgets share (text colours per case colour, the
// case size constants, the per-colour pictures, the case buttons, the pin marks) are gathered
// once, at desk construction, into the one skin table.
//
// Everything here runs on the drawing thread (the thread that called initgraph).
#pragma once
#include <cstddef>
#include <cstdint>

#include "draw/graphics.h"

namespace wf::desk {

inline constexpr char kSkinType[] = "IMGS";

// ---- The inventory: every skin picture with its size and family ----

struct SkinInfo {
  const char* name;
  int width;
  int height;
  const char* family;  // "TOOLS", "TOP", "RMENU", "RENBOX", "WALLPAPER", "CASE", "PIN", ...
};

// The whole list, in inventory order.
const SkinInfo* skin_inventory(size_t* count);
// The entry of that name (exact, upper case), or nullptr.
const SkinInfo* find_skin(const char* name);

// ---- Loading ----

// Loads the embedded picture `name` into `image`: 0, or the drawing layer's nonzero picture
// code when it is missing or does not decode; the image is then left exactly as it was (a
// freshly created 1 x 1 image stays black, which keyed copies treat as transparent).
int load_skin_image(draw::PIMAGE image, const char* name);
// A new image holding the picture (1 x 1 black when it is missing). Never nullptr.
draw::PIMAGE new_skin_image(const char* name);

// ---- The skin table ----

inline constexpr int kCaseColours = 10;
inline constexpr int kFontSizes = 5;
inline constexpr int kMinCaseWidth = 232;
inline constexpr int kCaseWidthRef = 222;
inline constexpr int kTitleBarHeight = 30;
inline constexpr int kLineGap[kFontSizes] = {6, 2, 4, 8, 10};
inline constexpr int kPinMarkSide = 32;     // drawn on pinned cases
inline constexpr int kEndMarkSide = 24;     // drawn at the end of an association
inline constexpr unsigned kPinBlendAlpha = 239;

// The case buttons of the table, in this order; case_button_name() gives each one's picture.
enum CaseButton {
  CB_ARMOR_BLANK, CB_ARMOR_BLANK_1, CB_SCROLL_ARROW_UP, CB_SCROLL_ARROW_DOWN,
  CB_ARMOR_RESIZE_0, CB_ARMOR_RESIZE_1, CB_ARMOR_RESIZE_2, CB_ARMOR_RESIZE_3,
  CB_ARMOR_TO_TITLE, CB_ARMOR_TO_POST,
  CB_ARMOR_CUT_0, CB_ARMOR_CUT_1, CB_ARMOR_CUT_2,
  CB_ARMOR_COPY_0, CB_ARMOR_COPY_1, CB_ARMOR_COPY_2,
  CB_ARMOR_PASTE_0, CB_ARMOR_PASTE_1, CB_ARMOR_PASTE_2,
  CB_ARMOR_UP_0, CB_ARMOR_UP_1, CB_ARMOR_UP_2,
  CB_ARMOR_LINE_0, CB_ARMOR_LINE_1, CB_ARMOR_LINE_2,
  CB_ARMOR_DOWN_0, CB_ARMOR_DOWN_1, CB_ARMOR_DOWN_2,
  CB_ARMOR_TACI_0, CB_ARMOR_TACI_1, CB_ARMOR_TACI_2, CB_ARMOR_TACI_3,
  CB_ARMOR_ZOOM_IN_0, CB_ARMOR_ZOOM_IN_1, CB_ARMOR_ZOOM_IN_2,
  CB_ARMOR_ZOOM_OUT_0, CB_ARMOR_ZOOM_OUT_1, CB_ARMOR_ZOOM_OUT_2,
  CB_ARMOR_SIGN_0, CB_ARMOR_SIGN_1, CB_ARMOR_SIGN_2,
  CB_ARMOR_UNSIGN_0, CB_ARMOR_UNSIGN_1, CB_ARMOR_UNSIGN_2,
  CB_ARMOR_LEVEL_UP_0, CB_ARMOR_LEVEL_UP_1, CB_ARMOR_LEVEL_UP_2,
  CB_ARMOR_LEVEL_DOWN_0, CB_ARMOR_LEVEL_DOWN_1, CB_ARMOR_LEVEL_DOWN_2,
  CB_ARMOR_LEVEL_LOCK_0, CB_ARMOR_LEVEL_LOCK_1, CB_ARMOR_LEVEL_LOCK_2,
  CB_ARMOR_REM_CUT, CB_ARMOR_REM_COPY, CB_ARMOR_REM_PASTE, CB_ARMOR_REM_UP,
  CB_ARMOR_REM_LINE, CB_ARMOR_REM_DOWN, CB_ARMOR_REM_TACI, CB_ARMOR_REM_ZOOM_IN,
  CB_ARMOR_REM_ZOOM_OUT, CB_ARMOR_REM_SIGN, CB_ARMOR_REM_UNSIGN, CB_ARMOR_REM_LEVEL_UP,
  CB_ARMOR_REM_LEVEL_DOWN, CB_ARMOR_REM_LEVEL_LOCK,
  CB_COUNT
};
const char* case_button_name(int button);  // nullptr outside 0..CB_COUNT-1

struct SKIN_TABLE {
  int min_case_width = kMinCaseWidth;
  int case_width_ref = kCaseWidthRef;
  int title_bar_height = kTitleBarHeight;
  int line_gap[kFontSizes] = {};
  draw::color_t title_text[kCaseColours] = {};
  draw::color_t body_text[kCaseColours] = {};
  draw::color_t selected_text[kCaseColours] = {};
  draw::PIMAGE pull[kCaseColours] = {};       // PULL_n, 10 x 10 resize grips
  draw::PIMAGE title_bar[kCaseColours] = {};  // NOTEPAD_1n, 232 x 30
  draw::PIMAGE buttons[CB_COUNT] = {};        // by CaseButton
  draw::PIMAGE map_point = nullptr;           // MAP_POINT
  draw::PIMAGE map_unsign = nullptr;          // MAP_UNSIGN
  draw::PIMAGE pin_mark = nullptr;            // 32 x 32, keyed (black is transparent)
  draw::PIMAGE end_mark = nullptr;            // 24 x 24, keyed
  int pin_source = 0;                         // kPinDownloaded or kPinBuiltIn, per mark bit
  bool built = false;
};

// The one table of the program (filled by build_skin_table, emptied by destroy_skin_table).
SKIN_TABLE& skin_table();

// The file download used for the pin pictures: (stored target path, URL) -> 0 fetched,
// 1 already there, negative failed. web::download_file has this shape.
using SkinDownload = int (*)(const char* target, const char* url);

// The pin pictures' server paths, local file names and the file server are the web
// utilities' (web/web.h: kPinPicturePath, kPinPictureFile, file_server_url).

// Bits of SKIN_TABLE::pin_source: set when the mark came from the downloaded picture.
inline constexpr int kPinDownloaded = 1;
inline constexpr int kEndDownloaded = 2;

// Fills the table: the constants, the text colours, loads every picture, then makes the two
// pin marks. With a download function the pin pictures are fetched first (a PNG despite
// the name) and blended in; when there is none, the download fails or the file does not
// decode, the built-in marks (TACI_MARK, TACI_MARK_END) are blended in instead, so a pinned
// case always shows its pin. Rebuilding first drops the previous pictures. Returns 0.
int build_skin_table(SKIN_TABLE* table, SkinDownload download = nullptr);
// Drops every picture of the table and marks it unbuilt.
void destroy_skin_table(SKIN_TABLE* table);

}  // namespace wf::desk
