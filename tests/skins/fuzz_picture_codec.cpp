// Fuzz target of the desk's picture codec: arbitrary bytes as a picture file, decoded and
// scaled as a zoomed copy would be (the first byte picks the zoom percent). Nothing may
// read or write outside its buffers, whatever size the header claims.
#include <cstddef>
#include <cstdint>

#include "desk/picture_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  int zoom = 10 + data[0] % 241;  // 10 .. 250, the zoom range of the cases
  wf::desk::CodecPicture* pic = wf::desk::decode_picture_bytes(data + 1, size - 1);
  if (pic == nullptr) return 0;
  int64_t w = int64_t{wf::desk::picture_width(pic)} * zoom / 100;
  int64_t h = int64_t{wf::desk::picture_height(pic)} * zoom / 100;
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  if (w * h <= (int64_t{1} << 22)) {
    wf::desk::CodecPicture* zoomed = wf::desk::scale_picture(pic, int(w), int(h));
    wf::desk::destroy_picture(zoomed);
  }
  wf::desk::destroy_picture(pic);
  return 0;
}
