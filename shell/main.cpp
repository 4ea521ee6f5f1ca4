// The main program's entry: everything happens in the shell's run_program.
#include "shell/shell.h"

int main() { return wf::shell::run_program(); }
