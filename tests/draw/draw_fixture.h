// Shared fixture of the drawing-layer tests: the headless backend on the virtual clock,
// torn down after every test so each starts with a fresh window.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "draw/graphics.h"
#include "platform/clock.h"

namespace wf::draw::testing {

class Headless : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::use_virtual_clock(true);
    usebackend(BACKEND_HEADLESS);
    graphmode(GRAPH_MANUAL, 0, 0);
    initgraph(64, 48);
  }
  void TearDown() override {
    closegraph();
    platform::use_virtual_clock(false);
  }
};

// An image filled from a list of pixels (row by row).
inline PIMAGE image_of(int w, int h, const std::vector<uint32_t>& px) {
  PIMAGE im = newimage(w, h);
  uint32_t* b = imagebuffer(im);
  for (size_t i = 0; i < px.size() && i < size_t(w) * h; ++i) b[i] = px[i];
  return im;
}

inline std::vector<uint32_t> pixels_of(PIMAGE im) {
  const uint32_t* b = imagebuffer(im);
  return std::vector<uint32_t>(b, b + size_t(imagewidth(im)) * imageheight(im));
}

}  // namespace wf::draw::testing
