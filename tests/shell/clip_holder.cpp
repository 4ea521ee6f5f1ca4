// Another program on the desktop for the desktop clipboard test: puts one kind of content on
// the clipboard, leaves "<folder>/ready", and keeps serving it until "<folder>/stop" exists
// (at most 20 s).
//   clip_holder <folder> text|picture|files|cut
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/clipboard.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string folder = argv[1], kind = argv[2];
  if (wf::platform::clipboard_open() != 0) return 3;
  wf::platform::clipboard_empty();
  if (kind == "text") {
    wf::platform::clipboard_put_text("\xC4\xE3\xBA\xC3 desk");  // GBK
  } else if (kind == "picture") {
    wf::platform::ClipBitmap b;
    b.width = 3;
    b.height = 2;
    b.stride = 12;
    b.bits_per_pixel = 32;
    b.bits.assign(24, 0);
    b.bits[0] = 0x10;  // top-left pixel blue 0x10, green 0x20, red 0x30
    b.bits[1] = 0x20;
    b.bits[2] = 0x30;
    wf::platform::clipboard_put_bitmap(b);
  } else {
    wf::platform::clipboard_put_files({"/tmp/one file.png", "/tmp/two"}, kind == "cut" ? 2 : 1);
  }
  wf::platform::clipboard_close();
  std::ofstream(folder + "/ready") << "1";
  for (int i = 0; i < 400 && !std::filesystem::exists(folder + "/stop"); ++i) usleep(50 * 1000);
  return 0;
}
