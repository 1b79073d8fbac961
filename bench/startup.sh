#!/usr/bin/env bash
# Start-up benchmark: kvr-config against a bare Qt window, on an X display (a virtual
# one when none is set; the xvfb package provides it).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
cmake --build build --target startup_bench probed_window bare_window >/dev/null
bench=(build/bench/startup_bench build/bench/probed_window build/bench/bare_window "$runs")
if [ -n "${DISPLAY:-}" ]; then
  "${bench[@]}"
elif command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1024x768x24" "${bench[@]}"
else
  echo "no display and no xvfb-run: measuring on the offscreen platform" >&2
  QT_QPA_PLATFORM=offscreen "${bench[@]}"
fi
