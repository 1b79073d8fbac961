#!/usr/bin/env bash
# Builds the Debian package kvr-config_<version>_<arch>.deb from the RelWithDebInfo build
# in build/, into the given folder (build/ when none is given), and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build}")
source scripts/install-packages.sh
kvr_install_packages
kvr_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cpack -G DEB --config build/CPackConfig.cmake -B "$out" >&2
version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
echo "$out/kvr-config_${version}_$(dpkg --print-architecture).deb"
