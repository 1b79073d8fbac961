#!/usr/bin/env bash
# Builds the Debian package in a scratch folder and checks it as Debian would: lintian
# finds no errors, the desktop entry is valid and its file type is the one that *.kcf
# files get, and the unpacked programs start without a display.
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
deb=$("$(dirname "$0")/make-deb.sh" "$scratch")

lintian --fail-on error "$deb"

dpkg-deb -f "$deb" Depends | grep -qw libqt6sql6-sqlite ||
  { echo "check-deb: the package does not depend on the SQLite driver plugin" >&2; exit 1; }

root=$scratch/root
dpkg-deb -x "$deb" "$root"
entry=$root/usr/share/applications/kvr-config.desktop
desktop-file-validate "$entry"
mime_type=$(sed -n 's/^MimeType=\([^;]*\);.*/\1/p' "$entry")
update-mime-database "$root/usr/share/mime" 2>/dev/null
grep -qxF "50:$mime_type:*.kcf" "$root/usr/share/mime/globs2" ||
  { echo "check-deb: *.kcf files are not of the desktop entry's type $mime_type" >&2; exit 1; }

for program in kvr-panel kvr-config; do
  env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --help >/dev/null
done
echo "check-deb: $(basename "$deb") is sound"
