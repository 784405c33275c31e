#!/usr/bin/env bash
# Installs what is missing, configures once and builds. Shared by run.sh and test.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_BUILD_DIR:-$root/build}"

"$root/scripts/deps.sh"

if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVEMORA_WERROR="${VEMORA_WERROR:-OFF}" -DVEMORA_SANITIZE="${VEMORA_SANITIZE:-OFF}" \
    -DVEMORA_BENCH="${VEMORA_BENCH:-ON}" "${launcher[@]}"
fi
cmake --build "$build" --parallel "$(nproc)"
