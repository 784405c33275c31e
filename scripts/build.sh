#!/usr/bin/env bash
# Installs what is missing, configures and builds. Shared by run.sh and test.sh.
# The options are passed on every run, so a changed VEMORA_WERROR (or build type) always applies.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_BUILD_DIR:-$root/build}"

"$root/scripts/deps.sh"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE="${VEMORA_BUILD_TYPE:-Debug}" \
  -DVEMORA_WERROR="${VEMORA_WERROR:-OFF}" -DVEMORA_SANITIZE="${VEMORA_SANITIZE:-OFF}" \
  -DVEMORA_BENCH="${VEMORA_BENCH:-ON}" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
