#!/usr/bin/env bash
# package_test.sh <build folder>: packs the build with `cpack -G DEB`, checks what the package
# holds, unpacks it into a scratch root (dpkg -x) and starts the organizer offscreen from there.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack"; }
deb="$(ls "$work"/out/vemora_*.deb)"

# Dependencies computed from the programs' libraries, besides the plugins named by hand.
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libqt6core6 libqt6widgets6 libqt6sql6 libsqlite3-0 libqt6sql6-sqlite libhunspell-1.7-0; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
dpkg-deb -f "$deb" Recommends | grep -q "hunspell-en-us" || fail "no dictionary recommended"

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/lib/vemora/Vemora_Main usr/lib/vemora/Vemora_Tools usr/lib/vemora/vemora-cli \
         usr/lib/vemora/help/help.htm usr/share/vemora/journey.mdb \
         usr/share/icons/hicolor/scalable/apps/vemora.svg \
         usr/lib/systemd/user/vemora-backup.service usr/lib/systemd/user/vemora-backup.timer; do
  [ -f "$root/$f" ] || fail "missing /$f"
done
for program in Vemora_Main Vemora_Tools vemora-cli; do
  [ "$(readlink -f "$root/usr/bin/$program")" = "$root/usr/lib/vemora/$program" ] ||
    fail "/usr/bin/$program does not start /usr/lib/vemora/$program"
done
# Shared by the computer's accounts, the database is not in the program directory.
[ ! -e "$root/usr/lib/vemora/journey.mdb" ] || fail "a database in /usr/lib/vemora"
for size in 16 22 24 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/vemora.png"
  file "$png" | grep -q "PNG image data, $size x $size" || fail "icon $size: $(file "$png")"
done
ls "$root"/usr/share/applications/vemora.desktop "$root"/usr/share/applications/vemora-tools.desktop >/dev/null
for entry in "$root"/usr/share/applications/*.desktop; do
  out="$(desktop-file-validate "$entry" 2>&1)" || fail "$entry: $out"
  [ -z "$out" ] || fail "$entry: $out"
  grep -qx 'Exec="/usr/lib/vemora/Vemora_[A-Za-z]*"' "$entry" || fail "$entry: $(grep Exec "$entry")"
done
grep -qx 'ExecStart=/usr/bin/vemora-cli .* backup --keep 14 .*' \
  "$root/usr/lib/systemd/user/vemora-backup.service" || fail "the backup service does not start vemora-cli"
[ ! -e "$root/usr/share/applications/vemora-cli.desktop" ] || fail "a menu entry for vemora-cli"
appstreamcli validate --no-net "$root"/usr/share/metainfo/org.kelvo.vemora.metainfo.xml >"$work/as.log" ||
  { cat "$work/as.log"; fail "metainfo"; }

# What the package's setup does, in the scratch root: the shared folder with the database.
data="$root/var/lib/vemora"
mkdir -p "$data"
cp "$root/usr/share/vemora/journey.mdb" "$data/"
chmod u+w "$data/journey.mdb"
VEMORA_DATA_DIR="$data" QT_QPA_PLATFORM=offscreen "$root/usr/bin/Vemora_Main" >"$work/run.log" 2>&1 &
pid=$!
# The organizer holds the lock beside the database once it has opened it.
for _ in $(seq 300); do
  [ -e "$data/journey.mdb.lock" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$work/run.log"; fail "the organizer ended at start"; }
  sleep 0.1
done
[ -e "$data/journey.mdb.lock" ] || { cat "$work/run.log"; fail "the organizer never opened the database"; }
kill -0 "$pid" 2>/dev/null || fail "the organizer ended"
# The console program finds the shared database and checks it.
VEMORA_DATA_DIR="$data" "$root/usr/bin/vemora-cli" check >"$work/check.log" 2>&1 ||
  { cat "$work/check.log"; fail "vemora-cli check"; }
echo "package $(basename "$deb") holds $(dpkg-deb -c "$deb" | wc -l) entries; organizer started"
