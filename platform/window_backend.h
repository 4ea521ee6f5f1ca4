// The window behind the drawing layer, as an interface with two implementations: a real
// desktop window (window_sdl.cpp, its own event thread) and a headless one with no display
// (headless_window.cpp). The window reports input to a WindowSink from its own thread; the
// drawing thread calls the other operations.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wf::platform {

// Input as the window's thread sees it. Pointer coordinates are client coordinates.
struct WindowSink {
  virtual ~WindowSink() = default;
  // kind: 0x10 down, 0x20 up, 0x40 move, 0x80 wheel (the layer's MOUSE_* values);
  // button: 1 left, 2 right, 4 middle (down/up only); mods: 0x100 shift, 0x200 ctrl.
  virtual void on_pointer(unsigned kind, int x, int y, unsigned button, unsigned mods,
                          int wheel) = 0;
  virtual void on_key(bool down, int vk) = 0;  // Windows virtual-key numbering
  virtual void on_char(char16_t unit) = 0;     // typed text, one UTF-16 unit at a time
  virtual void on_close_request() = 0;
  virtual void on_destroyed() = 0;
};

struct WindowOptions {
  int width = 640;
  int height = 480;
  int x = 0;
  int y = 0;
  bool borderless = false;
  bool centred = false;  // ignore x, y and centre on the screen
};

class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  // Creates and shows the window; returns 0 or a negative code. Input goes to sink.
  virtual int open(const WindowOptions& options, WindowSink* sink) = 0;
  virtual void close() = 0;
  virtual void resize(int width, int height) = 0;  // client size; also shows the window
  virtual void show() = 0;
  virtual void hide() = 0;
  virtual bool visible() = 0;
  virtual void set_title(const std::string& utf8) = 0;
  // Shows width x height pixels (0xAARRGGBB, top row first); the backend copies them.
  virtual void present(const uint32_t* pixels, int width, int height) = 0;
  // The last frame on the screen; 0 or -1 when there is none.
  virtual int read_back(std::vector<uint32_t>* pixels, int* width, int* height) = 0;
  virtual void client_size(int* width, int* height) = 0;
  virtual void move(int x, int y) = 0;
  virtual void position(int* x, int* y) = 0;
  virtual void minimise() = 0;
  virtual void restore() = 0;
  virtual void to_front() = 0;
  virtual bool foreground() = 0;
  virtual bool minimised() = 0;
  virtual void work_area(int* width, int* height) = 0;
  // Whether the platform reports the key as physically held now (-1: cannot tell).
  virtual int key_held(int vk) = 0;
};

std::unique_ptr<WindowBackend> make_sdl_window();
std::unique_ptr<WindowBackend> make_headless_window();

}  // namespace wf::platform
