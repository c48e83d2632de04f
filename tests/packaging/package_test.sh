#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a scratch root and
# checks what it installs and what it asks for.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cd "$build"
cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/nuvo_*.deb)
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

same() { cmp -s "$1" "$2" || fail "$2 differs from $1"; }
[ "$(readlink "$root/usr/bin/nuvo")" = ../lib/nuvo/nuvo ] || fail "usr/bin/nuvo is not a link to ../lib/nuvo/nuvo"
[ -x "$root/usr/lib/nuvo/nuvo" ] || fail "usr/lib/nuvo/nuvo is not an executable"
same "$source/data/BOX.BMP" "$root/usr/lib/nuvo/BOX.BMP"
same "$build/docs/Paranormal_Nuvo.pdf" "$root/usr/lib/nuvo/Paranormal_Nuvo.pdf"
same "$source/data/udev/70-nuvo.rules" "$root/usr/lib/udev/rules.d/70-nuvo.rules"
same "$source/packaging/nuvo.desktop" "$root/usr/share/applications/nuvo.desktop"
same "$source/data/nuvo.svg" "$root/usr/share/icons/hicolor/scalable/apps/nuvo.svg"
same "$source/data/nuvo.png" "$root/usr/share/icons/hicolor/256x256/apps/nuvo.png"

# The unpacked program runs against the system's libraries.
[ "$("$root/usr/lib/nuvo/nuvo" --version)" = "nuvo $(dpkg-deb -f "$deb" Version)" ] ||
  fail "the installed program does not run"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6texttospeech6 libhidapi-hidraw0 libgstreamer1.0-0 \
               qt6-qpa-plugins qt6-speech-flite-plugin gstreamer1.0-plugins-good; do
  [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
    fail "Depends lacks $package: $depends"
done

[ "$failures" -eq 0 ] || exit 1
echo "package: every check passed"
