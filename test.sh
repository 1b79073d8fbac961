#!/usr/bin/env bash
# Checks that the sources compile for Windows, builds the program and runs every test, then
# runs them again built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/install-packages.sh
kvr_install_packages

# Every source of both programs compiles for Windows too (MinGW-w64, syntax only).
scripts/check-windows.sh

export QT_QPA_PLATFORM=offscreen
# The company log's tests run against a real PostgreSQL server of their own, stopped at exit.
source scripts/postgres-server.sh
kvr_start_postgres
kvr_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure --timeout 300

kvr_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKVR_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 600

# The Debian package, from the build in build/.
packaging/check-deb.sh
