// The skin inventory lookups, skin picture loading and the skin table with its pin marks.
#include "desk/skin_table.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/paths.h"
#include "web/web.h"

namespace wf::desk {
namespace {

const SkinInfo kInventory[] = {
#define WF_SKIN(name, w, h, family) {#name, w, h, #family},
#include "desk/skin_inventory.inc"
};

const char* const kCaseButtonNames[CB_COUNT] = {
    "ARMOR_BLANK", "ARMOR_BLANK_1", "SCROLL_ARROW_UP", "SCROLL_ARROW_DOWN",
    "ARMOR_RESIZE_0", "ARMOR_RESIZE_1", "ARMOR_RESIZE_2", "ARMOR_RESIZE_3",
    "ARMOR_TO_TITLE", "ARMOR_TO_POST",
    "ARMOR_CUT_0", "ARMOR_CUT_1", "ARMOR_CUT_2",
    "ARMOR_COPY_0", "ARMOR_COPY_1", "ARMOR_COPY_2",
    "ARMOR_PASTE_0", "ARMOR_PASTE_1", "ARMOR_PASTE_2",
    "ARMOR_UP_0", "ARMOR_UP_1", "ARMOR_UP_2",
    "ARMOR_LINE_0", "ARMOR_LINE_1", "ARMOR_LINE_2",
    "ARMOR_DOWN_0", "ARMOR_DOWN_1", "ARMOR_DOWN_2",
    "ARMOR_TACI_0", "ARMOR_TACI_1", "ARMOR_TACI_2", "ARMOR_TACI_3",
    "ARMOR_ZOOM_IN_0", "ARMOR_ZOOM_IN_1", "ARMOR_ZOOM_IN_2",
    "ARMOR_ZOOM_OUT_0", "ARMOR_ZOOM_OUT_1", "ARMOR_ZOOM_OUT_2",
    "ARMOR_SIGN_0", "ARMOR_SIGN_1", "ARMOR_SIGN_2",
    "ARMOR_UNSIGN_0", "ARMOR_UNSIGN_1", "ARMOR_UNSIGN_2",
    "ARMOR_LEVEL_UP_0", "ARMOR_LEVEL_UP_1", "ARMOR_LEVEL_UP_2",
    "ARMOR_LEVEL_DOWN_0", "ARMOR_LEVEL_DOWN_1", "ARMOR_LEVEL_DOWN_2",
    "ARMOR_LEVEL_LOCK_0", "ARMOR_LEVEL_LOCK_1", "ARMOR_LEVEL_LOCK_2",
    "ARMOR_REM_CUT", "ARMOR_REM_COPY", "ARMOR_REM_PASTE", "ARMOR_REM_UP",
    "ARMOR_REM_LINE", "ARMOR_REM_DOWN", "ARMOR_REM_TACI", "ARMOR_REM_ZOOM_IN",
    "ARMOR_REM_ZOOM_OUT", "ARMOR_REM_SIGN", "ARMOR_REM_UNSIGN", "ARMOR_REM_LEVEL_UP",
    "ARMOR_REM_LEVEL_DOWN", "ARMOR_REM_LEVEL_LOCK",
};

// Text colours by case colour.
constexpr draw::color_t kLightText = 0xFCFCFC;
constexpr draw::color_t kDarkText = 0x0C0C0C;
constexpr draw::color_t kSelectedOnDark = 0xFCFC54;
constexpr int kDarkCaseColour = 9;

// Names of the built-in pin marks (our own pictures, used when the download is not there).
constexpr char kBuiltInPin[] = "TACI_MARK";
constexpr char kBuiltInEnd[] = "TACI_MARK_END";

SKIN_TABLE g_table;

void drop(draw::PIMAGE* image) {
  draw::dropimage(*image);
  *image = nullptr;
}

draw::color_t title_text_of(int colour) {
  return (colour >= 5 && colour <= 7) ? kDarkText : kLightText;
}

// Blends `picture` into a new side x side mark with key 0: black stays transparent.
draw::PIMAGE make_mark(draw::PIMAGE picture, int side) {
  draw::PIMAGE mark = draw::newimage(side, side);
  draw::putimage_keyblend(mark, picture, 0, 0, 0, kPinBlendAlpha);
  return mark;
}

// The mark from the downloaded picture when it can be had, else from the built-in one.
// Returns the mark; *downloaded tells which source it came from.
draw::PIMAGE pin_mark(SkinDownload download, const char* server_path, const char* file,
                      const char* built_in, int side, bool* downloaded) {
  *downloaded = false;
  draw::PIMAGE picture = draw::newimage();
  if (download != nullptr) {
    std::string url = web::file_server_url(server_path);
    int fetched = download(file, url.c_str());
    if ((fetched == 0 || fetched == 1) &&
        draw::getimage_png(picture, platform::native_path(file).c_str()) == draw::PICTURE_OK)
      *downloaded = true;
  }
  if (!*downloaded) load_skin_image(picture, built_in);
  draw::PIMAGE mark = make_mark(picture, side);
  draw::dropimage(picture);
  return mark;
}

}  // namespace

const SkinInfo* skin_inventory(size_t* count) {
  if (count) *count = sizeof kInventory / sizeof kInventory[0];
  return kInventory;
}

const SkinInfo* find_skin(const char* name) {
  if (name == nullptr) return nullptr;
  for (const SkinInfo& info : kInventory)
    if (std::strcmp(info.name, name) == 0) return &info;
  return nullptr;
}

int load_skin_image(draw::PIMAGE image, const char* name) {
  if (image == nullptr || name == nullptr) return draw::PICTURE_NOFILE;
  return draw::getimage(image, kSkinType, name);
}

draw::PIMAGE new_skin_image(const char* name) {
  draw::PIMAGE image = draw::newimage();
  load_skin_image(image, name);
  return image;
}

const char* case_button_name(int button) {
  return (button >= 0 && button < CB_COUNT) ? kCaseButtonNames[button] : nullptr;
}

SKIN_TABLE& skin_table() { return g_table; }

int build_skin_table(SKIN_TABLE* t, SkinDownload download) {
  if (t->built) destroy_skin_table(t);
  t->min_case_width = kMinCaseWidth;
  t->case_width_ref = kCaseWidthRef;
  t->title_bar_height = kTitleBarHeight;
  for (int i = 0; i < kFontSizes; ++i) t->line_gap[i] = kLineGap[i];
  char name[16];
  for (int c = 0; c < kCaseColours; ++c) {
    t->title_text[c] = title_text_of(c);
    t->body_text[c] = c == kDarkCaseColour ? kLightText : kDarkText;
    t->selected_text[c] = c == kDarkCaseColour ? kSelectedOnDark : kLightText;
    std::snprintf(name, sizeof name, "PULL_%d", c);
    t->pull[c] = new_skin_image(name);
    std::snprintf(name, sizeof name, "NOTEPAD_%d", 10 + c);
    t->title_bar[c] = new_skin_image(name);
  }
  for (int b = 0; b < CB_COUNT; ++b) t->buttons[b] = new_skin_image(kCaseButtonNames[b]);
  t->map_point = new_skin_image("MAP_POINT");
  t->map_unsign = new_skin_image("MAP_UNSIGN");

  bool pin_downloaded = false, end_downloaded = false;
  t->pin_mark = pin_mark(download, web::kPinPicturePath, web::kPinPictureFile, kBuiltInPin, kPinMarkSide, &pin_downloaded);
  t->end_mark = pin_mark(download, web::kPinPicture2Path, web::kPinPicture2File, kBuiltInEnd, kEndMarkSide, &end_downloaded);
  t->pin_source = (pin_downloaded ? kPinDownloaded : 0) | (end_downloaded ? kEndDownloaded : 0);
  t->built = true;
  return 0;
}

void destroy_skin_table(SKIN_TABLE* t) {
  for (int c = 0; c < kCaseColours; ++c) {
    drop(&t->pull[c]);
    drop(&t->title_bar[c]);
  }
  for (draw::PIMAGE& b : t->buttons) drop(&b);
  drop(&t->map_point);
  drop(&t->map_unsign);
  drop(&t->pin_mark);
  drop(&t->end_mark);
  t->pin_source = 0;
  t->built = false;
}

}  // namespace wf::desk
