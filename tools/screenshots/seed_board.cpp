// Fills the local account of a program folder with a whiteboard for screenshots: posts
// with text in several skins, title cases, a photo and a map with generated pictures.
// Usage: desk_seed_board <program folder> <background theme 0-4>
// The whiteboard is made only when the account holds no case yet; the theme and a window
// size of 1600 x 900 are written every time.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "draw/graphics.h"
#include "platform/paths.h"
#include "store/datastore.h"
#include "store/settings.h"
#include "store/stamp.h"

namespace {

using namespace wf;

constexpr uint32_t kItemImage = 0x1012;

// A generated picture: a sky gradient with hills (photo) or a grid with roads (map).
int write_picture(const std::string& stored, int w, int h, bool map) {
  draw::PIMAGE img = draw::newimage(w, h);
  uint32_t* px = draw::imagebuffer(img);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t c;
      if (map) {
        bool road = (x % 60) < 6 || (y % 70) < 6 || std::abs(x - y) < 5;
        bool water = (x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < 2500;
        c = road ? 0xF2E6B8 : water ? 0x8CC4E8 : ((x / 60 + y / 70) % 2 ? 0xD8E8C8 : 0xCFE1BE);
      } else {
        int hill = h * 2 / 3 + int(30.0 * __builtin_sin(x / 40.0));
        int sky = 255 - y * 120 / h;
        c = y > hill ? (0x2E7D32 + ((y - hill) % 16 << 8)) : (uint32_t(sky / 2) << 16 | uint32_t(sky * 3 / 4) << 8 | 0xF0);
        if ((x - w * 3 / 4) * (x - w * 3 / 4) + (y - h / 4) * (y - h / 4) < 600) c = 0xFFD54F;
      }
      px[size_t(y) * size_t(w) + size_t(x)] = c;
    }
  int r = draw::writeimagejpeg(img, platform::native_path(store::data_root() + stored).c_str(), 90);
  draw::dropimage(img);
  return r;
}

store::CaseRecord* add(int kind, int skin, int x, int y, int w, int h, const char* title,
                       const char* text) {
  store::Position p = store::new_case(0, 0, title, store::new_stamp(store::kKindCase));
  if (p.kase < 0) return nullptr;
  store::CaseRecord* rec = store::case_record(0, 0, p.kase);
  rec->case_kind = uint16_t(kind);
  rec->skin = uint16_t(skin);
  rec->x = x;
  rec->y = y;
  rec->width = w;
  rec->height = h;
  store::copy_text(rec->text, sizeof rec->text, text);
  store::save_case(0, 0, p.kase);
  return rec;
}

void add_picture_case(int kind, int x, int y, const char* title, const char* path) {
  store::CaseRecord* rec = add(kind, 0, x, y, 0, 0, title, "");
  if (!rec) return;
  rec->items[0].kind = kItemImage;
  store::copy_text(rec->items[0].name, sizeof rec->items[0].name, title);
  store::copy_text(rec->items[0].path, sizeof rec->items[0].path, path);
  rec->picture_item = 0;
  rec->zoom = 100;
  rec->photo_frame = 1;
  store::Position pos{0, 0, store::case_count(0, 0) - 1};
  store::save_case(pos.dir, pos.frame, pos.kase);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <program folder> <theme 0-4>\n", argv[0]);
    return 2;
  }
  draw::usebackend(draw::BACKEND_HEADLESS);
  draw::initgraph(16, 16);
  platform::set_program_folder(argv[1]);
  if (store::load_settings(-1, "") < 0 && store::load_settings(-1, "") < 0) return 1;
  {
    std::lock_guard<std::recursive_mutex> hold(store::settings_lock());
    store::settings().set_theme(std::atoi(argv[2]) % 5);
    store::settings().set_window_size(1600, 900);
    store::settings().set_dir_index(0);
    store::settings().set_frame_index(0);
    store::save_settings(-1);
  }
  if (store::load_store(false) < 0) return 1;
  if (store::case_count(0, 0) > 0) return 0;

  platform::make_folder(store::data_root() + "1\\jpg");
  write_picture("1\\jpg\\screenshot_photo.jpg", 300, 200, false);
  write_picture("1\\jpg\\screenshot_map.jpg", 360, 260, true);

  add(0, 0, 60, 80, 300, 260, "Monday plan",
      "Call the printer about the flyers\nReview the budget draft\nLunch with Mia at 12:30\n"
      "Send the slides to the team\n\nBring the blue folder");
  add(0, 2, 400, 60, 320, 240, "读书笔记", "第一章: 白板上的想法\n第二章: 颜色与分类\n\n"
      "记得把重点贴在右边。");
  add(0, 4, 760, 120, 260, 232, "Bugs", "Title bar flickers on resize\nWheel scroll too fast\n"
      "Crash when the photo is gone?");
  add(0, 8, 60, 400, 280, 250, "Shopping", "Milk\nBread\nCoffee beans\nBatteries (AA)\nTape");
  add(0, 9, 1060, 520, 300, 240, "Night mode", "Dark skin for late notes.\nWhite text on grey.");
  add(1, 1, 400, 360, 232, 30, "Ideas for the weekend", "");
  add(1, 5, 400, 420, 232, 30, "项目进度", "");
  add(1, 7, 400, 480, 232, 30, "Phone numbers", "");
  add_picture_case(2, 1060, 80, "Lake trip", "1\\jpg\\screenshot_photo.jpg");
  add_picture_case(3, 680, 420, "Neighbourhood", "1\\jpg\\screenshot_map.jpg");
  std::printf("seeded %d cases\n", store::case_count(0, 0));
  store::free_store();
  return 0;
}
