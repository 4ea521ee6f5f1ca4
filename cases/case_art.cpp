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

int g_live_widgets = 0;

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

void release_case_pictures() {
  for (auto& [name, e] : cache()) draw::dropimage(e.image);
  cache().clear();
}

void widget_created() { ++g_live_widgets; }

void widget_destroyed() {
  if (g_live_widgets > 0 && --g_live_widgets == 0) release_case_pictures();
}

}  // namespace wf::cases
