#!/usr/bin/env bash
# Builds the program twice (as shipped, and with AddressSanitizer and
# UndefinedBehaviorSanitizer), runs every test of both builds, checks that the sources
# compile for Windows, then builds the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/install-packages.sh
kvr_install_packages

export QT_QPA_PLATFORM=offscreen
# The company log's tests run against a real PostgreSQL server of their own, stopped at exit.
source scripts/postgres-server.sh
kvr_start_postgres
# The printing tests print on a private CUPS server with PDF printers, stopped at exit too.
source scripts/cups-server.sh
kvr_start_cups

# The builds take the processors; the tests mostly wait on the line's pacing. So both builds
# come first, one after the other, and then both builds' tests run side by side, each one
# per processor, with the Windows check beneath them at the lowest priority, so that a
# test's program gets a processor the moment its reply wait ends. The tests that time the
# line to the millisecond run with no other test of their build beside them (SERIAL in
# tests/CMakeLists.txt). The benchmarks are built in build/ only: nothing here times them.
kvr_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
kvr_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKVR_SANITIZE=ON -DKVR_BENCHMARKS=OFF

# Every source of both programs compiles for Windows too (MinGW-w64, syntax only).
nice -n 19 scripts/check-windows.sh &
windows_check=$!
# Each line of the sanitizers' run says so, as the two runs' lines interleave.
(
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  ctest --test-dir build-sanitize --output-on-failure --timeout 600 -j "$(nproc)" 2>&1 |
    sed -u 's/^/[sanitizers] /'
) &
sanitized_tests=$!
failed=()
ctest --test-dir build --output-on-failure --timeout 300 -j "$(nproc)" || failed+=("tests")
wait "$sanitized_tests" || failed+=("tests under the sanitizers")
wait "$windows_check" || failed+=("Windows check")
if [ ${#failed[@]} -gt 0 ]; then
  echo "test.sh: failed: ${failed[*]}" >&2
  exit 1
fi

# The Debian package, from the build in build/.
packaging/check-deb.sh
