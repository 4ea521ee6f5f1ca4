// Stored paths and native paths.
//
// Records, formats and the wire keep paths the way every machine of an account shares them:
// relative to the program folder, with backslashes (".\\account\\local\\log"). Only at the
// file-system boundary does a stored path become a native one, through native_path().
#pragma once
#include <string>
#include <string_view>

namespace wf::platform {

// The folder that holds the running program file (from /proc/self/exe), without a trailing
// slash. Tests may point it elsewhere with set_program_folder.
const std::string& program_folder();
void set_program_folder(const std::string& folder);

// A stored path as a native one: backslashes become slashes; a relative path (".\\x", "x")
// is taken relative to the program folder; an absolute native path stays as it is.
std::string native_path(std::string_view stored);

// Creates one folder (not its parents) for a stored path; an existing folder is success.
// Returns 0 or -1.
int make_folder(std::string_view stored);

}  // namespace wf::platform
