// Picture loading and writing for images: files, embedded resources and memory.
#include "draw/image.h"

namespace wf::draw {

int getimage(PIMAGE image, const char*, const char*) { checked(image, "IMAGE::getimage"); return PICTURE_NOFILE; }
int getimage(PIMAGE image, const char*) { checked(image, "IMAGE::getimage"); return PICTURE_NOFILE; }
int getimage_png(PIMAGE image, const char*) { checked(image, "IMAGE::getimage"); return PICTURE_NOFILE; }
int getimage_memory(PIMAGE image, const void*, size_t) { checked(image, "IMAGE::getimage"); return PICTURE_NOFILE; }
int writeimagebmp(PIMAGE image, const char*) { resolve(image, "IMAGE::writeimagebmp"); return PICTURE_WRITEFAIL; }
int writeimagejpeg(PIMAGE image, const char*, int) { resolve(image, "IMAGE::writeimagejpeg"); return PICTURE_WRITEFAIL; }
int writeimagepng(PIMAGE image, const char*) { resolve(image, "IMAGE::writeimagepng"); return PICTURE_WRITEFAIL; }
int writeimage(PIMAGE image, const char*) { resolve(image, "IMAGE::writeimage"); return PICTURE_WRITEFAIL; }
int encodeimagejpeg(PIMAGE image, int, std::vector<uint8_t>*) { resolve(image, "IMAGE::writeimagejpeg"); return PICTURE_WRITEFAIL; }

}  // namespace wf::draw
