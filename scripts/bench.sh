#!/usr/bin/env bash
# Builds the benchmarks in a Release build (build-bench/, or VEMORA_BENCH_BUILD_DIR) and runs
# them. Each benchmark is a function below; `scripts/bench.sh backup` runs only that one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_BENCH_BUILD_DIR:-$root/build-bench}"

"$root/scripts/deps.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEMORA_BENCH=ON \
  -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null

# vemora-cli backup beside sqlite3's VACUUM INTO plus integrity_check of the copy, and the
# ratio of the two (goal: at most 1.3). VEMORA_BENCH_BACKUP_MB sets the size (default 500).
backup_bench() {
  cmake --build "$build" --parallel "$(nproc)" --target bench_backup vemora-cli
  local out
  out="$(mktemp)"
  "$build/bin/bench_backup" --benchmark_out="$out" --benchmark_out_format=csv
  # The CSV's header (after the run's context) names the columns; the ratio is a user counter.
  awk -F, '/^name,/ { for (i = 1; i <= NF; i++) column[$i] = i; next }
           /^"BM_CliBackupBesideVacuumInto/ {
             printf "vemora-cli backup / (VACUUM INTO + integrity_check): %.2fx (goal <= 1.3x)\n", $column["\"ratio\""] }' "$out"
  rm -f "$out"
}

case "${1:-all}" in
  backup) backup_bench ;;
  all) backup_bench ;;
  *) echo "usage: $0 [all|backup]" >&2; exit 1 ;;
esac
