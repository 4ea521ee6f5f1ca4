// Stored paths become native ones relative to the program folder.
#include <gtest/gtest.h>

#include "platform/paths.h"

namespace wf::platform {
namespace {

TEST(NativePath, ConvertsStoredPaths) {
  set_program_folder("/opt/wf/");
  struct Case {
    const char* stored;
    const char* native;
  } cases[] = {
      {".\\account\\local\\log", "/opt/wf/account/local/log"},
      {"account\\table.cfg", "/opt/wf/account/table.cfg"},
      {"config.cfg", "/opt/wf/config.cfg"},
      {".\\", "/opt/wf"},
      {"/tmp/Wrenfield\\screen.s12", "/tmp/Wrenfield/screen.s12"},
  };
  for (const Case& c : cases) EXPECT_EQ(native_path(c.stored), c.native) << c.stored;
}

TEST(ProgramFolder, DefaultsToTheExecutablesFolder) {
  set_program_folder("");
  EXPECT_NE(program_folder().find("/tests"), std::string::npos) << program_folder();
}

}  // namespace
}  // namespace wf::platform
