#!/bin/sh
# The main program starts on a virtual X server, shows its window and ends with 0 when the
# window is asked to close. Runs a copy of the program in a fresh program folder.
#   program_under_xvfb.sh <Wrenfield> <x11_close>
# Exit code 77 (skipped) when there is no virtual X server on this machine.
command -v xvfb-run >/dev/null 2>&1 || exit 77
command -v Xvfb >/dev/null 2>&1 || exit 77
dir=$(mktemp -d) || exit 1
cp "$1" "$dir/Wrenfield" || exit 1
xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
  "$0/Wrenfield" & pid=$!
  if ! "$1" $pid 30; then kill $pid; wait $pid; exit 3; fi
  wait $pid' "$dir" "$2"
rc=$?
[ -f "$dir/config.cfg" ] || rc=4
rm -rf "$dir"
exit $rc
