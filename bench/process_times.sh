#!/usr/bin/env bash
# Whole-process load times of brenvik-info against Debian's assimp
# (`assimp info FILE -r -s`) on the benchmarks' 1,000,000-vertex,
# 2,000,000-triangle grid as PLY, OBJ (with normals, as assimp exports it),
# binary STL and OFF: each a fresh process, the runs of all commands
# interleaved, the median reported, with each program's peak resident set.
#   bench/process_times.sh BUILD_DIR [RUNS]
# BUILD_DIR holds tools/brenvik-info and bench/bench_load (built with
# -DCMAKE_BUILD_TYPE=Release). Needs assimp-utils; the inputs go into a
# temporary folder that is removed at the end.
set -euo pipefail
build="${1:?usage: bench/process_times.sh BUILD_DIR [RUNS]}"
runs="${2:-7}"
info="$build/tools/brenvik-info"
command -v assimp >/dev/null || { echo "assimp (assimp-utils) is not installed" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_load" --write-inputs "$work"
files=(grid.ply grid.obj grid.stl grid.off)

# seconds and peak kilobytes of one run of a command
run_once() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
  cat "$work/time"
}
for ((i = 0; i < runs; ++i)); do
  for f in "${files[@]}"; do
    echo "brenvik $f $(run_once "$info" "$work/$f")" >>"$work/results"
    echo "assimp $f $(run_once assimp info "$work/$f" -r -s)" >>"$work/results"
  done
done
printf '%-10s %9s %12s %12s %10s %12s\n' file MB brenvik_s assimp_s speedup brenvik_MB
for f in "${files[@]}"; do
  mb=$(awk -v s="$(stat -c %s "$work/$f")" 'BEGIN { printf "%.0f", s / 1e6 }')
  median() { grep "^$1 $f " "$work/results" | awk '{print $3}' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
  peak() { grep "^$1 $f " "$work/results" | awk '{print $4}' | sort -n | awk '{a[NR]=$1} END {printf "%.0f", a[int((NR+1)/2)] / 1024}'; }
  b=$(median brenvik)
  a=$(median assimp)
  printf '%-10s %9s %12s %12s %10s %12s\n' "$f" "$mb" "$b" "$a" "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.1fx", a / b }')" "$(peak brenvik)"
done
