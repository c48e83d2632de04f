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
same "$source/packaging/installed-copy.txt" "$root/usr/lib/nuvo/installed-copy.txt"
same "$build/docs/Paranormal_Nuvo.pdf" "$root/usr/lib/nuvo/Paranormal_Nuvo.pdf"
same "$source/data/udev/70-nuvo.rules" "$root/usr/lib/udev/rules.d/70-nuvo.rules"
same "$source/packaging/nuvo.desktop" "$root/usr/share/applications/nuvo.desktop"
same "$source/data/nuvo.svg" "$root/usr/share/icons/hicolor/scalable/apps/nuvo.svg"
same "$source/data/nuvo.png" "$root/usr/share/icons/hicolor/256x256/apps/nuvo.png"

same "$source/packaging/copyright" "$root/usr/share/doc/nuvo/copyright"
same "$source/README.md" "$root/usr/share/doc/nuvo/README.md"
[ "$(readlink "$root/usr/share/doc/nuvo/Paranormal_Nuvo.pdf")" = ../../../lib/nuvo/Paranormal_Nuvo.pdf ] ||
  fail "usr/share/doc/nuvo/Paranormal_Nuvo.pdf is not a link to the program's manual"
zcmp -s "$source/packaging/changelog" "$root/usr/share/doc/nuvo/changelog.gz" ||
  fail "usr/share/doc/nuvo/changelog.gz is not the changelog"
# Every option of the usage text is in the manual page.
man=$(zcat "$root/usr/share/man/man1/nuvo.1.gz")
for option in $("$root/usr/lib/nuvo/nuvo" --help | grep -Eo -- '^ +--[a-z-]+' | tr -d ' '); do
  grep -qF -- "[B]$option" <<<"$man" || fail "the manual page lacks $option"
done
metainfo=$root/usr/share/metainfo/io.github.nuvo.metainfo.xml
grep -q "<release version=\"$(dpkg-deb -f "$deb" Version)\" date=\"20[0-9][0-9]-[01][0-9]-[0-3][0-9]\"/>" \
  "$metainfo" || fail "the AppStream file names another release: $(grep '<release ' "$metainfo")"

# The Debian tools find nothing to warn about, where they are installed (scripts/test installs
# them).
if command -v lintian >/dev/null; then
  lintian --pedantic --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 ||
    fail "lintian: $(grep -E '^[EW]:' "$scratch/lintian.log")"
  cat "$scratch/lintian.log"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    fail "appstreamcli: $(cat "$scratch/appstream.log")"
fi

# The unpacked program runs against the system's libraries.
[ "$("$root/usr/lib/nuvo/nuvo" --version)" = "nuvo $(dpkg-deb -f "$deb" Version)" ] ||
  fail "the installed program does not run"

# Runs a program from PROGRAM_DIR as the current user (root in CI) with HOME=$scratch/home
# until a terminating signal closes it the way File > Exit does; the settings say the
# disclaimer was agreed to, so the main window opens and they are saved.
run_until_closed() {
  local home=$scratch/home
  rm -rf "$home" && mkdir -p "$home/.config/nuvo"
  printf '[NAG]\r\nNAGSCREEN= 3\r\n' >"$2"
  env -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen "$1/nuvo" --simulate \
      >"$scratch/run.log" 2>&1 &
  local pid=$!
  sleep 4
  kill -TERM "$pid"
  wait "$pid" || fail "the program ended with status $? on SIGTERM: $(cat "$scratch/run.log")"
}
# Installed: the settings live in the user's configuration folder, even for root, who may
# write beside the program.
run_until_closed "$root/usr/lib/nuvo" "$scratch/home/.config/nuvo/Nuvo.ini"
grep -q 'NAGSCREEN= 4' "$scratch/home/.config/nuvo/Nuvo.ini" ||
  fail "the installed program did not keep its settings in ~/.config/nuvo"
[ ! -e "$root/usr/lib/nuvo/Nuvo.ini" ] || fail "the installed program wrote usr/lib/nuvo/Nuvo.ini"
# The same program copied without the installation's marker (a USB stick) keeps its
# Nuvo.ini beside itself.
mkdir "$scratch/stick"
cp -a "$root/usr/lib/nuvo/." "$scratch/stick/" && rm "$scratch/stick/installed-copy.txt"
run_until_closed "$scratch/stick" "$scratch/stick/Nuvo.ini"
grep -q 'NAGSCREEN= 4' "$scratch/stick/Nuvo.ini" || fail "the portable copy did not keep Nuvo.ini beside itself"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libflite1 libhidapi-hidraw0 libgstreamer1.0-0 \
               qt6-qpa-plugins gstreamer1.0-plugins-good libqt6sql6-sqlite; do
  [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
    fail "Depends lacks $package: $depends"
done

[ "$failures" -eq 0 ] || exit 1
echo "package: every check passed"
