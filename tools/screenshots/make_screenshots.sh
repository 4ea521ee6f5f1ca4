#!/usr/bin/env bash
# Screenshots of the desk: builds the program and the sample-board helper, fills a local
# account in a temporary program folder with posts, titles, a photo and a map in several
# case skins, then runs the program the way scripts/run does (under a virtual X server,
# 1920 x 1080) once per background theme and saves the screen as PNG.
#
# Usage: tools/screenshots/make_screenshots.sh [build folder] [output folder]
# Needs xvfb-run, xdotool, xwd and netpbm (xwdtopnm, pnmtopng).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
out=${2:-$build/screenshots}
[ -d "$build" ] || "$top/scripts/setup" "$build"
cmake --build "$build" -j2 --target Wrenfield desk_seed_board
mkdir -p "$out"
out=$(cd "$out" && pwd)

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$build/bin/Wrenfield" "$folder/"

# One run: seed, start, click a post so that it shows its armor strip, point at the map,
# wait for the frames to settle, grab the screen, close the program.
shoot() {
  local theme=$1 name=$2
  "$build/bin/desk_seed_board" "$folder" "$theme" >/dev/null
  (cd "$folder" && xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    set -u
    ./Wrenfield & pid=$!
    for i in $(seq 50); do
      xdotool search --name . >/dev/null 2>&1 && break
      sleep 0.2
    done
    sleep 2
    xdotool mousemove 310 200 click 1
    sleep 0.5
    xdotool mousemove 860 590
    sleep 1
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "'"$out/$name"'.png"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
  ')
  echo "screenshots: $out/$name.png"
}

shoot 0 desk_theme0_light
shoot 3 desk_theme3_dark
shoot 4 desk_theme4_blue
shoot 1 desk_theme1_sand
