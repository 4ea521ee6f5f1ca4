// A plain desk for builds without the desk library: it has the members the frame loop uses
// and draws only the grey background, so that the program opens, runs its frame loop and
// closes like the full one.
#pragma once
#include <atomic>
#include <cstdint>

#include "draw/graphics.h"
#include "store/datastore.h"

namespace wf::shell {

// An empty whiteboard for the auto-save pass.
struct PlainWidget {
  int32_t modified() const { return 0; }
  void clear_modified() {}
  bool store_position(int, int) { return false; }
  store::Position position() const { return {}; }
};
struct PlainBoard {
  int32_t origin_x = 0, origin_y = 0;
  int32_t order_count = 0;
  int32_t order[1] = {-1};
  PlainWidget* widgets[1] = {nullptr};
};

class PlainDesk {
 public:
  PlainDesk(int width, int height) { resize(width, height); }
  ~PlainDesk() { draw::dropimage(canvas); }
  PlainDesk(const PlainDesk&) = delete;
  PlainDesk& operator=(const PlainDesk&) = delete;

  int update() { return 0; }
  void mouse() {
    while (draw::mousepending()) draw::nextmouse();
  }
  void key(int) {}
  int draw() {
    draw::putimage(0, 0, canvas);
    return 0;
  }
  void resize(int w, int h) {
    draw::dropimage(canvas);
    canvas = draw::newimage(w, h);
    draw::backcolor(0x7F7F7F, canvas);
    draw::clearimage(canvas);
    width = w;
    height = h;
  }
  void drop_widgets() {}
  int load_widgets(int, int) { return 0; }
  int load_cases(int, int) { return 1; }
  int store_layout() { return 0; }
  void set_progress_step(float) {}
  PlainBoard& board() { return board_; }

  draw::PIMAGE canvas = nullptr;
  char status_text[256] = {};
  std::atomic<int32_t> busy{0};
  int width = 0, height = 0;

 private:
  PlainBoard board_;
};

}  // namespace wf::shell
