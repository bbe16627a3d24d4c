#!/usr/bin/env bash
# From pressing Return in the Open dialog to the model's pixels on the screen,
# timed from outside the program as a user sees it: a fresh brenvik on its own
# Xvfb with Mesa's software renderer, the benchmarks' 1,000,000-vertex grid
# typed into File > Open with xdotool, then looks at a 120 x 120 square in the
# middle of the view (bench/screen_probe, half a millisecond of a core each)
# every INTERVAL seconds until the dialog is off the screen and the square
# has turned to the lit model. A run's figure is the time of the first look
# that shows the model: it is late by at most INTERVAL (the look before it,
# printed beside it, did not show the model yet). With --big the file is
# the huge grid instead (20M triangles, 380 MB of binary PLY).
#   bench/open_to_picture.sh [--big] BUILD_DIR [RUNS] [INTERVAL]
# BUILD_DIR holds app/brenvik, bench/bench_load and bench/screen_probe
# (Release). Needs xvfb and xdotool (scripts/deps.sh).
set -euo pipefail
big=""
if [ "${1:-}" = "--big" ]; then
  big=1
  shift
fi
build="${1:?usage: bench/open_to_picture.sh [--big] BUILD_DIR [RUNS] [INTERVAL]}"
runs="${2:-5}"
interval="${3:-0.05}"
app="$build/app/brenvik"
probe="$build/bench/screen_probe"
work="$(mktemp -d)"
server=""
watcher=""
trap '[ -n "$watcher" ] && kill "$watcher" 2>/dev/null; [ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
if [ -n "$big" ]; then
  "$build/bench/bench_load" --write-big-grid "$work" >/dev/null 2>&1
  model="$work/big_grid.ply"
else
  "$build/bench/bench_load" --write-inputs "$work" >/dev/null 2>&1
  rm -f "$work"/grid.obj "$work"/grid.stl "$work"/grid.off "$work"/grid_le.ply
  model="$work/grid.ply"
fi
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 +extension GLX +render -noreset >/dev/null 2>&1 &
server=$!
export DISPLAY="$display" QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
# Settings of its own, so that the runs leave the user's recent files and
# last folder alone.
export XDG_CONFIG_HOME="$work/config"
sleep 1

now() { date +%s.%N; }
wait_for_window() { # name
  for _ in $(seq 1 100); do
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
    sleep 0.1
  done
  return 1
}
# Starts looking at the middle square, marking the looks after WINDOW has
# gone; the looks go to $work/looks.
watch() { # WINDOW
  : >"$work/looks"
  "$probe" $((cx - 60)) $((cy - 60)) 120 "$interval" "$1" >"$work/looks" &
  watcher=$!
  while [ ! -s "$work/looks" ]; do sleep 0.01; done
}
unwatch() {
  kill "$watcher" 2>/dev/null || true
  wait "$watcher" 2>/dev/null || true
  watcher=""
}

# A run that does not count (see below) is tried again, up to three times
# as many tries as runs in all.
counted=0
for ((i = 1; counted < runs && i <= 3 * runs; ++i)); do
  "$app" >/dev/null 2>&1 &
  pid=$!
  main=$(wait_for_window Brenvik)
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$main")"
  cx=$((X + WIDTH / 2))
  cy=$((Y + HEIGHT / 2))
  # The empty view's level, once the middle has stayed the same for six
  # looks (a fresh server may not have drawn the window yet).
  watch 0
  before=""
  for _ in $(seq 1 200); do
    sleep 0.05
    before=$(awk '{ l[NR] = $2 } END { if (NR < 6) exit; for (i = NR - 5; i < NR; ++i) if (l[i] != l[NR]) exit; print l[NR] }' "$work/looks")
    [ -n "$before" ] && break
  done
  unwatch
  [ -n "$before" ] || { echo "run $i: the view never settled" >&2; kill "$pid"; wait "$pid" 2>/dev/null; continue; }
  xdotool windowfocus "$main" 2>/dev/null || true
  xdotool key ctrl+o
  dialog=$(wait_for_window Open)
  sleep 0.5
  xdotool windowfocus "$dialog" 2>/dev/null || true
  xdotool type --delay 1 "$model"
  sleep 0.3
  # Every window the dialog shows must be gone.
  watch "$(xdotool search --onlyvisible --name Open 2>/dev/null | paste -sd, -)"
  start=$(now)
  xdotool key Return
  seen=""
  while [ -z "$seen" ]; do
    sleep 0.05
    # The first look with the dialog gone that shows the middle lit, and
    # the look before it. Where the dialog was, its pixels stay on the
    # screen until the window beneath draws itself again: a lit look counts
    # after a dark one, or when it is not the dialog's level (the first
    # look, taken before Return).
    seen=$(awk -v t="$start" -v b="$before" '
      NR == 1 { d = $2 }
      $1 <= t { next }
      $3 == 1 && $2 > b + 300 && (dark || $2 > d + 20 || $2 < d - 20) { printf "%s %s", $1, prev; exit }
      $3 == 1 && $2 < b + 100 { dark = 1 }
      { prev = $1 }' "$work/looks")
    # The file name's completion list can take the Return on a slow first
    # run: then the dialog stays, and the run does not count.
    if awk -v s="$(now)" -v t="$start" 'BEGIN { exit !(s - t > 3) }' \
      && ! awk -v t="$start" '$1 > t && $3 == 1 { found = 1 } END { exit !found }' "$work/looks"; then
      echo "run $i: the dialog did not close on Return; not counted" >&2
      break
    fi
    awk -v s="$(now)" -v t="$start" 'BEGIN { exit !(s - t > 30) }' && { echo "run $i: no picture in 30 s" >&2; break; }
  done
  unwatch
  if [ -n "$seen" ]; then
    counted=$((counted + 1))
    awk -v s="${seen% *}" -v p="${seen#* }" -v t="$start" -v i="$i" \
      'BEGIN { printf "run %d: %.2f s (not yet at %.2f s)\n", i, s - t, p - t }' | tee -a "$work/results"
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
sort -n -k3 "$work/results" | awk '{a[NR]=$3} END { if (NR) printf "median of %d runs: %.2f s\n", NR, a[int((NR+1)/2)] }'
