#!/usr/bin/env bash
# Checks that every source of kvr-config, kvr-panel and their libraries compiles for Windows:
# MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix), syntax only, against the Qt headers
# installed for Linux, as no Qt for Windows can be installed here. Left out: the
# simulator's pseudo-terminal host and kvr-panel-sim (POSIX only) and the POSIX sides of
# src/system and of printing (CUPS). Qt's Linux headers need nothing extra: Qt tells the
# platform from the compiler's own _WIN32, and their configuration (qconfig.h) only says
# which Qt features were built, not which system.
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=x86_64-w64-mingw32-g++-posix
qt=/usr/include/x86_64-linux-gnu/qt6
flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Werror -DUNICODE -D_UNICODE
       -DKVR_VERSION='"windows-check"' -Isrc -Isrc/window -Isrc/layout -isystem "$qt")
for module in QtCore QtGui QtWidgets QtPrintSupport QtSerialPort QtSql; do
    flags+=(-isystem "$qt/$module")
done

mapfile -t sources < <(find src -name '*.cpp' ! -path src/simulator/main.cpp \
                            ! -path src/simulator/pty_host.cpp ! -name '*_posix.cpp' | sort)
echo "Windows check: ${#sources[@]} sources with $compiler"
printf '%s\0' "${sources[@]}" | xargs -0 -P "$(nproc)" -n 1 "$compiler" "${flags[@]}"
