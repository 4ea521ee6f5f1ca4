// The main program's entry: everything happens in the shell's run_program. The process then
// ends without running static destructors: the drawing layer's window thread is still
// alive (the window is hidden, never destroyed), and every file has been written already.
#include <cstdio>
#include <cstdlib>

#include "shell/shell.h"

int main() {
  const int rc = wf::shell::run_program();
  std::fflush(nullptr);
  std::_Exit(rc);
}
