// Temp folder on POSIX: mkdir with mode 0700, then lstat to make sure it is our own folder
// and not a link or another user's folder planted in a shared /tmp.
#include "platform/tempdir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/names.h"

namespace wf::platform {
namespace {

std::mutex g_lock;
std::string g_system_override;
std::string g_folder;  // empty until prepared

std::string system_temp_locked() {
  std::string base = g_system_override;
  if (base.empty()) {
    const char* env = std::getenv("TMPDIR");
    base = (env && *env == '/') ? env : "/tmp";
  }
  if (base.back() != '/') base += '/';
  return base;
}

bool own_folder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

}  // namespace

int prepare_temp_folder() {
  std::lock_guard<std::mutex> hold(g_lock);
  std::string base = system_temp_locked();
  std::string first = base + names::kTempFolder;
  if (own_folder(first)) {
    g_folder = first + '/';
    return 0;
  }
  std::string second = first + '-' + std::to_string(::geteuid());
  if (own_folder(second)) {
    g_folder = second + '/';
    return 0;
  }
  g_folder = base;
  return -1;
}

std::string temp_folder() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_folder.empty() ? system_temp_locked() : g_folder;
}

void set_system_temp_folder(const std::string& folder) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_system_override = folder;
  g_folder.clear();
}

}  // namespace wf::platform
