// Program folder and the one conversion from stored (backslash) paths to native paths.
#include "platform/paths.h"

#include <cerrno>
#include <climits>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace wf::platform {
namespace {

std::mutex g_folder_lock;
std::string g_folder;

std::string folder_of_executable() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

const std::string& program_folder() {
  std::lock_guard<std::mutex> hold(g_folder_lock);
  if (g_folder.empty()) g_folder = folder_of_executable();
  return g_folder;
}

void set_program_folder(const std::string& folder) {
  std::lock_guard<std::mutex> hold(g_folder_lock);
  g_folder = folder;
  while (g_folder.size() > 1 && g_folder.back() == '/') g_folder.pop_back();
}

std::string native_path(std::string_view stored) {
  std::string out(stored);
  for (char& c : out)
    if (c == '\\') c = '/';
  if (!out.empty() && out[0] == '/') return out;
  std::string_view rest(out);
  while (rest.size() >= 2 && rest[0] == '.' && rest[1] == '/') rest.remove_prefix(2);
  if (rest == ".") rest = {};
  std::string base = program_folder();
  if (rest.empty()) return base;
  if (base.back() != '/') base += '/';
  return base + std::string(rest);
}

int make_folder(std::string_view stored) {
  std::string path = native_path(stored);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return 0;
  return -1;
}

}  // namespace wf::platform
