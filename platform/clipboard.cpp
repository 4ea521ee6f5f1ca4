// The in-process clipboard and the open/close protocol; the desktop exchange is in
// clipboard_x11.cpp.
#include "platform/clipboard.h"

#include <atomic>
#include <mutex>

#include "platform/clipboard_desktop.h"

namespace wf::platform {
namespace {

using detail::ClipContent;

std::mutex g_holder;           // held between clipboard_open and clipboard_close
std::mutex g_data_lock;        // guards g_content and g_open
ClipContent g_content;         // what the program put last
ClipContent g_session;         // what this open session reads
bool g_open = false;
bool g_changed = false;        // something was put during this session
std::atomic<bool> g_unavailable{false};
std::atomic<bool> g_use_desktop{true};

bool valid_bitmap(const ClipBitmap& b) {
  if (b.width <= 0 || b.height <= 0 || b.stride <= 0) return false;
  if (b.bits_per_pixel != 24 && b.bits_per_pixel != 32) return false;
  uint64_t row = static_cast<uint64_t>(b.width) * (b.bits_per_pixel / 8);
  if (static_cast<uint64_t>(b.stride) < row) return false;
  return b.bits.size() >= static_cast<uint64_t>(b.stride) * static_cast<uint64_t>(b.height);
}

}  // namespace

int clipboard_open() {
  if (g_unavailable) return -1;
  if (!g_holder.try_lock()) return -1;
  ClipContent fetched;
  bool from_desktop = g_use_desktop && detail::desktop_fetch(&fetched);
  std::lock_guard<std::mutex> hold(g_data_lock);
  g_open = true;
  g_changed = false;
  g_session = from_desktop ? std::move(fetched) : g_content;
  return 0;
}

void clipboard_close() {
  ClipContent publish;
  bool changed = false;
  {
    std::lock_guard<std::mutex> hold(g_data_lock);
    if (!g_open) return;
    g_open = false;
    if (g_changed) {
      g_content = g_session;
      publish = g_content;
      changed = true;
    }
    g_session = ClipContent{};
  }
  if (changed && g_use_desktop) detail::desktop_publish(publish);
  g_holder.unlock();
}

int clipboard_empty() {
  std::lock_guard<std::mutex> hold(g_data_lock);
  if (!g_open) return -1;
  g_session = ClipContent{};
  g_changed = true;
  return 0;
}

int clipboard_put_text(const std::string& gbk) {
  std::lock_guard<std::mutex> hold(g_data_lock);
  if (!g_open) return -1;
  g_session.has_text = true;
  g_session.text = gbk;
  g_changed = true;
  return 0;
}

int clipboard_put_bitmap(const ClipBitmap& bitmap) {
  std::lock_guard<std::mutex> hold(g_data_lock);
  if (!g_open || !valid_bitmap(bitmap)) return -1;
  g_session.has_bitmap = true;
  g_session.bitmap = bitmap;
  g_changed = true;
  return 0;
}

int clipboard_put_files(const std::vector<std::string>& native_paths, int32_t drop_effect) {
  std::lock_guard<std::mutex> hold(g_data_lock);
  if (!g_open) return -1;
  g_session.has_files = true;
  g_session.files = native_paths;
  g_session.has_drop_effect = drop_effect >= 0;
  g_session.drop_effect = drop_effect >= 0 ? drop_effect : 0;
  g_changed = true;
  return 0;
}

int clipboard_get_text(std::string* gbk) {
  std::lock_guard<std::mutex> hold(g_data_lock);
  if (!g_open || !g_session.has_text) return -1;
  *gbk = g_session.text;
  return 0;
}

int clipboard_get_bitmap(ClipBitmap* bitmap) {
  std::lock_guard<std::mutex> hold(g_data_lock);
  if (!g_open || !g_session.has_bitmap) return -1;
  *bitmap = g_session.bitmap;
  return 0;
}

int clipboard_get_files(std::vector<std::string>* native_paths) {
  std::lock_guard<std::mutex> hold(g_data_lock);
  if (!g_open || !g_session.has_files) return -1;
  *native_paths = g_session.files;
  return 0;
}

int clipboard_get_drop_effect(int32_t* effect) {
  std::lock_guard<std::mutex> hold(g_data_lock);
  if (!g_open || !g_session.has_drop_effect) return -1;
  *effect = g_session.drop_effect;
  return 0;
}

void clipboard_set_unavailable(bool unavailable) { g_unavailable = unavailable; }
void clipboard_use_desktop(bool use) { g_use_desktop = use; }

}  // namespace wf::platform
