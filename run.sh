#!/usr/bin/env bash
# Builds the program and starts it. With no arguments it runs on the built-in
# simulated panel; arguments are passed to the program (for example --port /dev/ttyUSB0).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/install-packages.sh
kvr_install_packages
kvr_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Start it from a desktop session, or under a virtual one: xvfb-run ./run.sh" >&2
  exit 1
fi
[ $# -eq 0 ] && set -- --simulate
exec build/src/app/kvr-config "$@"
