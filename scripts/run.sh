#!/usr/bin/env bash
# Installs, builds and starts the organizer. The build delivers build/bin/journey.mdb once;
# later builds never replace it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_BUILD_DIR:-$root/build}"

"$root/scripts/build.sh"
bin="$build/bin"
[ -f "$bin/journey.mdb" ] || "$bin/vemora_makedb" "$bin/journey.mdb"
exec "$bin/Vemora_Main" "$@"
