// The window, the page and input: initgraph and its resize rule, the mouse and key rings
// (1024 entries each, each under its own lock), the key-down table, frame pacing and the
// fps measurement, and the headless test hooks. The window's thread reaches this file only
// through the InputSink below.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "draw/image.h"
#include "platform/clock.h"
#include "platform/gbk.h"
#include "platform/headless_window.h"
#include "platform/window_backend.h"

namespace wf::draw {
namespace {

constexpr size_t QUEUE_SIZE = 1024;
constexpr uint32_t KEY_MAX_AGE_MS = 1000;
constexpr int LATE_PERIODS = 11;      // more than this many periods late: restart the schedule
constexpr double LATE_SLACK_MS = 100; // this much past the due time: present without waiting
constexpr double FPS_WINDOW_MS = 500;

enum class KeyMsg : uint8_t { Down, Up, Char };

struct MouseEntry {
  unsigned kind;
  int x, y;
  unsigned flags;
  int wheel;
  uint32_t time;
};

struct KeyEntry {
  KeyMsg msg;
  int code;  // virtual key or UTF-16 unit
  uint32_t time;
};

// A ring of QUEUE_SIZE entries under its own lock; when full the oldest is overwritten.
template <typename T>
class Ring {
 public:
  void push(const T& e) {
    std::lock_guard<std::mutex> hold(lock_);
    items_[(head_ + count_) % QUEUE_SIZE] = e;
    if (count_ < QUEUE_SIZE) ++count_;
    else head_ = (head_ + 1) % QUEUE_SIZE;
  }
  bool peek(T* e) {
    std::lock_guard<std::mutex> hold(lock_);
    if (count_ == 0) return false;
    *e = items_[head_];
    return true;
  }
  bool pop(T* e) {
    std::lock_guard<std::mutex> hold(lock_);
    if (count_ == 0) return false;
    *e = items_[head_];
    head_ = (head_ + 1) % QUEUE_SIZE;
    --count_;
    return true;
  }
  void clear() {
    std::lock_guard<std::mutex> hold(lock_);
    head_ = count_ = 0;
  }

 private:
  std::mutex lock_;
  std::array<T, QUEUE_SIZE> items_{};
  size_t head_ = 0, count_ = 0;
};

struct PointerState {
  std::mutex lock;
  int last_x = 0, last_y = 0;        // last move / wheel position
  int up_x = -100000, up_y = -100000;  // position of the last button-up
  unsigned held = 0;                 // buttons held (for the capture rule)
};

struct Graph {
  int backend_kind = -1;  // -1: not chosen yet
  int mode_flags = 0;
  int mode_x = 0, mode_y = 0;
  bool mode_set = false;
  std::unique_ptr<platform::WindowBackend> window;
  IMAGE* page = nullptr;
  int width = 0, height = 0;
  Ring<MouseEntry> mice;
  Ring<KeyEntry> keys;
  PointerState pointer;
  std::array<std::atomic<uint8_t>, 256> keyflags{};
  std::atomic<bool> closed{false};
  std::atomic<bool> close_requested{false};
  // Frame pacing and fps.
  bool schedule_set = false;
  double last_frame = 0;
  long presents = 0;
  long fps_count = 0;
  double fps_since = -1;
  double fps = 0;
};

Graph g;

unsigned button_bit(unsigned b) { return b & 7u; }

class InputSink final : public platform::WindowSink {
 public:
  void on_pointer(unsigned kind, int x, int y, unsigned button, unsigned mods, int wheel) override {
    // Coordinates travel as 16-bit values, as the window messages carry them.
    x = static_cast<int16_t>(static_cast<uint16_t>(x));
    y = static_cast<int16_t>(static_cast<uint16_t>(y));
    MouseEntry e{kind, x, y, mods & (MOUSE_SHIFT | MOUSE_CTRL), 0, platform::tick_ms()};
    {
      std::lock_guard<std::mutex> hold(g.pointer.lock);
      switch (kind) {
        case MOUSE_DOWN:
          e.flags |= button_bit(button);
          g.pointer.held |= button_bit(button);
          break;
        case MOUSE_UP:
          e.flags |= button_bit(button);
          g.pointer.held &= ~button_bit(button);
          g.pointer.up_x = x;
          g.pointer.up_y = y;
          break;
        case MOUSE_MOVE:
          g.pointer.last_x = x;
          g.pointer.last_y = y;
          if (x == g.pointer.up_x && y == g.pointer.up_y) return;
          break;
        case MOUSE_WHEEL:
          g.pointer.last_x = x;
          g.pointer.last_y = y;
          e.wheel = wheel;
          break;
        default:
          return;
      }
    }
    g.mice.push(e);
  }
  void on_key(bool down, int vk) override {
    if (vk < 0 || vk > 255) return;
    g.keyflags[vk] = down ? 1 : 0;
    g.keys.push(KeyEntry{down ? KeyMsg::Down : KeyMsg::Up, vk, platform::tick_ms()});
  }
  void on_char(char16_t unit) override {
    g.keys.push(KeyEntry{KeyMsg::Char, unit, platform::tick_ms()});
  }
  void on_close_request() override {
    if (g.mode_flags & GRAPH_NOEXIT) {
      g.close_requested = true;
      return;
    }
    g.close_requested = true;
    g.closed = true;
    if (g.window) g.window->hide();
  }
  void on_destroyed() override { g.closed = true; }
};

InputSink g_sink;

void choose_backend_default() {
  if (g.backend_kind >= 0) return;
  const char* env = std::getenv("WF_HEADLESS");
  g.backend_kind = (env != nullptr && env[0] == '1') ? BACKEND_HEADLESS : BACKEND_WINDOW;
}

void discard_input() {
  g.mice.clear();
  g.keys.clear();
}

// Codes that keypending/nextkey report for key-down messages; 0 = skipped.
int special_key_code(int vk) {
  if (vk >= 33 && vk <= 47) return vk + KEY_SPECIAL;
  if (vk >= 112 && vk <= 127) return vk + KEY_SPECIAL;
  if ((vk >= 128 && vk <= 185) || (vk >= 223 && vk <= 255)) return vk;
  return 0;
}

// The code of an entry for keypending/nextkey, or 0 when such entries are skipped.
int key_entry_code(const KeyEntry& e) {
  if (e.msg == KeyMsg::Char) return e.code;
  if (e.msg == KeyMsg::Down) return special_key_code(e.code);
  return 0;
}

// Drops skipped entries (and, with max_age, stale ones) from the head; true when the head
// is then a reportable entry.
bool settle_key_head(uint32_t now, bool drop_stale, KeyEntry* head) {
  KeyEntry e;
  while (g.keys.peek(&e)) {
    bool stale = drop_stale && static_cast<uint32_t>(now - e.time) > KEY_MAX_AGE_MS;
    if (key_entry_code(e) != 0 && !stale) {
      if (head) *head = e;
      return true;
    }
    g.keys.pop(&e);
  }
  return false;
}

void present_page() {
  if (g.window && g.window->visible() && g.page)
    g.window->present(g.page->pixels.data(), g.page->width, g.page->height);
  ++g.presents;
  ++g.fps_count;
  if (g.window) {
    int w = g.width, h = g.height;
    g.window->client_size(&w, &h);
    if (w != g.width || h != g.height) g.window->resize(g.width, g.height);
  }
}

void update_fps(double now) {
  if (g.fps_since < 0) {
    g.fps_since = now;
    g.fps_count = 0;
    return;
  }
  double elapsed = now - g.fps_since;
  if (elapsed >= FPS_WINDOW_MS) {
    g.fps = g.fps_count * 1000.0 / elapsed;
    g.fps_count = 0;
    g.fps_since = now;
  }
}

}  // namespace

// ---- Backend choice ----

void usebackend(int backend) {
  if (g.window) return;
  g.backend_kind = backend == BACKEND_HEADLESS ? BACKEND_HEADLESS : BACKEND_WINDOW;
}

int currentbackend() {
  choose_backend_default();
  return g.backend_kind;
}

// ---- Window and frame ----

void graphmode(int flags, int x, int y) {
  g.mode_flags = flags;
  g.mode_x = x;
  g.mode_y = y;
  g.mode_set = true;
}

void initgraph(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  g.width = width;
  g.height = height;
  if (!g.window) {
    choose_backend_default();
    platform::WindowOptions o;
    o.width = width;
    o.height = height;
    o.x = g.mode_x;
    o.y = g.mode_y;
    o.centred = !g.mode_set;
    o.borderless = (g.mode_flags & GRAPH_NOBORDER) != 0;
    g.window = g.backend_kind == BACKEND_HEADLESS ? platform::make_headless_window()
                                                  : platform::make_sdl_window();
    if (g.window->open(o, &g_sink) != 0) {
      // No display: fall back to the headless window so the program still runs.
      g.window = platform::make_headless_window();
      g.window->open(o, &g_sink);
      g.backend_kind = BACKEND_HEADLESS;
    }
    g.page = create_image(width, height);
    set_page_image(g.page);
    drawtarget(nullptr);
    std::lock_guard<std::mutex> hold(g.pointer.lock);
    g.pointer.last_x = width / 2;
    g.pointer.last_y = height / 2;
    return;
  }
  resize_image(g.page, width, height);
  discard_input();
  g.window->resize(width, height);
  g.window->show();
}

void closegraph() {
  if (g.window) g.window->close();
  g.window.reset();
  destroy_all_images();
  g.page = nullptr;
  discard_input();
  for (auto& f : g.keyflags) f = 0;
  g.closed = false;
  g.close_requested = false;
  g.schedule_set = false;
  g.presents = 0;
  g.fps_count = 0;
  g.fps_since = -1;
  g.fps = 0;
  g.mode_flags = 0;
  g.mode_set = false;
  g.backend_kind = -1;
  std::lock_guard<std::mutex> hold(g.pointer.lock);
  g.pointer.held = 0;
  g.pointer.up_x = g.pointer.up_y = -100000;
}

bool windowopen() { return g.window && !g.closed && !g.close_requested; }

void hidegraph() {
  if (g.window) g.window->hide();
}

void graphtitle(const char* text) {
  if (g.window && text) g.window->set_title(platform::gbk_to_utf8(text));
}

void framepace(int fps) {
  if (fps <= 0) fps = 1;
  const double period = 1000.0 / fps;
  double now = platform::precise_ms();
  if (!g.schedule_set) {
    g.last_frame = now;
    g.schedule_set = true;
  }
  const double L = g.last_frame;
  const bool far_behind = now >= L + LATE_PERIODS * period;
  const double base = far_behind ? now : L;
  // A frame that is overdue by more than the slack is presented at once; this also covers a
  // long stall, after which the schedule restarts from this present.
  if (!far_behind && now <= base + period + LATE_SLACK_MS) {
    const double due = base + period;
    while (now < due) {
      double rest = due - now;
      if (platform::virtual_clock()) platform::advance_clock_ms(rest);
      else platform::sleep_ms(std::max(1, static_cast<int>(rest)));
      now = platform::precise_ms();
    }
  }
  present_page();
  now = platform::precise_ms();
  update_fps(now);
  if (now >= L + LATE_PERIODS * period || L > now) g.last_frame = now;
  else g.last_frame = L + period;
}

double measuredfps() {
  update_fps(platform::precise_ms());
  return g.fps;
}

long presentcount() { return g.presents; }
bool windowvisible() { return g.window && g.window->visible(); }

int screenpixels(std::vector<uint32_t>* pixels, int* width, int* height) {
  if (!g.window) return -1;
  return g.window->read_back(pixels, width, height);
}

// ---- Window facts ----

HWINDOW windowhandle() { return g.window ? reinterpret_cast<HWINDOW>(g.window.get()) : nullptr; }

namespace {
platform::WindowBackend* backend_of(HWINDOW w) {
  auto* b = reinterpret_cast<platform::WindowBackend*>(w);
  return (b != nullptr && b == g.window.get()) ? b : nullptr;
}
}  // namespace

void window_move(HWINDOW w, int x, int y) {
  if (auto* b = backend_of(w)) b->move(x, y);
}
void window_position(HWINDOW w, int* x, int* y) {
  int px = 0, py = 0;
  if (auto* b = backend_of(w)) b->position(&px, &py);
  if (x) *x = px;
  if (y) *y = py;
}
void window_minimise(HWINDOW w) {
  if (auto* b = backend_of(w)) b->minimise();
}
void window_restore(HWINDOW w) {
  if (auto* b = backend_of(w)) b->restore();
}
void window_tofront(HWINDOW w) {
  if (auto* b = backend_of(w)) b->to_front();
}
bool window_isforeground(HWINDOW w) {
  auto* b = backend_of(w);
  return b != nullptr && b->foreground();
}
bool window_isminimised(HWINDOW w) {
  auto* b = backend_of(w);
  return b != nullptr && b->minimised();
}

void desktop_workarea(int* width, int* height) {
  int w = platform::HEADLESS_WORKAREA_WIDTH, h = platform::HEADLESS_WORKAREA_HEIGHT;
  if (g.window) {
    g.window->work_area(&w, &h);
  } else if (currentbackend() == BACKEND_WINDOW) {
    auto probe = platform::make_sdl_window();
    probe->work_area(&w, &h);
  } else {
    auto probe = platform::make_headless_window();
    probe->work_area(&w, &h);
  }
  if (width) *width = w;
  if (height) *height = h;
}

void headless_setworkarea(int width, int height) { platform::headless_set_work_area(width, height); }
void headless_setforeground(bool foreground) { platform::headless_set_foreground(foreground); }
void headless_setkeyheld(int vk, bool held) { platform::headless_set_key_held(vk, held); }

// ---- Input ----

bool mousepending() {
  MouseEntry e;
  return g.mice.peek(&e);
}

MOUSEREC nextmouse() {
  MouseEntry e;
  while (!g.mice.pop(&e)) {
    if (!windowopen()) return MOUSEREC{};
    platform::sleep_ms(1);
  }
  return MOUSEREC{e.x, e.y, e.kind, e.flags, e.wheel};
}

void lastmousepos(int* x, int* y) {
  std::lock_guard<std::mutex> hold(g.pointer.lock);
  if (x) *x = g.pointer.last_x;
  if (y) *y = g.pointer.last_y;
}

int keydown(int key) {
  if (key < 0 || key > 255) return -1;
  if (!g.keyflags[key]) return 0;
  if (g.window && g.window->key_held(key) == 0) {
    g.keyflags[key] = 0;
    return 0;
  }
  return 1;
}

bool keypending() {
  // Stale entries are dropped here as well, so that a true result never leaves nextkey
  // waiting for an entry it would throw away.
  return settle_key_head(platform::tick_ms(), true, nullptr);
}

int nextkey() {
  if (!windowopen()) return -1;
  const uint32_t began = platform::tick_ms();
  KeyEntry e;
  for (;;) {
    if (settle_key_head(began, true, &e)) {
      g.keys.pop(&e);
      return key_entry_code(e);
    }
    if (!windowopen()) return 0;
    platform::sleep_ms(1);
  }
}

// ---- Injection (headless) ----

void inject_mouse(unsigned kind, int x, int y, unsigned flags, int wheel) {
  g_sink.on_pointer(kind, x, y, flags & 7u, flags & (MOUSE_SHIFT | MOUSE_CTRL), wheel);
}
void inject_keydown(int vk) {
  platform::headless_set_key_held(vk, true);
  g_sink.on_key(true, vk);
}
void inject_keyup(int vk) {
  platform::headless_set_key_held(vk, false);
  g_sink.on_key(false, vk);
}
void inject_char(char16_t unit) { g_sink.on_char(unit); }
void inject_text(const char* gbk) {
  if (!gbk) return;
  for (char16_t u : platform::gbk_to_utf16(gbk)) g_sink.on_char(u);
}
void inject_close() { g_sink.on_close_request(); }

// ---- Utilities ----

void sleepms(int ms) { platform::sleep_ms(ms); }

double uptime() {
  static std::atomic<int64_t> first{-1};
  int64_t now = platform::tick_ms();
  int64_t expected = -1;
  first.compare_exchange_strong(expected, now);
  int64_t start = first.load();
  return static_cast<double>(static_cast<uint32_t>(now - start)) / 1000.0;
}

}  // namespace wf::draw
