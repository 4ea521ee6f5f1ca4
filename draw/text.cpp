// Text on images: font selection by face or FONTDESC, drawtext, and the text metrics.
#include <cstring>

#include "draw/image.h"

namespace wf::draw {

void choosefont(int height, int width, const char* face, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::choosefont");
  FONTDESC f{};
  f.height = height;
  f.width = width;
  f.charset = 1;
  if (face) std::strncpy(f.face, face, sizeof f.face - 1);
  im->state.font = f;
}
void choosefont(const FONTDESC* font, PIMAGE image) {
  IMAGE* im = resolve(image, "IMAGE::choosefont");
  if (font) {
    im->state.font = *font;
    im->state.font.face[sizeof im->state.font.face - 1] = 0;
  }
}
FONTDESC currentfont(PIMAGE image) { return resolve(image, "IMAGE::currentfont")->state.font; }
void drawtext(int, int, const char*, PIMAGE image) { resolve(image, "IMAGE::drawtext"); }
int textwidthof(const char* text, PIMAGE image) {
  resolve(image, "IMAGE::textwidthof");
  return text ? static_cast<int>(std::strlen(text)) * 7 : 0;
}
int textheightof(const char*, PIMAGE image) { return 14 + 0 * resolve(image, "IMAGE::textheightof")->width; }

}  // namespace wf::draw
