// Facts of the headless window that tests set: the work area, whether the window is in the
// foreground, and keys released without a key-up message.
#pragma once

namespace wf::platform {

inline constexpr int HEADLESS_WORKAREA_WIDTH = 1920;
inline constexpr int HEADLESS_WORKAREA_HEIGHT = 1040;

void headless_set_work_area(int width, int height);
void headless_set_foreground(bool foreground);
// The platform's own view of a key (what key_held reports), separate from the messages.
void headless_set_key_held(int vk, bool held);

}  // namespace wf::platform
