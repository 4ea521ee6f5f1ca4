// Inside the drawing layer: the IMAGE record with its drawing state, the registry of live
// images (the validity check), the fatal error path and the current-target rule. Only the
// layer's own files include this header.
#pragma once
#include <cstdint>
#include <vector>

#include "draw/graphics.h"

namespace wf::draw {

inline constexpr uint32_t IMAGE_MARKER = 0x494D4721u;  // set on creation, cleared on drop
inline constexpr color_t DEFAULT_LINE_COLOR = 0xA8A8A8;

struct DrawState {
  color_t line = DEFAULT_LINE_COLOR;  // line and text colour
  color_t fill = 0;
  color_t back = 0;
  color_t textback = 0;
  int textmode = TEXT_OPAQUE;
  FONTDESC font{};
  // Clip rectangle (right and bottom exclusive); its top-left is also the origin.
  int clip_left = 0, clip_top = 0, clip_right = 1, clip_bottom = 1;
};

struct IMAGE {
  uint32_t marker = IMAGE_MARKER;
  int width = 1;
  int height = 1;
  std::vector<uint32_t> pixels;  // width * height, top row first
  DrawState state;
};

// Ends the process: prints the message to stderr and exits with code -11.
[[noreturn]] void fatal_image(const void* image, const char* function);
[[noreturn]] void fatal_before_initgraph();

// The image an operation works on: the given one (checked), else the current target, else
// the page. `function` names the operation in the fatal message.
IMAGE* resolve(PIMAGE image, const char* function);
IMAGE* checked(PIMAGE image, const char* function);  // image must be non-null and live

// Gives the image a new size; pixels become its background colour and the clip rectangle
// the whole image when it was the whole image (else it is cut to the new size).
void resize_image(IMAGE* image, int width, int height);
void reset_clip(IMAGE* image);
FONTDESC default_font();

// The page (nullptr before the first initgraph) and the registry of live images.
IMAGE* page_image();
void set_page_image(IMAGE* page);
bool graph_started();
IMAGE* create_image(int width, int height);  // without the initgraph check
void destroy_image(IMAGE* image);
void destroy_all_images();  // closegraph: every image, the page too

}  // namespace wf::draw
