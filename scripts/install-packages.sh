#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when missing.
# Sourced by run.sh, test.sh and packaging/make-deb.sh.
kvr_packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgl-dev
              libqt6sql6-sqlite libqt6sql6-psql postgresql libcups2-dev
              cups cups-client printer-driver-cups-pdf
              fonts-dejavu-core fonts-liberation poppler-utils
              dpkg-dev file lintian desktop-file-utils shared-mime-info
              g++-mingw-w64-x86-64-posix)

kvr_install_packages() {
  local missing=()
  for p in "${kvr_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# Configures and builds into the given folder; extra arguments go to cmake.
kvr_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
}
