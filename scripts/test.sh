#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test:
#   0. the formatting check (clang-format, as .clang-format says);
#   1. the whole suite, warnings as errors, under a virtual X display;
#   2. the geometry and model tests cross-built for arm64, run under qemu-user
#      (scripts/test-arm64.sh);
#   3. the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer;
#   4. the readers' fuzz targets (PLY, OBJ, STL, OFF), about 60 seconds in all.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/deps.sh
jobs="$(nproc)"
fuzz_seconds="${BRENVIK_FUZZ_SECONDS:-60}"

# GUI tests need an X server with OpenGL: Xvfb with Mesa's software renderer.
export QT_QPA_PLATFORM=xcb
export LIBGL_ALWAYS_SOFTWARE=1
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX +render -noreset")

run_suite() {
  local dir="$1"
  "${xvfb[@]}" ctest --test-dir "$dir" --output-on-failure --timeout 600
}

echo "== Formatting =="
scripts/check-format.sh
echo "Every tracked source is formatted."

echo "== Build and test =="
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENVIK_WERROR=ON
cmake --build build/test -j"$jobs"
run_suite build/test

echo "== Build for arm64 and test the model and geometry layers under qemu-user =="
scripts/test-arm64.sh

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRENVIK_WERROR=ON \
  -DBRENVIK_SANITIZE=ON -DBRENVIK_BENCH=OFF
cmake --build build/asan -j"$jobs"
# Leak checking stays on for the mesh code; the GUI tests run without it,
# because the system's OpenGL and font libraries keep caches until exit.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "${xvfb[@]}" ctest --test-dir build/asan --output-on-failure --timeout 900 -LE gui
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "${xvfb[@]}" ctest --test-dir build/asan --output-on-failure --timeout 900 -L gui

# The fuzzing time is shared among the readers' targets.
fuzz_formats=(ply obj stl off gltf threemf)
fuzz_each=$((fuzz_seconds / ${#fuzz_formats[@]}))
[ "$fuzz_each" -ge 1 ] || fuzz_each=1
echo "== Fuzz the readers, ${fuzz_each} s each =="
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRENVIK_WERROR=ON -DBRENVIK_FUZZ=ON -DBRENVIK_GUI=OFF -DBRENVIK_TESTS=OFF -DBRENVIK_BENCH=OFF
cmake --build build/fuzz -j"$jobs" --target fuzz_ply_reader fuzz_obj_reader fuzz_stl_reader fuzz_off_reader \
  fuzz_gltf_reader fuzz_threemf_reader
corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
for format in "${fuzz_formats[@]}"; do
  seeds=fuzz/seeds-$format
  [ "$format" != ply ] || seeds=fuzz/seeds
  mkdir -p "$corpus/$format"
  fuzz_log=build/fuzz/fuzz-$format.log
  if ! build/fuzz/fuzz/fuzz_${format}_reader -max_total_time="$fuzz_each" -dict=fuzz/$format.dict \
    -print_final_stats=1 "$corpus/$format" "$seeds" >"$fuzz_log" 2>&1; then
    tail -n 60 "$fuzz_log"
    echo "Fuzzing the $format reader found a fault; the whole log is in $fuzz_log." >&2
    exit 1
  fi
  echo "$format: $(grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$fuzz_log" | tr '\n' ' ')"
done
echo "Fuzzing finished without a crash."
