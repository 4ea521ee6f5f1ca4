// The skin pictures a case widget draws (armor buttons and their tooltips, the title bar
// and resize grip of each skin, the map sign marks, the pin mark), looked up by name.
//
// Pictures are loaded from the program's embedded "IMGS" resources on first use and kept
// until release_case_pictures(). A picture that is not there stays a 1 x 1 black image,
// which every keyed copy treats as transparent, so a missing picture simply draws nothing.
#pragma once
#include "draw/graphics.h"

namespace wf::cases {

// The picture of that name (never nullptr once the drawing layer is up).
draw::PIMAGE case_picture(const char* name);
// Whether the picture of that name was found (not the 1 x 1 stand-in).
bool case_picture_found(const char* name);
// The pin mark drawn on pinned cases (24 x 24; transparent until one is installed).
draw::PIMAGE pin_mark();
// Installs a pin mark picture (the desk passes the one it downloaded); it is copied.
void set_pin_mark(draw::PIMAGE source);
// Drops every loaded picture (desk teardown, tests between initgraph sessions).
void release_case_pictures();

}  // namespace wf::cases
