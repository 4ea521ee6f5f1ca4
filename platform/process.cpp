// Process count from /proc/<pid>/stat (the kernel keeps the name the program was started
// under, cut to 15 bytes) with /proc/<pid>/cmdline for longer names; process start with
// posix_spawn.
#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

extern char** environ;

namespace wf::platform {
namespace {

constexpr size_t kCommMax = 15;  // the kernel's task name length without its terminator

// Reads a whole small /proc file; -1 when it cannot be read.
int read_small_file(const std::string& path, char* buf, size_t cap, size_t* len) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  size_t n = 0;
  while (n < cap) {
    ssize_t got = ::read(fd, buf + n, cap - n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    n += static_cast<size_t>(got);
  }
  ::close(fd);
  *len = n;
  return 0;
}

// Name and state of one process from its stat line "pid (name) S ...". -1 when unreadable.
int read_stat(const std::string& dir, std::string* name, char* state) {
  char buf[512];
  size_t len = 0;
  if (read_small_file(dir + "/stat", buf, sizeof buf, &len) != 0) return -1;
  std::string line(buf, len);
  size_t open = line.find('(');
  size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open ||
      close + 2 >= line.size())
    return -1;
  *name = line.substr(open + 1, close - open - 1);
  *state = line[close + 2];
  return 0;
}

// The file name (without folder) of argv[0]; empty when unreadable.
std::string argv0_name(const std::string& dir) {
  char buf[4096];
  size_t len = 0;
  if (read_small_file(dir + "/cmdline", buf, sizeof buf - 1, &len) != 0) return {};
  buf[len] = 0;
  std::string arg0(buf);
  size_t slash = arg0.rfind('/');
  return slash == std::string::npos ? arg0 : arg0.substr(slash + 1);
}

bool is_pid_name(const char* s) {
  if (!*s) return false;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

}  // namespace

int process_count(const char* image_name) {
  if (!image_name || !*image_name) return 0;
  DIR* proc = ::opendir("/proc");
  if (!proc) return 0;
  const size_t want_len = std::strlen(image_name);
  int count = 0;
  while (dirent* entry = ::readdir(proc)) {
    if (!is_pid_name(entry->d_name)) continue;
    std::string dir = std::string("/proc/") + entry->d_name;
    std::string name;
    char state = 0;
    if (read_stat(dir, &name, &state) != 0) continue;
    if (state == 'Z' || state == 'X') continue;
    if (want_len <= kCommMax) {
      if (name == image_name) ++count;
    } else if (name.size() == kCommMax && std::strncmp(name.c_str(), image_name, kCommMax) == 0 &&
               argv0_name(dir) == image_name) {
      ++count;
    }
  }
  ::closedir(proc);
  return count;
}

int start_process(const char* native_path, pid_t* pid) {
  if (!native_path || !*native_path || !pid) return kSpawnFailed;
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return kSpawnFailed;
  // Only the standard descriptors reach the new program.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  char* argv[] = {const_cast<char*>(native_path), nullptr};
  int rc = posix_spawn(pid, native_path, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? 0 : kSpawnFailed;
}

int wait_process(pid_t pid) {
  int status = 0;
  for (;;) {
    pid_t got = ::waitpid(pid, &status, 0);
    if (got == pid) break;
    if (got < 0 && errno == EINTR) continue;
    return kWaitFailed;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return kWaitFailed;
}

int run_process(const char* native_path) {
  pid_t pid = 0;
  if (start_process(native_path, &pid) != 0) return kSpawnFailed;
  return wait_process(pid);
}

}  // namespace wf::platform
