// xdg-open through posix_spawnp; a detached thread waits for the opener so that it does not
// linger as a zombie.
#include "platform/open.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace wf::platform {

int open_with_desktop(const char* target) {
  if (!target || !*target) return -1;
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  char opener[] = "xdg-open";
  char* argv[] = {opener, const_cast<char*>(target), nullptr};
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, opener, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 0;
}

}  // namespace wf::platform
