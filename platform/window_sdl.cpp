// The real desktop window through SDL2. One thread of its own initialises SDL's video,
// creates the window, pumps its events into the WindowSink and serves the drawing thread's
// requests (present, resize, move, ...), which arrive through a small command queue and a
// wake-up event. Pixels reach the screen through a streaming texture the window thread
// fills from the last presented frame.
#include <SDL.h>
#include <dlfcn.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/window_backend.h"

namespace wf::platform {
namespace {

// Pointer and modifier values of the sink interface.
constexpr unsigned KIND_DOWN = 0x10, KIND_UP = 0x20, KIND_MOVE = 0x40, KIND_WHEEL = 0x80;
constexpr unsigned BTN_LEFT = 1, BTN_RIGHT = 2, BTN_MIDDLE = 4;
constexpr unsigned MOD_SHIFT = 0x100, MOD_CTRL = 0x200;
constexpr int WHEEL_NOTCH = 120;

// Windows virtual-key codes.
enum : int {
  VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
  VK_PAUSE = 19, VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34,
  VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40,
  VK_SELECT = 41, VK_EXECUTE = 43, VK_SNAPSHOT = 44, VK_INSERT = 45, VK_DELETE = 46,
  VK_HELP = 47, VK_LWIN = 91, VK_RWIN = 92, VK_APPS = 93, VK_NUMPAD0 = 96, VK_MULTIPLY = 106,
  VK_ADD = 107, VK_SUBTRACT = 109, VK_DECIMAL = 110, VK_DIVIDE = 111, VK_F1 = 112,
  VK_F13 = 124, VK_NUMLOCK = 144, VK_SCROLL = 145, VK_OEM_1 = 186, VK_OEM_PLUS = 187,
  VK_OEM_COMMA = 188, VK_OEM_MINUS = 189, VK_OEM_PERIOD = 190, VK_OEM_2 = 191, VK_OEM_3 = 192,
  VK_OEM_4 = 219, VK_OEM_5 = 220, VK_OEM_6 = 221, VK_OEM_7 = 222,
};

int virtual_key(const SDL_Keysym& k) {
  const SDL_Keycode s = k.sym;
  if (s >= SDLK_a && s <= SDLK_z) return 'A' + (s - SDLK_a);
  if (s >= SDLK_0 && s <= SDLK_9) return '0' + (s - SDLK_0);
  if (s >= SDLK_F1 && s <= SDLK_F12) return VK_F1 + (s - SDLK_F1);
  if (s >= SDLK_F13 && s <= SDLK_F24) return VK_F13 + (s - SDLK_F13);
  if (s >= SDLK_KP_1 && s <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (s - SDLK_KP_1);
  switch (s) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_SELECT: return VK_SELECT;
    case SDLK_EXECUTE: return VK_EXECUTE;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_HELP: return VK_HELP;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return -1;
  }
}

// Characters the desktop's text input does not deliver but a key press stands for: the
// control characters of Backspace, Tab, Enter, Escape and Ctrl+letter.
int control_character(const SDL_Keysym& k) {
  const bool ctrl = (k.mod & KMOD_CTRL) != 0, alt = (k.mod & KMOD_ALT) != 0;
  switch (k.sym) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    default: break;
  }
  if (ctrl && !alt && k.sym >= SDLK_a && k.sym <= SDLK_z) return 1 + (k.sym - SDLK_a);
  return 0;
}

unsigned modifiers() {
  SDL_Keymod m = SDL_GetModState();
  return ((m & KMOD_SHIFT) ? MOD_SHIFT : 0) | ((m & KMOD_CTRL) ? MOD_CTRL : 0);
}

unsigned button_of(uint8_t b) {
  switch (b) {
    case SDL_BUTTON_LEFT: return BTN_LEFT;
    case SDL_BUTTON_RIGHT: return BTN_RIGHT;
    case SDL_BUTTON_MIDDLE: return BTN_MIDDLE;
    default: return 0;
  }
}

void utf8_to_units(const char* s, std::u16string* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    uint32_t c = *p, n = 0;
    if (c < 0x80) n = 0;
    else if ((c & 0xE0) == 0xC0) { c &= 0x1F; n = 1; }
    else if ((c & 0xF0) == 0xE0) { c &= 0x0F; n = 2; }
    else if ((c & 0xF8) == 0xF0) { c &= 0x07; n = 3; }
    else { ++p; continue; }
    ++p;
    for (uint32_t i = 0; i < n && (*p & 0xC0) == 0x80; ++i, ++p) c = (c << 6) | (*p & 0x3F);
    if (c >= 0x10000) {
      c -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(c));
    }
  }
}

// SDL opens D-Bus (input methods, screen saver) but never releases the library's global
// state; the window is its only user here, so once SDL has quit it is released for good.
void release_dbus() {
  void* lib = dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_NOLOAD);
  if (!lib) return;
  if (auto* shutdown = reinterpret_cast<void (*)()>(dlsym(lib, "dbus_shutdown"))) shutdown();
  dlclose(lib);
}

class SdlWindow final : public WindowBackend {
 public:
  ~SdlWindow() override { close(); }

  int open(const WindowOptions& o, WindowSink* sink) override {
    if (running_) return 0;
    sink_ = sink;
    width_ = std::max(o.width, 1);
    height_ = std::max(o.height, 1);
    std::unique_lock<std::mutex> hold(lock_);
    opened_ = 0;
    thread_ = std::thread([this, o] { run(o); });
    ready_.wait(hold, [&] { return opened_ != 0; });
    if (opened_ < 0) {
      hold.unlock();
      thread_.join();
      return -1;
    }
    running_ = true;
    return 0;
  }

  void close() override {
    if (!running_) return;
    post([this] { quit_ = true; });
    thread_.join();
    running_ = false;
  }

  void resize(int w, int h) override {
    width_ = std::max(w, 1);
    height_ = std::max(h, 1);
    call([this] {
      SDL_SetWindowSize(window_, width_, height_);
      SDL_ShowWindow(window_);
      make_texture();
    });
  }
  void show() override { call([this] { SDL_ShowWindow(window_); }); }
  void hide() override { call([this] { SDL_HideWindow(window_); }); }
  bool visible() override {
    bool v = false;
    call([&] { v = (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0; });
    return v;
  }
  void set_title(const std::string& t) override { call([&] { SDL_SetWindowTitle(window_, t.c_str()); }); }

  void present(const uint32_t* px, int w, int h) override {
    {
      std::lock_guard<std::mutex> hold(frame_lock_);
      frame_.assign(px, px + static_cast<size_t>(w) * h);
      frame_w_ = w;
      frame_h_ = h;
    }
    post([this] { draw_frame(); });
  }

  int read_back(std::vector<uint32_t>* px, int* w, int* h) override {
    int r = -1;
    call([&] {
      int ow = 0, oh = 0;
      if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0 || ow < 1 || oh < 1) return;
      px->assign(static_cast<size_t>(ow) * oh, 0);
      if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, px->data(), ow * 4) == 0) {
        *w = ow;
        *h = oh;
        r = 0;
      }
    });
    return r;
  }

  void client_size(int* w, int* h) override {
    call([&] { SDL_GetWindowSize(window_, w, h); });
  }
  void move(int x, int y) override { call([&] { SDL_SetWindowPosition(window_, x, y); }); }
  void position(int* x, int* y) override { call([&] { SDL_GetWindowPosition(window_, x, y); }); }
  void minimise() override { call([this] { SDL_MinimizeWindow(window_); }); }
  void restore() override { call([this] { SDL_RestoreWindow(window_); }); }
  void to_front() override {
    call([this] {
      SDL_ShowWindow(window_);
      if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(window_);
      SDL_RaiseWindow(window_);
    });
  }
  bool foreground() override {
    bool f = false;
    call([&] { f = (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0; });
    return f;
  }
  bool minimised() override {
    bool m = false;
    call([&] { m = (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0; });
    return m;
  }
  void work_area(int* w, int* h) override {
    if (running_) {
      call([&] { usable_bounds(w, h); });
      return;
    }
    // No window yet: ask the desktop from a short-lived thread of our own.
    std::thread([&] {
      SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        usable_bounds(w, h);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        release_dbus();
      }
    }).join();
  }
  int key_held(int vk) override {
    if (vk < 0 || vk > 255) return -1;
    return held_[vk].load() ? 1 : 0;
  }

 private:
  static void usable_bounds(int* w, int* h) {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) == 0 || SDL_GetDisplayBounds(0, &r) == 0) {
      *w = r.w;
      *h = r.h;
    }
  }

  // Runs fn on the window thread and waits for it.
  void call(const std::function<void()>& fn) {
    if (!running_) return;
    if (std::this_thread::get_id() == thread_.get_id()) {
      fn();
      return;
    }
    std::mutex done_lock;
    std::condition_variable done_cv;
    bool done = false;
    post([&] {
      fn();
      std::lock_guard<std::mutex> hold(done_lock);
      done = true;
      done_cv.notify_one();
    });
    std::unique_lock<std::mutex> hold(done_lock);
    done_cv.wait(hold, [&] { return done; });
  }

  void post(std::function<void()> fn) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      commands_.push_back(std::move(fn));
    }
    SDL_Event wake{};
    wake.type = wake_event_;
    SDL_PushEvent(&wake);
  }

  void run_commands() {
    for (;;) {
      std::function<void()> fn;
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (commands_.empty()) return;
        fn = std::move(commands_.front());
        commands_.pop_front();
      }
      fn();
    }
  }

  void make_texture() {
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 width_, height_);
    if (texture_) SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    tex_w_ = width_;
    tex_h_ = height_;
  }

  void draw_frame() {
    {
      std::lock_guard<std::mutex> hold(frame_lock_);
      if (!frame_.empty()) {
        if (!texture_ || tex_w_ != frame_w_ || tex_h_ != frame_h_) {
          width_ = frame_w_;
          height_ = frame_h_;
          make_texture();
        }
        if (texture_) SDL_UpdateTexture(texture_, nullptr, frame_.data(), frame_w_ * 4);
      }
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (texture_) SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
  }

  void handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        unsigned b = button_of(e.button.button);
        if (b == 0) break;
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        buttons_ = down ? (buttons_ | b) : (buttons_ & ~b);
        SDL_CaptureMouse(buttons_ != 0 ? SDL_TRUE : SDL_FALSE);
        sink_->on_pointer(down ? KIND_DOWN : KIND_UP, e.button.x, e.button.y, b, modifiers(), 0);
        break;
      }
      case SDL_MOUSEMOTION:
        sink_->on_pointer(KIND_MOVE, e.motion.x, e.motion.y, 0, modifiers(), 0);
        break;
      case SDL_MOUSEWHEEL: {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (notches != 0) sink_->on_pointer(KIND_WHEEL, x, y, 0, modifiers(), notches * WHEEL_NOTCH);
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        bool down = e.type == SDL_KEYDOWN;
        int vk = virtual_key(e.key.keysym);
        if (vk >= 0) {
          held_[vk] = down;
          sink_->on_key(down, vk);
        }
        if (down) {
          int c = control_character(e.key.keysym);
          if (c != 0) sink_->on_char(static_cast<char16_t>(c));
        }
        break;
      }
      case SDL_TEXTINPUT: {
        std::u16string units;
        utf8_to_units(e.text.text, &units);
        for (char16_t u : units) sink_->on_char(u);
        break;
      }
      case SDL_QUIT:
        sink_->on_close_request();
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) sink_->on_close_request();
        else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) draw_frame();
        else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
          for (auto& h : held_) h = false;  // releases while inactive are not reported
        break;
      default:
        break;
    }
  }

  void report_open(int result) {
    std::lock_guard<std::mutex> hold(lock_);
    opened_ = result;
    ready_.notify_all();
  }

  void run(WindowOptions o) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      report_open(-1);
      return;
    }
    wake_event_ = SDL_RegisterEvents(1);
    Uint32 flags = SDL_WINDOW_SHOWN | (o.borderless ? SDL_WINDOW_BORDERLESS : 0);
    int x = o.centred ? SDL_WINDOWPOS_CENTERED : o.x, y = o.centred ? SDL_WINDOWPOS_CENTERED : o.y;
    window_ = SDL_CreateWindow("", x, y, width_, height_, flags);
    if (window_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (window_ && !renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!window_ || !renderer_ || wake_event_ == static_cast<Uint32>(-1)) {
      if (window_) SDL_DestroyWindow(window_);
      window_ = nullptr;
      SDL_Quit();
      report_open(-1);
      return;
    }
    make_texture();
    SDL_StartTextInput();
    draw_frame();
    report_open(1);
    while (!quit_) {
      SDL_Event e;
      if (SDL_WaitEventTimeout(&e, 50)) {
        do {
          if (e.type != wake_event_) handle(e);
        } while (SDL_PollEvent(&e));
      }
      run_commands();
    }
    if (texture_) SDL_DestroyTexture(texture_);
    SDL_DestroyRenderer(renderer_);
    SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    sink_->on_destroyed();
    SDL_Quit();
    release_dbus();
  }

  WindowSink* sink_ = nullptr;
  std::thread thread_;
  std::atomic<bool> running_{false};
  bool quit_ = false;  // window thread only
  std::mutex lock_;
  std::condition_variable ready_;
  int opened_ = 0;
  std::deque<std::function<void()>> commands_;
  Uint32 wake_event_ = 0;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int width_ = 1, height_ = 1, tex_w_ = 0, tex_h_ = 0;
  unsigned buttons_ = 0;
  std::atomic<bool> held_[256] = {};
  std::mutex frame_lock_;
  std::vector<uint32_t> frame_;
  int frame_w_ = 0, frame_h_ = 0;
};

}  // namespace

std::unique_ptr<WindowBackend> make_sdl_window() { return std::make_unique<SdlWindow>(); }

}  // namespace wf::platform

// The desktop libraries behind the window and the fonts keep process-wide caches on
// purpose (fontconfig's configuration, D-Bus and X11 connections made by SDL); the leak
// checker of sanitizer builds is told to ignore them.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libSDL2\nleak:libX11.so\n";
}
