#!/usr/bin/env bash
# Builds the .deb as `make package` does, unpacks it into a scratch root (dpkg-deb -x) and
# checks what a user gets: every file in its place, the desktop entry and AppStream
# validators, the computed dependencies, and programs that start and find their help pages
# where they were installed.
#
#   check-package.sh CPACK BUILD_DIR
set -euo pipefail
cpack="$1"
build="$2"

scratch=$(mktemp -d)
demo_pid=""
cleanup() {
  if [ -n "$demo_pid" ]; then kill "$demo_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if ! (cd "$build" && "$cpack" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1); then
  cat "$scratch/cpack.log" >&2
  fail "cpack could not build the package"
fi
debs=("$scratch"/out/brumble_*_*.deb)
[ -f "${debs[0]}" ] || fail "no brumble_*.deb in $scratch/out"
deb="${debs[0]}"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
root=$(realpath "$root")

for file in usr/bin/brumble usr/bin/brumble-demoworld \
  usr/share/applications/brumble.desktop \
  usr/share/metainfo/org.brumble.brumble.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/brumble.svg \
  usr/share/brumble/help/index.html usr/share/brumble/help/style.css \
  usr/share/man/man1/brumble.1.gz usr/share/man/man1/brumble-demoworld.1.gz \
  usr/share/doc/brumble/copyright usr/share/doc/brumble/changelog.gz; do
  [ -f "$root/$file" ] || fail "missing /$file"
done
for file in usr/share/man/man1/brumble.1.gz usr/share/doc/brumble/changelog.gz; do
  gzip -t "$root/$file" || fail "/$file is not a gzip file"
done
# Each icon is a PNG of its size (width and height are bytes 16-23 of the file).
for size in 16 22 24 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/brumble.png"
  [ -f "$png" ] || fail "missing icon $png"
  read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
  [ $(( (w1 << 24) | (w2 << 16) | (w3 << 8) | w4 )) -eq "$size" ] &&
    [ $(( (h1 << 24) | (h2 << 16) | (h3 << 8) | h4 )) -eq "$size" ] ||
    fail "$png is not ${size}x${size}"
done

# Dependencies worked out from the binary, plus what it loads at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libqt6widgets6 libqt6network6 libsqlite3-0 libcanberra0 qt6-qpa-plugins; do
  grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

entry="$root/usr/share/applications/brumble.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate"
grep -qx 'Icon=brumble' "$entry" || fail "the desktop entry has no Icon=brumble"
grep -qx 'MimeType=x-scheme-handler/telnet;' "$entry" || fail "the desktop entry lacks telnet:"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.brumble.brumble.metainfo.xml" ||
  fail "appstreamcli validate"

# The installed program starts, and reads its help pages from the install, not the sources.
version=$("$root/usr/bin/brumble" --version)
[ "$version" = "Brumble 3.0.0" ] || fail "--version printed: $version"
help=$(env -u XDG_DATA_DIRS "$root/usr/bin/brumble" --help)
grep -qxF "Help pages: $root/usr/share/brumble/help/index.html" <<<"$help" ||
  fail "the installed program does not find its help pages: $(tail -n 1 <<<"$help")"

# The demo world under its own name answers on a port of its own.
"$root/usr/bin/brumble-demoworld" --port 0 >"$scratch/demo.log" 2>&1 &
demo_pid=$!
for _ in $(seq 50); do
  grep -q '^demoworld listening on 127.0.0.1:' "$scratch/demo.log" && break
  sleep 0.1
done
grep -q '^demoworld listening on 127.0.0.1:' "$scratch/demo.log" ||
  fail "brumble-demoworld did not start: $(cat "$scratch/demo.log")"

echo "package checks passed"
