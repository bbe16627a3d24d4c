#!/usr/bin/env bash
# Whole-process load times of brenvik-info against Debian's assimp
# (`assimp info FILE -r -s`) on the benchmarks' 1,000,000-vertex,
# 2,000,000-triangle grid as PLY, OBJ (with normals, as assimp exports it),
# binary STL and OFF: each a fresh process, the runs of all commands
# interleaved, the medians of wall-clock and CPU (user + system) seconds
# reported, with brenvik-info's peak resident set.
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

# wall-clock seconds, peak kilobytes and CPU seconds of one run of a command
run_once() {
  /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null 2>&1
  awk '{ printf "%s %s %.2f", $1, $2, $3 + $4 }' "$work/time"
}
for ((i = 0; i < runs; ++i)); do
  for f in "${files[@]}"; do
    echo "brenvik $f $(run_once "$info" "$work/$f")" >>"$work/results"
    echo "assimp $f $(run_once assimp info "$work/$f" -r -s)" >>"$work/results"
  done
done
printf '%-10s %5s %10s %10s %8s %12s %12s %8s %11s\n' file MB brenvik_s assimp_s speedup brenvik_cpu_s assimp_cpu_s speedup brenvik_MB
for f in "${files[@]}"; do
  mb=$(awk -v s="$(stat -c %s "$work/$f")" 'BEGIN { printf "%.0f", s / 1e6 }')
  column() { grep "^$1 $f " "$work/results" | awk -v c="$2" '{print $c}' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", a / b }'; }
  b=$(column brenvik 3)
  a=$(column assimp 3)
  bc=$(column brenvik 5)
  ac=$(column assimp 5)
  printf '%-10s %5s %10s %10s %8s %12s %12s %8s %11.0f\n' "$f" "$mb" "$b" "$a" "$(ratio "$a" "$b")" "$bc" "$ac" \
    "$(ratio "$ac" "$bc")" "$(($(column brenvik 4) / 1024))"
done
