#!/usr/bin/env bash
# Builds the program and runs every test, checks that the sources compile for Windows, runs
# the tests again built with AddressSanitizer and UndefinedBehaviorSanitizer, then builds
# the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/install-packages.sh
kvr_install_packages

export QT_QPA_PLATFORM=offscreen
# The tests mostly wait on the line's pacing, so two run on each processor; those that time
# the line to the millisecond run alone (SERIAL in tests/CMakeLists.txt).
test_jobs=$(($(nproc) * 2))
# The company log's tests run against a real PostgreSQL server of their own, stopped at exit.
source scripts/postgres-server.sh
kvr_start_postgres
# The printing tests print on a private CUPS server with PDF printers, stopped at exit too.
source scripts/cups-server.sh
kvr_start_cups

kvr_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Every source of both programs compiles for Windows too (MinGW-w64, syntax only), checked
# on what the tests leave of the processors: at the lowest priority, so that a test's
# program gets a processor the moment its reply wait ends.
nice -n 19 scripts/check-windows.sh &
windows_check=$!
ctest --test-dir build --output-on-failure --timeout 300 -j "$test_jobs"
wait "$windows_check"

# The benchmarks are built and run from build/ only: nothing here times them. Built with the
# sanitizers, the programs are slow enough that with two tests per processor writes to the
# simulated panels were seen to fail: one per processor here.
kvr_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKVR_SANITIZE=ON -DKVR_BENCHMARKS=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 600 -j "$(nproc)"

# The Debian package, from the build in build/.
packaging/check-deb.sh
