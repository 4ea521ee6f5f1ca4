// The headless window: no display at all. It keeps its size, position and state in memory
// and copies every presented frame, so that tests can read back what reached the "screen".
#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/headless_window.h"
#include "platform/window_backend.h"

namespace wf::platform {
namespace {

std::mutex g_facts_lock;
int g_work_w = HEADLESS_WORKAREA_WIDTH;
int g_work_h = HEADLESS_WORKAREA_HEIGHT;
bool g_foreground = true;
bool g_key_held[256] = {};

class HeadlessWindow final : public WindowBackend {
 public:
  int open(const WindowOptions& o, WindowSink*) override {
    width_ = std::max(o.width, 1);
    height_ = std::max(o.height, 1);
    int ww, wh;
    work_area(&ww, &wh);
    x_ = o.centred ? (ww - width_) / 2 : o.x;
    y_ = o.centred ? (wh - height_) / 2 : o.y;
    visible_ = true;
    return 0;
  }
  void close() override { visible_ = false; }
  void resize(int w, int h) override {
    width_ = std::max(w, 1);
    height_ = std::max(h, 1);
    visible_ = true;
    minimised_ = false;
  }
  void show() override {
    visible_ = true;
    minimised_ = false;
  }
  void hide() override { visible_ = false; }
  bool visible() override { return visible_; }
  void set_title(const std::string& t) override { title_ = t; }
  void present(const uint32_t* px, int w, int h) override {
    std::lock_guard<std::mutex> hold(frame_lock_);
    frame_.assign(px, px + static_cast<size_t>(w) * h);
    frame_w_ = w;
    frame_h_ = h;
  }
  int read_back(std::vector<uint32_t>* px, int* w, int* h) override {
    std::lock_guard<std::mutex> hold(frame_lock_);
    if (frame_.empty()) return -1;
    *px = frame_;
    *w = frame_w_;
    *h = frame_h_;
    return 0;
  }
  void client_size(int* w, int* h) override {
    *w = width_;
    *h = height_;
  }
  void move(int x, int y) override {
    x_ = x;
    y_ = y;
  }
  void position(int* x, int* y) override {
    *x = x_;
    *y = y_;
  }
  void minimise() override { minimised_ = true; }
  void restore() override { minimised_ = false; }
  void to_front() override {
    minimised_ = false;
    visible_ = true;
    headless_set_foreground(true);
  }
  bool foreground() override {
    std::lock_guard<std::mutex> hold(g_facts_lock);
    return g_foreground && visible_ && !minimised_;
  }
  bool minimised() override { return minimised_; }
  void work_area(int* w, int* h) override {
    std::lock_guard<std::mutex> hold(g_facts_lock);
    *w = g_work_w;
    *h = g_work_h;
  }
  int key_held(int vk) override {
    if (vk < 0 || vk > 255) return -1;
    std::lock_guard<std::mutex> hold(g_facts_lock);
    return g_key_held[vk] ? 1 : 0;
  }

 private:
  int width_ = 1, height_ = 1, x_ = 0, y_ = 0;
  std::atomic<bool> visible_{false};
  std::atomic<bool> minimised_{false};
  std::string title_;
  std::mutex frame_lock_;
  std::vector<uint32_t> frame_;
  int frame_w_ = 0, frame_h_ = 0;
};

}  // namespace

void headless_set_work_area(int width, int height) {
  std::lock_guard<std::mutex> hold(g_facts_lock);
  g_work_w = std::max(width, 1);
  g_work_h = std::max(height, 1);
}

void headless_set_foreground(bool foreground) {
  std::lock_guard<std::mutex> hold(g_facts_lock);
  g_foreground = foreground;
}

void headless_set_key_held(int vk, bool held) {
  if (vk < 0 || vk > 255) return;
  std::lock_guard<std::mutex> hold(g_facts_lock);
  g_key_held[vk] = held;
}

std::unique_ptr<WindowBackend> make_headless_window() { return std::make_unique<HeadlessWindow>(); }

}  // namespace wf::platform
