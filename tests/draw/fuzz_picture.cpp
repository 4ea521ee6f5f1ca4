// Fuzz target of the picture loader: any bytes through the format sniffing and the four
// decoders. A result is either an error (image unchanged) or a picture of sane size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/picture_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wf::platform::Picture pic;
  int r = wf::platform::decode_picture(data, size, &pic);
  if (r == 0) {
    if (pic.width < 1 || pic.height < 1 ||
        pic.pixels.size() != static_cast<size_t>(pic.width) * pic.height)
      std::abort();
  } else if (!pic.pixels.empty()) {
    std::abort();  // a failed decode must not hand anything out
  }
  return 0;
}
