// The registry of embedded resource tables (see resource_table.h).
#include "platform/resource_table.h"

#include <mutex>
#include <vector>

namespace wf::platform {
namespace {

struct Registry {
  std::mutex lock;
  std::vector<const EmbeddedResource*> entries;
};

// Built on first use: tables register from static initialisers in any order.
Registry& registry() {
  static Registry r;
  return r;
}

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

int register_resources(const EmbeddedResource* table, size_t count) {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  for (size_t i = 0; i < count; ++i) r.entries.push_back(&table[i]);
  return 0;
}

int find_resource(std::string_view type, std::string_view name, const uint8_t** data,
                  size_t* size) {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  for (const EmbeddedResource* e : r.entries) {
    if (same_letters(e->type, type) && same_letters(e->name, name)) {
      *data = e->begin;
      *size = static_cast<size_t>(e->end - e->begin);
      return 0;
    }
  }
  return -1;
}

}  // namespace wf::platform
