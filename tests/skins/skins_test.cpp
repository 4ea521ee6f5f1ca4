// Tests of the skin set and the skin table: every listed picture is embedded at its size,
// every skin name the code spells out is in the list, keyed copies leave exactly the black
// pixels transparent, black appears only in keyed pictures, a missing picture leaves the
// image untouched, and the skin table's colours and pin marks (downloaded or built in).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "desk/skin_table.h"
#include "draw/graphics.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "web/web.h"
#include "platform/picture_codec.h"

namespace fs = std::filesystem;
using namespace wf;
using namespace wf::desk;

namespace {

class Skins : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::use_virtual_clock(true);
    draw::usebackend(draw::BACKEND_HEADLESS);
    draw::graphmode(draw::GRAPH_MANUAL, 0, 0);
    draw::initgraph(64, 48);
  }
  void TearDown() override {
    draw::closegraph();
    platform::use_virtual_clock(false);
  }
};

std::vector<uint32_t> pixels_of(draw::PIMAGE im) {
  const uint32_t* b = draw::imagebuffer(im);
  return std::vector<uint32_t>(b, b + size_t(draw::imagewidth(im)) * draw::imageheight(im));
}

size_t count_black(draw::PIMAGE im) {
  size_t n = 0;
  for (uint32_t p : pixels_of(im)) n += (p & 0xFFFFFF) == 0;
  return n;
}

TEST_F(Skins, EveryListedPictureIsEmbeddedAtItsSize) {
  size_t count = 0;
  const SkinInfo* list = skin_inventory(&count);
  ASSERT_GT(count, 300u);
  std::set<std::string> seen;
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(list[i].name);
    EXPECT_TRUE(seen.insert(list[i].name).second) << "listed twice";
    draw::PIMAGE im = draw::newimage();
    ASSERT_EQ(load_skin_image(im, list[i].name), 0);
    EXPECT_EQ(draw::imagewidth(im), list[i].width);
    EXPECT_EQ(draw::imageheight(im), list[i].height);
    draw::dropimage(im);
  }
}

// The states of one button (X_0, X_1, ...) share one size, so a state switch never jumps.
TEST_F(Skins, StatesOfOneButtonShareTheirSize) {
  size_t count = 0;
  const SkinInfo* list = skin_inventory(&count);
  std::map<std::string, std::pair<int, int>> sizes;
  for (size_t i = 0; i < count; ++i) {
    std::string name = list[i].name;
    // Numbered families whose numbers are not states.
    if (name.rfind("PULL_", 0) == 0 || name.rfind("NOTEPAD_", 0) == 0 ||
        name.rfind("NAME_", 0) == 0 || name.rfind("TOREG_", 0) == 0)
      continue;
    size_t n = name.size();
    if (n < 3 || name[n - 2] != '_' || !std::isdigit(static_cast<unsigned char>(name[n - 1])))
      continue;
    std::string stem = name.substr(0, n - 2);
    auto [it, fresh] = sizes.emplace(stem, std::make_pair(list[i].width, list[i].height));
    if (!fresh) {
      EXPECT_EQ(it->second, std::make_pair(list[i].width, list[i].height)) << name;
    }
  }
  EXPECT_GT(sizes.size(), 60u);
}

// Every skin picture name spelled out in the program's sources is in the list, or is the
// stem of listed names (a state suffix is added at run time, "ARMOR_RESIZE" + "_2").
TEST(SkinNames, EveryNameTheCodeSpellsOutIsListed) {
  const char* top = std::getenv("WF_SOURCE_DIR");
  ASSERT_NE(top, nullptr);
  size_t count = 0;
  const SkinInfo* list = skin_inventory(&count);
  std::set<std::string> names;
  for (size_t i = 0; i < count; ++i) names.insert(list[i].name);
  auto listed_or_stem = [&](const std::string& s) {
    if (names.count(s)) return true;
    auto it = names.lower_bound(s + "_");
    return it != names.end() && it->rfind(s + "_", 0) == 0;
  };
  // A skin name literal: a family word, then upper-case words, digits and formats.
  const char* const families[] = {
      "TOOLS_", "TOP_", "RMENU_", "RENBOX_", "WALLPAPER_", "ARMOR_", "SCROLL_ARROW_", "MAP_",
      "PULL_", "NOTEPAD_", "BOARD_", "SELECT_", "NEWBOX_", "CHECK_BOX_", "OPTION_", "TOCANCEL_",
      "LOGIN_", "TOLOG_", "TOREG_", "TOLOCAL_", "ICODE_", "PASSWD_", "ADD_LITE_", "ACCDEL_",
      "TACI_MARK"};
  auto skin_like = [&](const std::string& s) {
    for (const char* f : families)
      if (s.rfind(f, 0) == 0) return true;
    return false;
  };
  // Whether a name fits a format ("NOTEPAD_1%d" stands for NOTEPAD_1 and digits).
  auto fits = [](const std::string& name, const std::string& format) {
    size_t i = 0, j = 0;
    while (j < format.size()) {
      if (format[j] == '%') {
        ++j;
        while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) ++j;
        ++j;  // the conversion letter
        size_t start = i;
        while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) ++i;
        if (i == start) return false;
      } else {
        if (i >= name.size() || name[i] != format[j]) return false;
        ++i;
        ++j;
      }
    }
    return i == name.size();
  };
  auto format_matches = [&](const std::string& format) {
    for (const std::string& n : names)
      if (fits(n, format)) return true;
    return false;
  };
  auto name_char = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '%' ||
           c == 'd' || c == 'u';
  };
  int checked = 0;
  for (const char* folder : {"desk", "cases", "dialogs", "signin", "shell", "update"}) {
    fs::path dir = fs::path(top) / folder;
    if (!fs::exists(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::ifstream in(entry.path());
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (size_t q = text.find('"'); q != std::string::npos; q = text.find('"', q + 1)) {
        size_t e = q + 1;
        while (e < text.size() && name_char(text[e])) ++e;
        if (e >= text.size() || text[e] != '"' || e == q + 1) continue;
        std::string name = text.substr(q + 1, e - q - 1);
        q = e;
        if (!skin_like(name)) continue;
        ++checked;
        bool format = name.find('%') != std::string::npos;
        EXPECT_TRUE(format ? format_matches(name) : listed_or_stem(name))
            << name << " in " << entry.path();
      }
    }
  }
  EXPECT_GT(checked, 0);
}

// A keyed copy of a skin picture keeps the destination exactly where the picture is pure
// black, inside the art too, and shows the picture everywhere else.
TEST_F(Skins, KeyedCopyLeavesOnlyPureBlackTransparent) {
  for (const char* name : {"TOP_CLOSE_0", "TOOLS_SYNC_1", "RMENU_NEW_FRAME_0", "MAP_POINT",
                           "TACI_MARK", "NEWBOX_YES_0"}) {
    SCOPED_TRACE(name);
    draw::PIMAGE skin = new_skin_image(name);
    ASSERT_GT(draw::imagewidth(skin), 1);
    size_t black = count_black(skin);
    size_t total = size_t(draw::imagewidth(skin)) * draw::imageheight(skin);
    ASSERT_GT(black, 0u) << "a keyed picture needs transparent pixels";
    ASSERT_LT(black, total) << "and visible ones";
    draw::PIMAGE dst = draw::newimage(draw::imagewidth(skin), draw::imageheight(skin));
    uint32_t* d = draw::imagebuffer(dst);
    for (size_t i = 0; i < total; ++i) d[i] = 0x123456 + uint32_t(i % 7);
    std::vector<uint32_t> before = pixels_of(dst);
    draw::putimage_transparent(dst, skin, 0, 0, 0);
    std::vector<uint32_t> src = pixels_of(skin), after = pixels_of(dst);
    for (size_t i = 0; i < total; ++i) {
      if ((src[i] & 0xFFFFFF) == 0)
        ASSERT_EQ(after[i], before[i]) << "pixel " << i;
      else
        ASSERT_EQ(after[i] & 0xFFFFFF, src[i] & 0xFFFFFF) << "pixel " << i;
    }
    draw::dropimage(dst);
    draw::dropimage(skin);
  }
}

// Pictures drawn with a plain copy (tooltips, boxes, bars, backgrounds) hold no pure black,
// so nothing in them turns transparent if they are ever drawn keyed.
TEST_F(Skins, PlainPicturesHoldNoPureBlack) {
  for (const char* name :
       {"TOOLS_NEW_REM", "TOOLS_POINT_REM", "ARMOR_REM_LEVEL_LOCK", "ARMOR_TO_POST",
        "RENBOX_BACK_0", "NEWBOX_BACK_POST", "NEWBOX_TOME", "NEWBOX_UNLOCK", "NEWBOX_OPTION",
        "NEWBOX_ABOUT", "NEWBOX_ARROW", "WALLPAPER_STAR", "LOGIN_BACK", "LOGIN_BACK_2",
        "BOARD_TOP_BAR", "BOARD_SELECT_0", "NOTEPAD_19", "NOTEPAD_9", "PULL_9", "ARMOR_CUT_2",
        "TOP_MENU_ABOUT_1", "OPTION_OPEN", "TOLOG_3"}) {
    SCOPED_TRACE(name);
    draw::PIMAGE skin = new_skin_image(name);
    ASSERT_GT(draw::imagewidth(skin), 1);
    EXPECT_EQ(count_black(skin), 0u);
    draw::dropimage(skin);
  }
}

// Visibly different states: no two states of a button are the same picture.
TEST_F(Skins, ButtonStatesDiffer) {
  for (const char* stem : {"TOOLS_CEL", "TOOLS_SYNC_LITE", "TOP_MAX", "TOP_CLOSE", "RMENU_PASTEN",
                           "ARMOR_TACI", "ARMOR_LEVEL_LOCK", "NEWBOX_SEND", "TOLOG", "CHECK_BOX",
                           "ADD_LITE", "LOGIN_AW"}) {
    SCOPED_TRACE(stem);
    std::vector<std::vector<uint32_t>> states;
    for (int s = 0; s < 8; ++s) {
      std::string name = std::string(stem) + "_" + std::to_string(s);
      if (!find_skin(name.c_str())) break;
      draw::PIMAGE im = new_skin_image(name.c_str());
      states.push_back(pixels_of(im));
      draw::dropimage(im);
    }
    ASSERT_GE(states.size(), 2u);
    for (size_t a = 0; a < states.size(); ++a)
      for (size_t b = a + 1; b < states.size(); ++b)
        EXPECT_NE(states[a], states[b]) << "states " << a << " and " << b;
  }
}

TEST_F(Skins, MissingPictureLeavesTheImageAsItWas) {
  draw::PIMAGE im = draw::newimage(3, 2);
  uint32_t* b = draw::imagebuffer(im);
  for (int i = 0; i < 6; ++i) b[i] = 0x00ABCDEF;
  EXPECT_NE(load_skin_image(im, "RMENU_NO_SUCH_ROW_0"), 0);
  EXPECT_NE(load_skin_image(im, nullptr), 0);
  EXPECT_EQ(draw::imagewidth(im), 3);
  EXPECT_EQ(draw::imageheight(im), 2);
  for (uint32_t p : pixels_of(im)) EXPECT_EQ(p, 0x00ABCDEFu);
  draw::dropimage(im);
  // A fresh image stays a 1 x 1 black one, which keyed copies draw as nothing.
  draw::PIMAGE fresh = new_skin_image("NOT_A_SKIN");
  EXPECT_EQ(draw::imagewidth(fresh), 1);
  EXPECT_EQ(draw::imagebuffer(fresh)[0] & 0xFFFFFF, 0u);
  draw::dropimage(fresh);
}

// ---- The skin table ----

class SkinTable : public Skins {
 protected:
  void SetUp() override {
    Skins::SetUp();
    folder_ = fs::temp_directory_path() / ("wf_skins_" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    saved_folder_ = platform::program_folder();
    platform::set_program_folder(folder_.string());
  }
  void TearDown() override {
    destroy_skin_table(&skin_table());
    platform::set_program_folder(saved_folder_);
    fs::remove_all(folder_);
    Skins::TearDown();
  }
  fs::path folder_;
  std::string saved_folder_;
};

TEST_F(SkinTable, HoldsTheCaseValuesAndPictures) {
  SKIN_TABLE& t = skin_table();
  ASSERT_EQ(build_skin_table(&t), 0);
  EXPECT_EQ(t.min_case_width, 232);
  EXPECT_EQ(t.case_width_ref, 222);
  EXPECT_EQ(t.title_bar_height, 30);
  const int gaps[5] = {6, 2, 4, 8, 10};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t.line_gap[i], gaps[i]);
  for (int c = 0; c < kCaseColours; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(t.title_text[c], (c >= 5 && c <= 7) ? 0x0C0C0Cu : 0xFCFCFCu);
    EXPECT_EQ(t.body_text[c], c == 9 ? 0xFCFCFCu : 0x0C0C0Cu);
    EXPECT_EQ(t.selected_text[c], c == 9 ? 0xFCFC54u : 0xFCFCFCu);
    EXPECT_EQ(draw::imagewidth(t.pull[c]), 10);
    EXPECT_EQ(draw::imagewidth(t.title_bar[c]), 232);
    EXPECT_EQ(draw::imageheight(t.title_bar[c]), 30);
  }
  for (int b = 0; b < CB_COUNT; ++b) {
    const SkinInfo* info = find_skin(case_button_name(b));
    ASSERT_NE(info, nullptr) << case_button_name(b);
    EXPECT_EQ(draw::imagewidth(t.buttons[b]), info->width) << info->name;
  }
  EXPECT_EQ(case_button_name(CB_COUNT), nullptr);
  // Rebuilding replaces the pictures instead of leaking them; destroying empties the table.
  ASSERT_EQ(build_skin_table(&t), 0);
  destroy_skin_table(&t);
  EXPECT_FALSE(t.built);
  EXPECT_EQ(t.pin_mark, nullptr);
  EXPECT_EQ(t.buttons[0], nullptr);
}

// The download stand-ins: what the file server gives.
int g_download_calls = 0;
std::vector<std::string> g_download_urls;
int download_fails(const char*, const char* url) {
  ++g_download_calls;
  g_download_urls.push_back(url);
  return -2;
}
int download_garbage(const char* target, const char*) {
  ++g_download_calls;
  std::ofstream(platform::native_path(target)) << "<html>not found</html>";
  return 0;
}
// A solid red 40 x 40 PNG, as the real pin pictures are PNG files under a .cfg name.
int download_png(const char* target, const char*) {
  ++g_download_calls;
  std::vector<uint32_t> red(40 * 40, 0xE02020);
  std::vector<uint8_t> png;
  platform::encode_png(red.data(), 40, 40, &png);
  std::ofstream(platform::native_path(target), std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  return 0;
}

TEST_F(SkinTable, PinMarksComeFromTheDownloadOrTheBuiltInPictures) {
  struct Case {
    const char* what;
    SkinDownload download;
    int source;
  };
  const Case cases[] = {
      {"no download", nullptr, 0},
      {"download fails", download_fails, 0},
      {"download is not a picture", download_garbage, 0},
      {"download gives PNG files", download_png, kPinDownloaded | kEndDownloaded},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(folder_ / web::kPinPictureFile);
    fs::remove(folder_ / web::kPinPicture2File);
    g_download_calls = 0;
    SKIN_TABLE& t = skin_table();
    ASSERT_EQ(build_skin_table(&t, c.download), 0);
    EXPECT_EQ(t.pin_source, c.source);
    EXPECT_EQ(g_download_calls, c.download ? 2 : 0);
    ASSERT_EQ(draw::imagewidth(t.pin_mark), kPinMarkSide);
    ASSERT_EQ(draw::imagewidth(t.end_mark), kEndMarkSide);
    for (draw::PIMAGE mark : {t.pin_mark, t.end_mark}) {
      std::vector<uint32_t> px = pixels_of(mark);
      size_t black = count_black(mark);
      if (c.source) {
        // The red picture blended at 239 / 255 over black fills the whole mark.
        EXPECT_EQ(black, 0u);
        uint32_t red = (px[0] >> 16) & 255;
        EXPECT_NEAR(int(red), 0xE0 * 239 / 255, 2);
      } else {
        // The built-in pin: visible in the middle, transparent in the corner.
        EXPECT_LT(black, px.size());
        EXPECT_GT(black, 0u);
        EXPECT_EQ(px[0] & 0xFFFFFF, 0u);
      }
    }
  }
}

TEST_F(SkinTable, PinPicturesAreFetchedFromTheFileServer) {
  web::set_file_server("http://127.0.0.1:9");
  g_download_urls.clear();
  ASSERT_EQ(build_skin_table(&skin_table(), download_fails), 0);
  web::set_file_server("");
  ASSERT_EQ(g_download_urls.size(), 2u);
  EXPECT_EQ(g_download_urls[0], "http://127.0.0.1:9/attach/taci.cfg");
  EXPECT_EQ(g_download_urls[1], "http://127.0.0.1:9/attach/taci2.cfg");
  EXPECT_EQ(web::file_server_url("/x"), std::string(web::kFileServer) + "/x");
}

}  // namespace
