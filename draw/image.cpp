// Images and their drawing state: creation and destruction with the live-image registry,
// the fatal paths, the current target, colours, clipping, and the plain primitives (lines,
// frames, fills, pixels).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>
#include <unordered_set>

#include "draw/image.h"

namespace wf::draw {
namespace {

std::mutex g_registry_lock;
std::unordered_set<const IMAGE*> g_live;
IMAGE* g_page = nullptr;
IMAGE* g_target = nullptr;

constexpr int FATAL_EXIT_CODE = -11;
constexpr color_t RGB_MASK = 0x00FFFFFF;

bool is_live(const IMAGE* image) {
  std::lock_guard<std::mutex> hold(g_registry_lock);
  return g_live.count(image) != 0 && image->marker == IMAGE_MARKER;
}

}  // namespace

void fatal_image(const void* image, const char* function) {
  std::fprintf(stderr, "DRAW ERROR message\nFatal error: read/write at 0x%p. At function '%s'\n",
               image, function);
  std::fflush(stderr);
  _exit(FATAL_EXIT_CODE);
}

void fatal_before_initgraph() {
  std::fprintf(stderr,
               "ERROR message\nFatal error: read/write at 0x%08x. At function 'newimage', "
               "construct PIMAGE before 'initgraph'?\n",
               0u);
  std::fflush(stderr);
  _exit(FATAL_EXIT_CODE);
}

IMAGE* checked(PIMAGE image, const char* function) {
  if (image == nullptr || !is_live(image)) fatal_image(image, function);
  return image;
}

IMAGE* resolve(PIMAGE image, const char* function) {
  if (image != nullptr) return checked(image, function);
  if (g_target != nullptr) return checked(g_target, function);
  if (g_page == nullptr) fatal_before_initgraph();
  return g_page;
}

FONTDESC default_font() {
  FONTDESC f{};
  f.height = 16;
  f.charset = 1;
  std::strcpy(f.face, "宋体");
  return f;
}

void reset_clip(IMAGE* image) {
  image->state.clip_left = 0;
  image->state.clip_top = 0;
  image->state.clip_right = image->width;
  image->state.clip_bottom = image->height;
}

void resize_image(IMAGE* image, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  DrawState& st = image->state;
  bool whole = st.clip_left == 0 && st.clip_top == 0 && st.clip_right == image->width &&
               st.clip_bottom == image->height;
  image->width = width;
  image->height = height;
  image->pixels.assign(static_cast<size_t>(width) * height, st.back);
  if (whole) {
    reset_clip(image);
  } else {
    st.clip_right = std::min(st.clip_right, width);
    st.clip_bottom = std::min(st.clip_bottom, height);
    st.clip_left = std::min(st.clip_left, st.clip_right);
    st.clip_top = std::min(st.clip_top, st.clip_bottom);
  }
}

IMAGE* create_image(int width, int height) {
  auto* image = new IMAGE;
  image->width = std::max(width, 1);
  image->height = std::max(height, 1);
  image->state.font = default_font();
  image->pixels.assign(static_cast<size_t>(image->width) * image->height, image->state.back);
  reset_clip(image);
  std::lock_guard<std::mutex> hold(g_registry_lock);
  g_live.insert(image);
  return image;
}

void destroy_image(IMAGE* image) {
  {
    std::lock_guard<std::mutex> hold(g_registry_lock);
    g_live.erase(image);
  }
  if (g_target == image) g_target = nullptr;
  image->marker = 0;
  delete image;
}

void destroy_all_images() {
  std::unordered_set<const IMAGE*> all;
  {
    std::lock_guard<std::mutex> hold(g_registry_lock);
    all.swap(g_live);
  }
  for (const IMAGE* im : all) delete im;
  g_target = nullptr;
  g_page = nullptr;
}

IMAGE* page_image() { return g_page; }
void set_page_image(IMAGE* page) {
  g_page = page;
  if (page == nullptr) g_target = nullptr;
}
bool graph_started() { return g_page != nullptr; }

PIMAGE newimage() { return newimage(1, 1); }

PIMAGE newimage(int width, int height) {
  if (!graph_started()) fatal_before_initgraph();
  return create_image(width, height);
}

void dropimage(PIMAGE image) {
  if (image == nullptr) return;
  checked(image, "IMAGE::dropimage");
  if (image == g_page) return;  // the page belongs to the window
  destroy_image(image);
}

int imagewidth(PIMAGE image) { return resolve(image, "IMAGE::imagewidth")->width; }
int imageheight(PIMAGE image) { return resolve(image, "IMAGE::imageheight")->height; }
uint32_t* imagebuffer(PIMAGE image) { return resolve(image, "IMAGE::imagebuffer")->pixels.data(); }

void drawtarget(PIMAGE image) {
  if (image != nullptr) checked(image, "IMAGE::drawtarget");
  g_target = image;
}
PIMAGE gettarget() { return g_target; }

void clearimage(PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::clearimage");
  std::fill(im->pixels.begin(), im->pixels.end(), im->state.back);
}

void backcolor(color_t color, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::backcolor");
  color_t old = im->state.back;
  im->state.back = color;
  im->state.textback = color;
  if (old == color) return;
  for (uint32_t& p : im->pixels)
    if (p == old) p = color;
}

void linecolor(color_t color, PIMAGE image) { resolve(image, "IMAGE::linecolor")->state.line = color; }
void fillcolor(color_t color, PIMAGE image) { resolve(image, "IMAGE::fillcolor")->state.fill = color; }
void textbackcolor(color_t color, PIMAGE image) {
  resolve(image, "IMAGE::textbackcolor")->state.textback = color;
}
void textbackmode(int mode, PIMAGE image) {
  if (mode != TEXT_TRANSPARENT && mode != TEXT_OPAQUE) return;
  resolve(image, "IMAGE::textbackmode")->state.textmode = mode;
}
color_t getbackcolor(PIMAGE image) { return resolve(image, "IMAGE::getbackcolor")->state.back; }
color_t getlinecolor(PIMAGE image) { return resolve(image, "IMAGE::getlinecolor")->state.line; }
color_t getfillcolor(PIMAGE image) { return resolve(image, "IMAGE::getfillcolor")->state.fill; }

void cliprect(int left, int top, int right, int bottom, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::cliprect");
  DrawState& st = im->state;
  st.clip_left = std::clamp(left, 0, im->width);
  st.clip_top = std::clamp(top, 0, im->height);
  st.clip_right = std::clamp(right, 0, im->width);
  st.clip_bottom = std::clamp(bottom, 0, im->height);
}

namespace {

// Sets one pixel given in absolute image coordinates, if it lies inside the clip rectangle.
inline void put_clipped(IMAGE* im, int ax, int ay, color_t c) {
  const DrawState& st = im->state;
  if (ax < st.clip_left || ax >= st.clip_right || ay < st.clip_top || ay >= st.clip_bottom) return;
  im->pixels[static_cast<size_t>(ay) * im->width + ax] = c;
}

// Fills the half-open absolute rectangle, cut to the clip rectangle.
void fill_abs(IMAGE* im, long left, long top, long right, long bottom, color_t c) {
  const DrawState& st = im->state;
  left = std::max<long>(left, st.clip_left);
  top = std::max<long>(top, st.clip_top);
  right = std::min<long>(right, st.clip_right);
  bottom = std::min<long>(bottom, st.clip_bottom);
  if (left >= right || top >= bottom) return;
  for (long y = top; y < bottom; ++y) {
    uint32_t* row = im->pixels.data() + static_cast<size_t>(y) * im->width;
    std::fill(row + left, row + right, c);
  }
}

}  // namespace

void plotpixel(int x, int y, color_t color, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::plotpixel");
  put_clipped(im, x + im->state.clip_left, y + im->state.clip_top, color & RGB_MASK);
}

color_t getpixel(int x, int y, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::getpixel");
  long ax = static_cast<long>(x) + im->state.clip_left;
  long ay = static_cast<long>(y) + im->state.clip_top;
  if (ax < 0 || ay < 0 || ax >= im->width || ay >= im->height) return 0;
  return im->pixels[static_cast<size_t>(ay) * im->width + ax];
}

void drawline(int x1, int y1, int x2, int y2, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::drawline");
  const color_t c = im->state.line & RGB_MASK;
  long ox = im->state.clip_left, oy = im->state.clip_top;
  long x = x1 + ox, y = y1 + oy, ex = x2 + ox, ey = y2 + oy;
  if (y == ey) {  // horizontal: one fill, the last point excluded
    if (x <= ex) fill_abs(im, x, y, ex, y + 1, c);
    else fill_abs(im, ex + 1, y, x + 1, y + 1, c);
    return;
  }
  if (x == ex) {
    if (y <= ey) fill_abs(im, x, y, x + 1, ey, c);
    else fill_abs(im, x, ey + 1, x + 1, y + 1, c);
    return;
  }
  long dx = std::labs(ex - x), dy = -std::labs(ey - y);
  int sx = x < ex ? 1 : -1, sy = y < ey ? 1 : -1;
  long err = dx + dy;
  // Bresenham; points far outside the image are walked but not written. Long lines are
  // bounded by the integer range of the arguments.
  while (x != ex || y != ey) {
    if (x >= 0 && y >= 0 && x < im->width && y < im->height) put_clipped(im, int(x), int(y), c);
    long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void framerect(int left, int top, int right, int bottom, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::framerect");
  if (right <= left || bottom <= top) return;
  const color_t c = im->state.line & RGB_MASK;
  long l = left + long(im->state.clip_left), t = top + long(im->state.clip_top);
  long r = right + long(im->state.clip_left), b = bottom + long(im->state.clip_top);
  fill_abs(im, l, t, r, t + 1, c);
  fill_abs(im, l, b - 1, r, b, c);
  fill_abs(im, l, t, l + 1, b, c);
  fill_abs(im, r - 1, t, r, b, c);
}

void fillrect(int left, int top, int right, int bottom, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::fillrect");
  long ox = im->state.clip_left, oy = im->state.clip_top;
  fill_abs(im, left + ox, top + oy, right + ox, bottom + oy, im->state.fill & RGB_MASK);
}

}  // namespace wf::draw
