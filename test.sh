#!/usr/bin/env bash
# Builds the program twice (with AddressSanitizer and UndefinedBehaviorSanitizer, and as
# shipped), runs every test of both builds, checks that the sources compile for Windows,
# then builds the Debian package and checks it.
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

# The builds take the processors; the tests mostly wait on the line's pacing. So the build
# with the sanitizers comes first, and its tests run (one per processor: slowed by the
# sanitizers, two per processor were seen to fail) while the build as shipped is made
# beneath them at the lowest priority, so that a test's program gets a processor the moment
# its reply wait ends. Then that build's tests run, two per processor, with the Windows check
# beneath them. The tests that time the line to the millisecond run with no other test of
# their build beside them (SERIAL in tests/CMakeLists.txt). The benchmarks are built in
# build/ only: nothing here times them.
kvr_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKVR_SANITIZE=ON -DKVR_BENCHMARKS=OFF
# Its lines go to a log of their own, shown when it fails, so as not to cut into the tests'.
mkdir -p build
(
  renice -n 19 -p "$BASHPID" >/dev/null
  kvr_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo >build/build.log 2>&1 ||
    { cat build/build.log; exit 1; }
) &
build_as_shipped=$!
failed=()
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 600 -j "$(nproc)" ||
  failed+=("tests under the sanitizers")
wait "$build_as_shipped"

# Every source of both programs compiles for Windows too (MinGW-w64, syntax only).
nice -n 19 scripts/check-windows.sh &
windows_check=$!
ctest --test-dir build --output-on-failure --timeout 300 -j $(($(nproc) * 2)) || failed+=("tests")
wait "$windows_check" || failed+=("Windows check")
if [ ${#failed[@]} -gt 0 ]; then
  echo "test.sh: failed: ${failed[*]}" >&2
  exit 1
fi

# The Debian package, from the build in build/.
packaging/check-deb.sh
