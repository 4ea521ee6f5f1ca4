// A stand-in for the main program in the instance test: it makes the main program's
// third-instance check and ends with 0 when refused; otherwise it stays running (as a first
// or second instance would) until it is stopped, and ends with 7. Once past the check it
// leaves a file "ready" beside itself.
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/names.h"
#include "shell/shell.h"

int main(int, char** argv) {
  if (wf::shell::too_many_instances(wf::names::kMainProgram)) return 0;
  std::string self = argv[0];
  std::ofstream(self.substr(0, self.rfind('/') + 1) + "ready") << "1";
  for (int i = 0; i < 600; ++i) usleep(50 * 1000);
  return 7;
}
