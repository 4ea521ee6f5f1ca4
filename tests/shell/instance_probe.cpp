// A stand-in for the main program in the instance test: it makes the main program's
// third-instance check and ends with 0 when refused; otherwise it stays running (as a first
// or second instance would) until it is stopped, and ends with 7.
#include <unistd.h>

#include "platform/names.h"
#include "shell/shell.h"

int main() {
  if (wf::shell::too_many_instances(wf::names::kMainProgram)) return 0;
  for (int i = 0; i < 600; ++i) usleep(50 * 1000);
  return 7;
}
