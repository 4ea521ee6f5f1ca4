// The skin pictures a case widget draws (armor buttons and their tooltips, the title bar
// and resize grip of each skin, the map sign marks, the pin mark), looked up by name.
//
// Pictures are loaded from the program's embedded "IMGS" resources on first use and kept
// while any widget lives: when the last widget is destroyed they are dropped with it (so no
// image outlives the drawing layer's window), and the next widget loads them again. A
// picture that is not there stays a 1 x 1 black image, which every keyed copy treats as
// transparent, so a missing picture simply draws nothing.
#pragma once
#include "draw/graphics.h"

namespace wf::cases {

// The picture of that name (never nullptr once the drawing layer is up).
draw::PIMAGE case_picture(const char* name);
// Whether the picture of that name was found (not the 1 x 1 stand-in).
bool case_picture_found(const char* name);
// Drops every loaded picture.
void release_case_pictures();
// Live widget count: a widget adds itself on creation and leaves on destruction; the last
// one to leave drops the pictures.
void widget_created();
void widget_destroyed();

}  // namespace wf::cases
