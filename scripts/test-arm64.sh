#!/usr/bin/env bash
# Cross-builds the geometry and model layers with their tests for arm64
# (Debian's g++-aarch64-linux-gnu, GoogleTest built from /usr/src/googletest)
# and runs the tests under qemu-user. Called by scripts/test.sh; runs alone
# too, once scripts/deps.sh has installed what it needs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

jobs="$(nproc)"
build=build/arm64
toolchain="$root/cmake/aarch64-linux-gnu.cmake"

# GoogleTest for arm64, built once from Debian's sources and installed into
# the build folder.
gtest_prefix="$root/$build/googletest-install"
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$gtest_prefix"
  cmake --build "$build/googletest" -j"$jobs"
  cmake --install "$build/googletest" >/dev/null
fi

cmake -S . -B "$build/brenvik" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENVIK_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" \
  -DBRENVIK_GUI=OFF -DBRENVIK_BENCH=OFF -DBRENVIK_SCENE_FORMATS=OFF
# Only the two layers' test programs (and what they link).
cmake --build "$build/brenvik" -j"$jobs" --target tests/geometry/all tests/model/all
ctest --test-dir "$build/brenvik" --output-on-failure --timeout 900 -j"$jobs" -L unit -R '^(geometry|model)_'
