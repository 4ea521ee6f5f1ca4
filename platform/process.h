// Processes: counting running programs by their image name (from /proc), starting a program
// with an empty command line (posix_spawn) and waiting for it.
#pragma once
#include <sys/types.h>

namespace wf::platform {

// How many running processes have exactly this image name (case-sensitive). The image name
// is the file name the process was started from, without its folder. Processes that have
// already ended (zombies) do not count. 0 when the process list cannot be read.
int process_count(const char* image_name);

// Process start results.
inline constexpr int kSpawnFailed = -1;  // the program is missing or cannot be started
inline constexpr int kWaitFailed = -2;   // the process could not be waited for

// Starts the program at this native path with an empty command line (argv[0] only) and the
// current environment; no descriptor beyond stdin, stdout and stderr is passed on.
// Returns 0 and stores the process id, or kSpawnFailed.
int start_process(const char* native_path, pid_t* pid);
// Waits without limit for the process to end: its exit code (128 + signal when a signal
// ended it), or kWaitFailed.
int wait_process(pid_t pid);
// start_process, then wait_process: the exit code, kSpawnFailed or kWaitFailed.
int run_process(const char* native_path);

}  // namespace wf::platform
