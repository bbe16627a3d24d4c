#!/usr/bin/env bash
# Installs what is missing, builds the viewer and starts it in the samples
# folder, so the first Open dialog lists the bundled meshes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DBRENVIK_TESTS=OFF -DBRENVIK_BENCH=OFF >/dev/null
cmake --build build/release --target brenvik brenvik-info

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "brenvik: built, but there is no display to show the window on (DISPLAY is not set)." >&2
  echo "Start it from a desktop session, or try it headless with: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi

cd "$root/samples"
exec "$root/build/release/app/brenvik" "$@"
