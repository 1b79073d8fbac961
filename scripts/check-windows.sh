#!/usr/bin/env bash
# Checks that every source of kvr-config, kvr-panel and their libraries compiles for Windows:
# MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix), syntax only, against the Qt headers
# installed for Linux, as no Qt for Windows can be installed here. Left out: the
# simulator's pseudo-terminal host and kvr-panel-sim (POSIX only) and the POSIX sides of
# src/system and of printing (CUPS). Qt's Linux headers need nothing extra: Qt tells the
# platform from the compiler's own _WIN32, and their configuration (qconfig.h) only says
# which Qt features were built, not which system.
#
# Most of the check went into parsing Qt's headers again for every source: the Qt headers
# that the sources include are precompiled once, with the same flags, and every source that
# includes a Qt header starts from them. Sources without Qt are checked as they stand.
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=x86_64-w64-mingw32-g++-posix
qt=/usr/include/x86_64-linux-gnu/qt6
flags=(-std=c++20 -Wall -Wextra -Werror -DUNICODE -D_UNICODE
       -DKVR_VERSION='"windows-check"' -Isrc -Isrc/window -Isrc/layout -isystem "$qt")
for module in QtCore QtGui QtWidgets QtPrintSupport QtSerialPort QtSql; do
    flags+=(-isystem "$qt/$module")
done

mapfile -t sources < <(find src -name '*.cpp' ! -path src/simulator/main.cpp \
                            ! -path src/simulator/pty_host.cpp ! -name '*_posix.cpp' | sort)
qt_include='^#include <Q[A-Za-z]+>'
mapfile -t qt_sources < <(grep -lE "$qt_include" "${sources[@]}")
mapfile -t plain_sources < <(grep -LE "$qt_include" "${sources[@]}")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
grep -hoE "$qt_include" "${qt_sources[@]}" | sort -u >"$scratch/qt_headers.h"
"$compiler" "${flags[@]}" -x c++-header "$scratch/qt_headers.h" -o "$scratch/qt_headers.h.gch"

echo "Windows check: ${#sources[@]} sources with $compiler"
check() { xargs -0 -r -P "$(nproc)" -n 1 "$compiler" "${flags[@]}" -fsyntax-only "$@"; }
printf '%s\0' "${qt_sources[@]}" | check -Winvalid-pch -include "$scratch/qt_headers.h"
[ ${#plain_sources[@]} -eq 0 ] || printf '%s\0' "${plain_sources[@]}" | check
