// Stamps, the data root and the stored-path rules of every object kind.
#include "store/stamp.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/paths.h"
#include "store/settings.h"

namespace wf::store {
namespace {

std::atomic<LocalTimeSource> g_time_source{nullptr};

// Folder (below the data root) and file extension of the date-bucketed kinds.
struct KindRule {
  uint16_t kind;
  const char* folder;
  const char* extension;
};

constexpr KindRule kDatedKinds[] = {
    {kKindObject, "1\\object\\", ".object"}, {kKindCase, "1\\pass\\", ".pass"},
    {kKindWho, "1\\who\\", ".who"},          {kKindWhere, "1\\where\\", ".where"},
    {kKindWhen, "1\\when\\", ".when"},       {kKindWhat, "1\\what\\", ".what"},
    {kKindWhy, "1\\why\\", ".why"},          {kKindResult, "1\\result\\", ".result"},
    {kKindPicture, "1\\jpg\\", ".jpg"},      {kKindFrame, "0\\frame\\", ".frame"},
};

constexpr char kFrameFolder[] = "0\\frame\\";
constexpr char kTimelineFolder[] = "0\\timeline\\";

const KindRule* dated_rule(uint16_t kind) {
  for (const KindRule& rule : kDatedKinds)
    if (rule.kind == kind) return &rule;
  return nullptr;
}

// Creates every folder of a stored path up to its last backslash.
int make_parent_folders(const std::string& path) {
  for (size_t i = 1; i < path.size(); ++i) {
    if (path[i] != '\\') continue;
    if (platform::make_folder(std::string_view(path).substr(0, i)) != 0) return -1;
  }
  return 0;
}

bool is_gbk_lead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

}  // namespace

std::string store_root() {
  std::string root = data_root();
  return root.empty() ? std::string(kLocalDataRoot) : root;
}

void set_local_time_source(LocalTimeSource source) { g_time_source.store(source); }

void local_time_now(std::tm* out) {
  if (LocalTimeSource source = g_time_source.load()) {
    source(out);
    return;
  }
  std::time_t now = std::time(nullptr);
  localtime_r(&now, out);
}

Stamp new_stamp(uint16_t kind) {
  std::tm t{};
  local_time_now(&t);
  Stamp s{};
  s.kind = kind;
  s.second = static_cast<uint8_t>(t.tm_sec > 59 ? 59 : t.tm_sec);
  s.serial = 0;
  s.year = static_cast<uint16_t>(t.tm_year + 1900);
  s.month = static_cast<uint8_t>(t.tm_mon + 1);
  s.day = static_cast<uint8_t>(t.tm_mday);
  s.hour = static_cast<uint8_t>(t.tm_hour);
  s.minute = static_cast<uint8_t>(t.tm_min);
  return s;
}

bool same_object(const Stamp& a, const Stamp& b) {
  return a.kind == b.kind && a.serial == b.serial && a.year == b.year && a.month == b.month &&
         a.day == b.day && a.hour == b.hour && a.minute == b.minute && a.second == b.second;
}

std::string object_path(uint16_t kind, const Stamp& s) {
  const uint16_t base = kind == kKindTimePoint ? kind : static_cast<uint16_t>(kind & ~kKindRemoved);
  char name[96];
  std::string root = store_root();
  if (base == kKindDir) {
    std::snprintf(name, sizeof name, "%s%04u_%02u_%02u_%02u%02u%02u_%08X", kFrameFolder,
                  unsigned{s.year}, unsigned{s.month}, unsigned{s.day}, unsigned{s.hour},
                  unsigned{s.minute}, unsigned{s.second}, unsigned{s.serial});
    return root + name;
  }
  if (base == kKindTimeline) {
    std::snprintf(name, sizeof name, "%s%04u\\%02u.timeline", kTimelineFolder,
                  unsigned{s.year}, unsigned{s.month});
    return root + name;
  }
  const KindRule* rule = dated_rule(base);
  if (!rule) return {};
  std::snprintf(name, sizeof name, "%s%04u\\%02u\\%02u\\%02u_%02u_%02u_%08X%s", rule->folder,
                unsigned{s.year}, unsigned{s.month}, unsigned{s.day}, unsigned{s.hour},
                unsigned{s.minute}, unsigned{s.second}, unsigned{s.serial}, rule->extension);
  return root + name;
}

int object_folders(const Stamp& s) {
  std::string path = object_path(s);
  if (path.empty()) return -1;
  return make_parent_folders(path);
}

size_t copy_text(char* field, size_t cap, const char* text) {
  if (cap == 0) return 0;
  size_t n = 0;
  if (text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (p[n] != 0) {
      size_t step = (is_gbk_lead(p[n]) && p[n + 1] != 0) ? 2 : 1;
      if (n + step > cap - 1) break;
      n += step;
    }
    std::memcpy(field, text, n);
  }
  std::memset(field + n, 0, cap - n);
  return n;
}

size_t field_length(const char* field, size_t cap) {
  const void* end = std::memchr(field, 0, cap);
  return end ? static_cast<size_t>(static_cast<const char*>(end) - field) : cap;
}

}  // namespace wf::store
