#!/usr/bin/env bash
# Installs what is missing, builds the viewer and starts it in the samples
# folder, so the first Open dialog lists the bundled meshes.
#   scripts/run.sh              shows the bundled torus
#   scripts/run.sh FILE.ply     shows that file
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

# Files named relative to where the script was started from.
files=()
for arg in "$@"; do
  case "$arg" in
    -*) files+=("$arg") ;;
    *) files+=("$(realpath -m -- "$arg")") ;;
  esac
done
if [ ${#files[@]} -eq 0 ]; then
  files=("$root/samples/torus.ply")
fi

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
exec "$root/build/release/app/brenvik" "${files[@]}"
