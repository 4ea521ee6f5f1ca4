// The desktop side of the platform clipboard (internal to clipboard.cpp and
// clipboard_x11.cpp): publishing what the program put, and fetching what another program
// offers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clipboard.h"

namespace wf::platform::detail {

struct ClipContent {
  bool has_text = false;
  std::string text;  // GBK
  bool has_bitmap = false;
  ClipBitmap bitmap;
  bool has_files = false;
  std::vector<std::string> files;
  bool has_drop_effect = false;
  int32_t drop_effect = 0;
};

// Offers this content to other programs. false when there is no desktop clipboard.
bool desktop_publish(const ClipContent& content);
// Reads what another program offers into *out. false when there is no desktop clipboard,
// when the program itself owns it, or when nobody offers anything.
bool desktop_fetch(ClipContent* out);

}  // namespace wf::platform::detail
