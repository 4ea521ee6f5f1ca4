// The platform clipboard: text, a bitmap, and a list of files with its drop effect.
//
// Inside the program the clipboard always works: what is put is kept in-process and read
// back from there. When the desktop offers a clipboard (an X11 display), text, pictures and
// file lists are also exchanged with other programs (UTF8_STRING, image/png and
// text/uri-list); what another program offers is read when the program itself holds nothing
// newer.
//
// Use it like the system clipboard: clipboard_open(), then empty/put or has/get calls, then
// clipboard_close(). Only one holder at a time; clipboard_open() fails while another thread
// holds it (or while a test has made it unavailable). Texts are GBK.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace wf::platform {

// A bitmap as the clipboard carries it: rows top to bottom, `stride` bytes apart, pixels of
// 24 bits (blue, green, red) or 32 bits (blue, green, red, a fourth byte).
struct ClipBitmap {
  int width = 0;
  int height = 0;
  int stride = 0;
  int bits_per_pixel = 0;
  std::vector<uint8_t> bits;  // stride * height bytes
};

// 0, or -1 when the clipboard cannot be opened.
int clipboard_open();
void clipboard_close();

// Clears everything (only while open). 0 or -1 (not open).
int clipboard_empty();

// Puts one kind of content beside what is there (only while open). 0 or -1.
int clipboard_put_text(const std::string& gbk);
int clipboard_put_bitmap(const ClipBitmap& bitmap);
// drop_effect: 1 copy, 2 move, ...; a negative value offers the list without a drop effect.
int clipboard_put_files(const std::vector<std::string>& native_paths, int32_t drop_effect);

// Reading (only while open): 0 when that kind is offered and was read, -1 otherwise.
int clipboard_get_text(std::string* gbk);
int clipboard_get_bitmap(ClipBitmap* bitmap);
int clipboard_get_files(std::vector<std::string>* native_paths);
int clipboard_get_drop_effect(int32_t* effect);

// Tests: make clipboard_open() fail (true) or work again (false); and keep the desktop
// clipboard out (false) so that only the in-process one is used.
void clipboard_set_unavailable(bool unavailable);
void clipboard_use_desktop(bool use);

}  // namespace wf::platform
