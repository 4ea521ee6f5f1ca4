// The drawing layer: one window whose client area shows the `page`, off-screen images,
// copies between images (keyed, blended, stretched), lines, rectangles, text, a blur, the
// mouse and key queues filled by the window's own thread, and frame pacing.
//
// All drawing, image operations and presenting happen on the thread that called
// initgraph(); only the window thread writes the queues, the key table and the pointer
// position (each under its own lock).
//
// Colours are 0xAARRGGBB; callers pass 0x00RRGGBB. Lines, rectangles, fills and text ignore
// the top byte; pixel copies carry it along. Black 0 is the transparency key of the skins.
//
// Every operation that takes a PIMAGE accepts nullptr for "the current target" (which is the
// page when no target is set). An image that was never created or was already dropped ends
// the process (message on stderr, exit code -11).
//
// Text is GBK in memory and converted at the font boundary; bytes that are not valid GBK
// draw as '?'.
//
// Two backends sit behind the window: a real desktop window (the default) and a headless
// one with no display (select it with usebackend(BACKEND_HEADLESS) before the first
// initgraph, or set the environment variable WF_HEADLESS=1). The headless backend has a test
// API at the end of this file: inject pointer and key events, read back the presented frame,
// set the work area.
//
// Embedded pictures: cmake/WfResources.cmake (include(${CMAKE_SOURCE_DIR}/cmake/WfResources.cmake))
//   wf_embed_resources(<target> TYPE IMGS FILES a/RMENU_NEW_FRAME_0.bmp b/X.png ...)
// (or FOLDER <dir> to take every .bmp/.jpg/.jpeg/.png/.gif of a folder) builds the pictures
// into the program; getimage(img, "IMGS", "RMENU_NEW_FRAME_0") then loads one. The name is
// the file name without its extension, in upper case.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace wf::draw {

using color_t = uint32_t;

struct IMAGE;
using PIMAGE = IMAGE*;

// graphmode() flags.
inline constexpr int GRAPH_NOBORDER = 0x01;  // borderless pop-up, no caption or frame
inline constexpr int GRAPH_MANUAL = 0x08;    // the page is presented only by framepace()
inline constexpr int GRAPH_NOEXIT = 0x10;    // a close request only sets the close-requested flag

// MOUSEREC::kind.
inline constexpr unsigned MOUSE_DOWN = 0x10;
inline constexpr unsigned MOUSE_UP = 0x20;
inline constexpr unsigned MOUSE_MOVE = 0x40;
inline constexpr unsigned MOUSE_WHEEL = 0x80;
// MOUSEREC::flags.
inline constexpr unsigned MOUSE_LEFT = 0x001;
inline constexpr unsigned MOUSE_RIGHT = 0x002;
inline constexpr unsigned MOUSE_MIDDLE = 0x004;
inline constexpr unsigned MOUSE_SHIFT = 0x100;
inline constexpr unsigned MOUSE_CTRL = 0x200;

// Added by nextkey() to the codes of navigation keys (33-47) and F1-F16 (112-127).
inline constexpr int KEY_SPECIAL = 0x100;

// textbackmode() values.
inline constexpr int TEXT_TRANSPARENT = 1;
inline constexpr int TEXT_OPAQUE = 2;

// Modes of the stretched putimage().
inline constexpr int PUT_COPY = 0x00CC0020;    // plain copy
inline constexpr int PUT_INVERT = 0x00330008;  // every colour bit of the source inverted

// FONTDESC::quality value for antialiased text.
inline constexpr int FONT_ANTIALIASED = 4;

// Picture loading results (0 = success).
inline constexpr int PICTURE_OK = 0;
inline constexpr int PICTURE_NOFILE = -1;     // file or resource missing / unreadable
inline constexpr int PICTURE_BADFORMAT = -2;  // not a picture of a known format
inline constexpr int PICTURE_CORRUPT = -3;    // known format but damaged or truncated
inline constexpr int PICTURE_TOOBIG = -4;     // larger than the layer accepts
inline constexpr int PICTURE_WRITEFAIL = -5;  // file could not be created or written

struct MOUSEREC {
  int x;           // client coordinates, sign-extended from 16 bits
  int y;
  unsigned kind;   // MOUSE_DOWN, MOUSE_UP, MOUSE_MOVE or MOUSE_WHEEL
  unsigned flags;  // MOUSE_LEFT/RIGHT/MIDDLE (down and up only), MOUSE_SHIFT, MOUSE_CTRL
  int wheel;       // MOUSE_WHEEL: 120 per notch, positive away from the user
};

// The logical-font record.
struct FONTDESC {
  int height;          // negative: character height in pixels; positive: cell height
  int width;           // average width; 0: natural
  int escapement;
  int orientation;
  int weight;          // 0: normal
  uint8_t italic;
  uint8_t underline;
  uint8_t strikeout;
  uint8_t charset;     // 1: the default character set
  uint8_t outprecision;
  uint8_t clipprecision;
  uint8_t quality;     // FONT_ANTIALIASED (4) = antialiased
  uint8_t pitchfamily;
  char face[32];       // GBK face name, at most 31 bytes and a terminating zero
};

// ---- Window and frame ----

void graphmode(int flags, int x, int y);
void initgraph(int width, int height);
bool windowopen();
void hidegraph();
void graphtitle(const char* text);  // GBK
void framepace(int fps);
double measuredfps();

// The window handle and the window facts the shell needs.
struct WindowRef;
using HWINDOW = WindowRef*;
HWINDOW windowhandle();  // nullptr before the first initgraph
void window_move(HWINDOW w, int x, int y);  // top-left of the window on the screen
void window_position(HWINDOW w, int* x, int* y);
void window_minimise(HWINDOW w);
void window_restore(HWINDOW w);
void window_tofront(HWINDOW w);  // bring to the front and give it the keyboard
bool window_isforeground(HWINDOW w);
bool window_isminimised(HWINDOW w);
void desktop_workarea(int* width, int* height);  // the screen minus panels / task bars

// ---- Images ----

PIMAGE newimage();                      // 1 x 1
PIMAGE newimage(int width, int height); // sizes of 0 or less become 1
void dropimage(PIMAGE image);           // nullptr is ignored
int imagewidth(PIMAGE image = nullptr);
int imageheight(PIMAGE image = nullptr);
uint32_t* imagebuffer(PIMAGE image = nullptr);  // width*height pixels, top row first

// Picture loading: 0 or a PICTURE_* code; on failure the image is unchanged.
int getimage(PIMAGE image, const char* type, const char* name);  // embedded resource
int getimage(PIMAGE image, const char* filename);                // PNG, else BMP/JPEG/GIF
int getimage_png(PIMAGE image, const char* filename);            // PNG only
int getimage_memory(PIMAGE image, const void* data, size_t size); // any format, sniffed
// Resizes image to width x height and copies that rectangle of the current target into it
// (parts outside the target come out black).
void getimage(PIMAGE image, int x, int y, int width, int height);

// Picture writing: 0 or a PICTURE_* code.
int writeimagebmp(PIMAGE image, const char* filename);  // 24-bit, bottom-up
int writeimagejpeg(PIMAGE image, const char* filename, int quality = 75);
int writeimagepng(PIMAGE image, const char* filename);  // 24-bit RGB, top bytes dropped
int writeimage(PIMAGE image, const char* filename);  // by extension: .jpg/.jpeg, .png, else BMP
int encodeimagejpeg(PIMAGE image, int quality, std::vector<uint8_t>* out);

void imagefilter_blurring(PIMAGE image, int intensity, int alpha);

// ---- Drawing state and primitives ----

void drawtarget(PIMAGE image);  // nullptr: the page
PIMAGE gettarget();             // nullptr when drawing goes to the page
void clearimage(PIMAGE image = nullptr);
void backcolor(color_t color, PIMAGE image = nullptr);
void linecolor(color_t color, PIMAGE image = nullptr);
void fillcolor(color_t color, PIMAGE image = nullptr);
void textbackcolor(color_t color, PIMAGE image = nullptr);
void textbackmode(int mode, PIMAGE image = nullptr);
color_t getbackcolor(PIMAGE image = nullptr);
color_t getlinecolor(PIMAGE image = nullptr);
color_t getfillcolor(PIMAGE image = nullptr);

void choosefont(int height, int width, const char* face, PIMAGE image = nullptr);
void choosefont(const FONTDESC* font, PIMAGE image = nullptr);
FONTDESC currentfont(PIMAGE image = nullptr);
void drawtext(int x, int y, const char* text, PIMAGE image = nullptr);  // GBK
int textwidthof(const char* text, PIMAGE image = nullptr);
int textheightof(const char* text, PIMAGE image = nullptr);

void drawline(int x1, int y1, int x2, int y2, PIMAGE image = nullptr);
void framerect(int left, int top, int right, int bottom, PIMAGE image = nullptr);
void fillrect(int left, int top, int right, int bottom, PIMAGE image = nullptr);
void plotpixel(int x, int y, color_t color, PIMAGE image = nullptr);
color_t getpixel(int x, int y, PIMAGE image = nullptr);  // relative to the clip origin; 0 outside
void cliprect(int left, int top, int right, int bottom, PIMAGE image = nullptr);

// ---- Copies ----

void putimage(int x, int y, PIMAGE source);  // onto the current target, honours cliprect
void putimage(int x, int y, int width, int height, PIMAGE source, int source_width,
              int source_height, int mode = PUT_COPY);
void putimage_transparent(PIMAGE destination, PIMAGE source, int x, int y, color_t key);
void putimage_alphablend(PIMAGE destination, PIMAGE source, int x, int y, unsigned alpha);
void putimage_keyblend(PIMAGE destination, PIMAGE source, int x, int y, color_t key,
                       unsigned alpha);

// ---- Input ----

bool mousepending();
MOUSEREC nextmouse();
void lastmousepos(int* x, int* y);
int keydown(int key);
bool keypending();
int nextkey();

// ---- Utilities ----

void sleepms(int ms);
double uptime();
void seedrandom();
unsigned randbelow(unsigned n);
double randunit();

// ---- Backends and the headless test API ----

inline constexpr int BACKEND_WINDOW = 0;
inline constexpr int BACKEND_HEADLESS = 1;
void usebackend(int backend);  // before the first initgraph (or after closegraph)
int currentbackend();
// Tears the window down, drops every image (the page too) and forgets all state, so that a
// test can start over with graphmode/initgraph. The programs never call it.
void closegraph();

// Event injection (headless backend; they act as the window thread would). Times are the
// tick count at the call.
void inject_mouse(unsigned kind, int x, int y, unsigned flags = 0, int wheel = 0);
void inject_keydown(int vk);
void inject_keyup(int vk);
void inject_char(char16_t unit);
void inject_text(const char* gbk);  // each UTF-16 unit of the text as a character message
void inject_close();                // as the close button / Alt+F4

// The last frame that reached the screen (headless: copied at every present; window: read
// back from the window). Returns 0 and fills pixels/width/height, or -1 when none yet.
int screenpixels(std::vector<uint32_t>* pixels, int* width, int* height);
long presentcount();  // presents since the first initgraph
bool windowvisible();

// Headless window facts.
void headless_setworkarea(int width, int height);  // default 1920 x 1040
void headless_setforeground(bool foreground);      // default true
// The platform's own view of a key, apart from the messages: inject_keydown/up set it too;
// headless_setkeyheld(vk, false) alone is a key released while the key-up went missing.
void headless_setkeyheld(int vk, bool held);

}  // namespace wf::draw
