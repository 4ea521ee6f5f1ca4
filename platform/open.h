// The desktop's "open": hands a file, folder or link to the program the desktop associates
// with it (xdg-open), without waiting for it.
#pragma once

namespace wf::platform {

// Opens a native path or a URL with the desktop's default program. Returns 0 when the
// opener was started, -1 when the target is empty or the opener cannot be started.
// The opener runs on its own; it is reaped in the background.
int open_with_desktop(const char* target);

}  // namespace wf::platform
