#!/usr/bin/env bash
# Installs, builds and runs every test on the offscreen platform; then the whole suite again,
# every test that goes through the organizer's database on a throwaway PostgreSQL cluster,
# stopped at the end. Each pass fails on a skip that tests/allowed-skips.txt does not allow.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_BUILD_DIR:-$root/build}"
run=""
[ "${VEMORA_SANITIZE:-OFF}" = ON ] && run="sanitized-"

"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 180 --label-exclude server \
  --output-junit "$build/Testing/local.xml"
"$root/scripts/check-skips.sh" "${run}local" "$build/Testing/local.xml"

cluster="$("$root/scripts/pg-cluster.sh" start)"
trap '"$root/scripts/pg-cluster.sh" stop "$cluster"' EXIT
# Interrupted, too: the EXIT trap runs only when the script exits by itself.
trap 'exit 130' INT TERM
VEMORA_TEST_PG_URL="$("$root/scripts/pg-cluster.sh" url "$cluster")" \
  ctest --output-on-failure --parallel "$(nproc)" --timeout 180 \
  --output-junit "$build/Testing/server.xml"
"$root/scripts/check-skips.sh" "${run}server" "$build/Testing/server.xml"
