// Name-keyed cache of the skin pictures the case widgets draw; see case_art.h.
#include "cases/case_art.h"

#include <map>
#include <string>

namespace wf::cases {
namespace {

struct Entry {
  draw::PIMAGE image = nullptr;
  bool found = false;
};

std::map<std::string, Entry>& cache() {
  static std::map<std::string, Entry> pictures;
  return pictures;
}

draw::PIMAGE g_pin = nullptr;

Entry& entry(const char* name) {
  Entry& e = cache()[name];
  if (e.image == nullptr) {
    e.image = draw::newimage();
    e.found = draw::getimage(e.image, "IMGS", name) == 0;
  }
  return e;
}

}  // namespace

draw::PIMAGE case_picture(const char* name) { return entry(name).image; }

bool case_picture_found(const char* name) { return entry(name).found; }

draw::PIMAGE pin_mark() {
  if (g_pin == nullptr) g_pin = draw::newimage(24, 24);
  return g_pin;
}

void set_pin_mark(draw::PIMAGE source) {
  if (source == nullptr) return;
  draw::PIMAGE mark = pin_mark();
  draw::clearimage(mark);
  draw::putimage_keyblend(mark, source, 0, 0, 0, 239);
}

void release_case_pictures() {
  for (auto& [name, e] : cache()) draw::dropimage(e.image);
  cache().clear();
  draw::dropimage(g_pin);
  g_pin = nullptr;
}

}  // namespace wf::cases
