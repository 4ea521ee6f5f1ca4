// The desktop clipboard exchange. Filled in with the X11 selection client; until then the
// program keeps to its in-process clipboard.
#include "platform/clipboard_desktop.h"

namespace wf::platform::detail {

bool desktop_publish(const ClipContent&) { return false; }
bool desktop_fetch(ClipContent*) { return false; }

}  // namespace wf::platform::detail
