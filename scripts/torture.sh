#!/usr/bin/env bash
# The fault rehearsals at full size, then their figures: 1,000 kills during writes (five batches
# of VEMORA_KILL_COUNT), VEMORA_TYPING_KILL_COUNT kills while typing into the diary,
# VEMORA_HOSTILE_COUNT hostile values per box, every full-disk and
# failed-sync point of every write, and each fuzz target for FUZZ_SECONDS.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_BUILD_DIR:-$root/build}"

"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
export VEMORA_KILL_COUNT="${VEMORA_KILL_COUNT:-200}" VEMORA_HOSTILE_COUNT="${VEMORA_HOSTILE_COUNT:-1000}"
export VEMORA_TYPING_KILL_COUNT="${VEMORA_TYPING_KILL_COUNT:-200}"
log="$build/torture.log"
"$build/bin/test_faults" 2>/dev/null >"$log" || { grep -E 'Failure|FAILED' -A3 "$log"; exit 1; }
grep -E '^hostile ' "$log"
awk '/^kills / { gsub(",", ""); k += $2; d += $6; c += $9; l += $12; h += $15 }
     END { printf "kills %d, writes reported done %d, corrupt files %d, lost writes %d, half-made changes %d\n", k, d, c, l, h }' "$log"
grep -E '^reported done by path' "$log"
grep -E '^typing kills' "$log"
grep -E '^disk ' "$log"

FUZZ_SECONDS="${FUZZ_SECONDS:-600}" "$root/scripts/fuzz.sh" 2>&1 | tee -a "$log" |
  grep -E '^fuzz_|stat::number_of_executed_units|ERROR'
