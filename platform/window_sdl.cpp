// The real desktop window (being built; for now the headless window stands in).
#include "platform/window_backend.h"

namespace wf::platform {
std::unique_ptr<WindowBackend> make_sdl_window() { return make_headless_window(); }
}  // namespace wf::platform
