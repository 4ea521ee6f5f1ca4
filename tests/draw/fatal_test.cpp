// The fatal paths: an image that was never created or was dropped, and an image made before
// initgraph, end the process with code -11 after printing their texts.
#include "draw_fixture.h"

namespace wf::draw::testing {
namespace {

constexpr int FATAL_STATUS = 245;  // -11 as the shell sees it

TEST(FatalTest, ImageBeforeInitgraph) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(newimage(4, 4), ::testing::ExitedWithCode(FATAL_STATUS),
              "At function 'newimage', construct PIMAGE before 'initgraph'\\?");
}

TEST(FatalTest, InvalidImages) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto dropped_then_used = [] {
    usebackend(BACKEND_HEADLESS);
    initgraph(8, 8);
    PIMAGE a = newimage(2, 2), b = newimage(2, 2);
    dropimage(b);
    putimage_transparent(a, b, 0, 0, 0);
  };
  EXPECT_EXIT(dropped_then_used(), ::testing::ExitedWithCode(FATAL_STATUS),
              "Fatal error: read/write at 0x.*At function 'IMAGE::putimage_transparent'");
  auto never_created = [] {
    usebackend(BACKEND_HEADLESS);
    initgraph(8, 8);
    static IMAGE* bogus = reinterpret_cast<IMAGE*>(0x1000);
    imagefilter_blurring(bogus, 240, 231);
  };
  EXPECT_EXIT(never_created(), ::testing::ExitedWithCode(FATAL_STATUS),
              "At function 'IMAGE::imagefilter_blurring'");
}

}  // namespace
}  // namespace wf::draw::testing
