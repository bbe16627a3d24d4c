#!/usr/bin/env bash
# Whole-process load times of brenvik-info against Debian's assimp
# (`assimp info FILE -r -s`) on the benchmarks' 1,000,000-vertex,
# 2,000,000-triangle grid as PLY, OBJ (with normals, as assimp exports it),
# binary STL, OFF, GLB, glTF with a base64 buffer and 3MF (deflated, as slicers write it): each a fresh process, the runs of all commands
# interleaved, the medians of wall-clock and CPU (user + system) seconds
# reported, with brenvik-info's peak resident set.
#   bench/process_times.sh BUILD_DIR [RUNS]
# The floor of each (bench/load_floor: read the file and fill the model's
# memory on two threads, nothing else) is timed beside them.
# BUILD_DIR holds tools/brenvik-info, bench/bench_load and bench/load_floor (built with
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
files=(grid.ply grid_le.ply grid.obj grid.stl grid.off grid.glb grid_b64.gltf grid.3mf)
floor="$build/bench/load_floor"
# The model's bytes: 1,000,000 vertices of 48, 2,000,000 faces of 64 and
# 6,000,000 corner addresses of 8.
model_bytes=224000000

# wall-clock seconds (to the millisecond), peak kilobytes and CPU seconds
# of one run of a command
run_once() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f "%M %U %S" -o "$work/time" "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  awk -v ns="$((end - start))" '{ printf "%.3f %s %.2f", ns / 1e9, $1, $2 + $3 }' "$work/time"
}
for ((i = 0; i < runs; ++i)); do
  for f in "${files[@]}"; do
    echo "brenvik $f $(run_once "$info" "$work/$f")" >>"$work/results"
    echo "assimp $f $(run_once assimp info "$work/$f" -r -s)" >>"$work/results"
    echo "floor $f $(run_once "$floor" "$work/$f" "$model_bytes")" >>"$work/results"
  done
done
printf '%-12s %5s %10s %10s %8s %12s %12s %8s %11s %8s %9s\n' file MB brenvik_s assimp_s speedup brenvik_cpu_s \
  assimp_cpu_s speedup brenvik_MB floor_s of_floor
for f in "${files[@]}"; do
  mb=$(awk -v s="$(stat -c %s "$work/$f")" 'BEGIN { printf "%.0f", s / 1e6 }')
  column() { grep "^$1 $f " "$work/results" | awk -v c="$2" '{print $c}' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", a / b }'; }
  b=$(column brenvik 3)
  a=$(column assimp 3)
  bc=$(column brenvik 5)
  ac=$(column assimp 5)
  fl=$(column floor 3)
  printf '%-12s %5s %10s %10s %8s %12s %12s %8s %11.0f %8s %9s\n' "$f" "$mb" "$b" "$a" "$(ratio "$a" "$b")" "$bc" "$ac" \
    "$(ratio "$ac" "$bc")" "$(($(column brenvik 4) / 1024))" "$fl" "$(awk -v a="$b" -v b="$fl" 'BEGIN { printf "%.2fx", a / b }')"
done
