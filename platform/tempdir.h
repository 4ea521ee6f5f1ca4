// The program's temp folder: "Wrenfield/" inside the system temp folder. The clipboard
// functions keep their picture files there.
#pragma once
#include <string>

namespace wf::platform {

// Creates the temp folder (an existing one of ours is fine) and remembers it. The system
// temp folder is $TMPDIR, else /tmp. A "Wrenfield" entry there that is not a folder owned by
// this user (another user's folder, a symbolic link) is not used; the folder is then
// "Wrenfield-<uid>". Returns 0, or -1 when no folder could be made (temp_folder() then
// names the system temp folder itself).
int prepare_temp_folder();

// The native path of the temp folder with a trailing '/'. Before prepare_temp_folder() it is
// the system temp folder.
std::string temp_folder();

// Tests: take this folder as the system temp folder (empty: back to $TMPDIR or /tmp).
void set_system_temp_folder(const std::string& folder);

}  // namespace wf::platform
