#!/usr/bin/env bash
# The fault rehearsals at full size, then their figures: 1,000 kills during writes (five batches
# of VEMORA_KILL_COUNT), VEMORA_TYPING_KILL_COUNT kills while typing into the diary, 1,000
# power cuts (VEMORA_POWER_CUT_COUNT in each of the two modes), VEMORA_HOSTILE_COUNT hostile
# values per box, every full-disk and failed-sync point of every write, and each fuzz target
# for FUZZ_SECONDS.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_BUILD_DIR:-$root/build}"

"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
export VEMORA_KILL_COUNT="${VEMORA_KILL_COUNT:-200}" VEMORA_HOSTILE_COUNT="${VEMORA_HOSTILE_COUNT:-1000}"
export VEMORA_POWER_CUT_COUNT="${VEMORA_POWER_CUT_COUNT:-500}"
export VEMORA_TYPING_KILL_COUNT="${VEMORA_TYPING_KILL_COUNT:-200}"
log="$build/torture.log"
"$build/bin/test_faults" 2>/dev/null >"$log" || { grep -E 'Failure|FAILED' -A3 "$log"; exit 1; }
grep -E '^hostile ' "$log"
awk '/^kills / { gsub(",", ""); k += $2; d += $6; c += $9; l += $12; h += $15 }
     END { printf "kills %d, writes reported done %d, corrupt files %d, lost writes %d, half-made changes %d\n", k, d, c, l, h }' "$log"
grep -E '^reported done by path' "$log"
grep -E '^typing kills' "$log"
grep -E '^disk ' "$log"
grep -E '^power cuts ' "$log"
awk 'function after(label) { return substr($0, index($0, label) + length(label)) + 0 }
     /^power cuts / { n += after("power cuts "); w += after("within a write ")
       d += after("writes reported done "); t += after("tool writes reported done ")
       u += after("unsynced changes dropped "); c += after("corrupt files ")
       l += after("lost writes "); h += after("half-made changes ") }
     END { printf "power cuts %d (within a write %d), writes reported done %d (tool %d), unsynced changes dropped %d, corrupt files %d, lost writes %d, half-made changes %d\n", n, w, d, t, u, c, l, h }' "$log"

FUZZ_SECONDS="${FUZZ_SECONDS:-600}" "$root/scripts/fuzz.sh" 2>&1 | tee -a "$log" |
  grep -E '^fuzz_|stat::number_of_executed_units|ERROR'
