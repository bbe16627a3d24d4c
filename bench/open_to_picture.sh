#!/usr/bin/env bash
# From pressing Return in the Open dialog to the model's pixels on the screen,
# timed from outside the program as a user sees it: a fresh brenvik on its own
# Xvfb with Mesa's software renderer, the benchmarks' 1,000,000-vertex grid
# typed into File > Open with xdotool, then screenshots of the root window
# (import) no more often than every 0.3 s until the middle of the view turns
# to the lit model. A screenshot is taken after the time it stands for, so a
# run's figure is at most 0.3 s plus one screenshot late.
#   bench/open_to_picture.sh BUILD_DIR [RUNS]
# BUILD_DIR holds app/brenvik and bench/bench_load (Release). Needs xvfb,
# xdotool and imagemagick (scripts/deps.sh).
set -euo pipefail
build="${1:?usage: bench/open_to_picture.sh BUILD_DIR [RUNS]}"
runs="${2:-5}"
app="$build/app/brenvik"
work="$(mktemp -d)"
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
"$build/bench/bench_load" --write-inputs "$work" >/dev/null 2>&1
rm -f "$work"/grid.obj "$work"/grid.stl "$work"/grid.off "$work"/grid_le.ply
model="$work/grid.ply"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 +extension GLX +render -noreset >/dev/null 2>&1 &
server=$!
export DISPLAY="$display" QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
# Settings of its own, so that the runs leave the user's recent files and
# last folder alone.
export XDG_CONFIG_HOME="$work/config"
sleep 1

now() { date +%s.%N; }
# Mean brightness (0..1) of a 120 x 120 square in the middle of the view.
middle() {
  import -window root "$work/shot.png" 2>/dev/null
  convert "$work/shot.png" -crop 120x120+$(($1 - 60))+$(($2 - 60)) -colorspace Gray -format '%[fx:mean]' info:
}
wait_for_window() { # name
  for _ in $(seq 1 100); do
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
    sleep 0.1
  done
  return 1
}

for ((i = 1; i <= runs; ++i)); do
  "$app" >/dev/null 2>&1 &
  pid=$!
  main=$(wait_for_window Brenvik)
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$main")"
  cx=$((X + WIDTH / 2))
  cy=$((Y + HEIGHT / 2))
  before=$(middle $cx $cy)
  xdotool windowfocus "$main" 2>/dev/null || true
  xdotool key ctrl+o
  dialog=$(wait_for_window Open)
  sleep 0.5
  xdotool windowfocus "$dialog" 2>/dev/null || true
  xdotool type --delay 1 "$model"
  sleep 0.3
  start=$(now)
  xdotool key Return
  seen=""
  while [ -z "$seen" ]; do
    shot=$(now)
    level=$(middle $cx $cy)
    # The dialog, light grey, may still cover the middle: it must be gone.
    dialogs=$( (xdotool search --onlyvisible --name Open 2>/dev/null || true) | wc -l)
    if [ "$dialogs" -eq 0 ] && awk -v a="$level" -v b="$before" 'BEGIN { exit !(a > b + 0.3) }'; then
      seen=$shot
    else
      awk -v s="$shot" -v n="$(now)" 'BEGIN { d = 0.3 - (n - s); if (d > 0) system("sleep " d) }'
    fi
    awk -v s="$shot" -v t="$start" 'BEGIN { exit !(s - t > 30) }' && { echo "run $i: no picture in 30 s" >&2; break; }
  done
  [ -n "$seen" ] && awk -v s="$seen" -v t="$start" -v i="$i" 'BEGIN { printf "run %d: %.2f s\n", i, s - t }' | tee -a "$work/results"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
sort -n -k3 "$work/results" | awk '{a[NR]=$3} END { if (NR) printf "median of %d runs: %.2f s\n", NR, a[int((NR+1)/2)] }'
