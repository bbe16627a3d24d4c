#!/bin/sh
# Runs the benchmarks that need a display (bench_draw, bench_open) under
# Xvfb with Mesa's software renderer, as the GUI tests run.
# Usage: bench/run_gui_benches.sh [build folder, default build/bench]
set -e
build=${1:-build/bench}
for bench in bench_draw bench_open; do
    QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1 \
        xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX +render -noreset" \
        "$build/bench/$bench"
done
