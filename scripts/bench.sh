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

# vemora-cli backup and the tool's compaction, each beside sqlite3's VACUUM INTO plus
# integrity_check of the copy, and the ratio of the two (goal: at most 1.3).
# VEMORA_BENCH_BACKUP_MB sets the size (default 500).
backup_bench() {
  cmake --build "$build" --parallel "$(nproc)" --target bench_backup vemora-cli
  local out
  out="$(mktemp)"
  "$build/bin/bench_backup" --benchmark_out="$out" --benchmark_out_format=csv
  # The CSV's header (after the run's context) names the columns; the ratio is a user counter.
  awk -F, '/^name,/ { for (i = 1; i <= NF; i++) column[$i] = i; next }
           /^"BM_CliBackupBesideVacuumInto/ {
             printf "vemora-cli backup / (VACUUM INTO + integrity_check): %.2fx (goal <= 1.3x)\n", $column["\"ratio\""] }
           /^"BM_CompactionBesideVacuumInto/ {
             printf "compaction / (VACUUM INTO + integrity_check): %.2fx (goal <= 1.3x)\n", $column["\"ratio\""]
             printf "  %.2f s: compacted at %.2f s, checked at %.2f s, written at %.2f s, replaced at %.2f s;" \
               " engine %.2f s\n", $column["real_time"], $column["\"compacted_s\""],
               $column["\"checked_s\""], $column["\"written_s\""], $column["\"replaced_s\""],
               $column["\"engine_s\""] }' "$out"
  rm -f "$out"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Median of 5 runs of the sqlite3 shell over the queries, output to /dev/null, in ms.
shell_median() {
  for _ in 1 2 3 4 5; do
    local start
    start=$(date +%s%N)
    sqlite3 "$1" <"$2" >/dev/null
    echo $(( ($(date +%s%N) - start) / 1000000 ))
  done | median
}

# The workspace on years of data (load, keystrokes, additions with their re-read), each measure
# beside its floor, medians of 5 runs. Sizes: BENCH_CONTACTS, BENCH_WORDS, BENCH_YEARS
# (defaults: 100,000 / 1,000,000 / 10).
workspace_bench() {
  cmake --build "$build" --parallel "$(nproc)" --target bench_workspace
  local data
  data="$(mktemp -d)"
  trap 'rm -rf "$data"' RETURN
  local program=("$build/bin/bench_workspace" "--data=$data"
    "--contacts=${BENCH_CONTACTS:-100000}" "--words=${BENCH_WORDS:-1000000}"
    "--years=${BENCH_YEARS:-10}")
  "${program[@]}" --generate-only
  echo "Data: ${BENCH_CONTACTS:-100000} contacts, ${BENCH_WORDS:-1000000} words," \
       "${BENCH_YEARS:-10} years of days; file $(du -m "$data/journey.mdb" | cut -f1) MB"

  # Two floors: the queries of every row the workspace shows, and only those it runs (it takes
  # the dictionary search list's words from the grid's rows).
  "${program[@]}" --print-queries >"$data/queries.sql"
  "${program[@]}" --print-queries=run >"$data/queries-run.sql"
  local shell_ms shell_run_ms
  shell_ms="$(shell_median "$data/journey.mdb" "$data/queries.sql")"
  shell_run_ms="$(shell_median "$data/journey.mdb" "$data/queries-run.sql")"

  if ! "${program[@]}" --benchmark_out="$data/result.json" --benchmark_out_format=json \
      >/dev/null 2>"$data/log"; then
    cat "$data/log" >&2
    return 1
  fi
  python3 - "$data/result.json" "$shell_ms" "$shell_run_ms" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
shell_ms, shell_run_ms = float(sys.argv[2]), float(sys.argv[3])
med = {b["run_name"]: b for b in runs if b.get("aggregate_name") == "median"}
def get(name, key="real_time"):
    return med[name][key]
def ratio(a, b):
    return f"{a / b:.1f}x" if b else "-"
rows = []
load = get("BM_WorkspaceLoad/iterations:1/repeats:5")
rows.append(("Workspace load", f"{load:.0f} ms",
             f"sqlite3 shell, SELECTs of the rows shown: {shell_ms:.0f} ms", ratio(load, shell_ms)))
rows.append(("Workspace load", f"{load:.0f} ms",
             f"sqlite3 shell, SELECTs it runs: {shell_run_ms:.0f} ms", ratio(load, shell_run_ms)))
rss = get("BM_WorkspaceLoad/iterations:1/repeats:5", "rss_added_mb")
raw = get("BM_WorkspaceLoad/iterations:1/repeats:5", "raw_rows_mb")
raw_run = get("BM_WorkspaceLoad/iterations:1/repeats:5", "raw_rows_run_mb")
rows.append(("Memory added by the load (RSS)", f"{rss:.0f} MB",
             f"raw rows shown: {raw:.0f} MB", ratio(rss, raw)))
rows.append(("Memory added by the load (RSS)", f"{rss:.0f} MB",
             f"raw rows of the SELECTs it runs: {raw_run:.0f} MB", ratio(rss, raw_run)))
def keys(label, name, floor):
    m, p = get(name, "median_ms"), get(name, "p99_ms")
    fm, fp = get(floor, "median_ms"), get(floor, "p99_ms")
    rows.append((label, f"{m:.3f} / {p:.3f} ms", f"indexed look-up {fm:.3f} / {fp:.3f} ms",
                 f"{ratio(m, fm)} / {ratio(p, fp)}"))
keys("Dictionary keystroke, median / p99", "BM_DictionaryKeystroke/iterations:1/repeats:5",
     "BM_DictionaryLookup/iterations:1/repeats:5")
for i, field in enumerate(["name", "last_name", "email", "phone_num"]):
    keys(f"Address-book keystroke, {field}", f"BM_ContactKeystroke/{i}/iterations:1/repeats:5",
         "BM_ContactLookup/iterations:1/repeats:5")
def add(label, name, floor):
    a, f = get(name), get(floor)
    rows.append((label, f"{a:.1f} ms", f"insert alone {f:.1f} ms", ratio(a, f)))
add("Add a contact, with the re-read", "BM_AddContact/iterations:1/repeats:5",
    "BM_InsertContact/iterations:1/repeats:5")
add("Add a word, with the re-read", "BM_AddWord/iterations:1/repeats:5",
    "BM_InsertWord/iterations:1/repeats:5")
print("| Measure | Now | Floor | Ratio |")
print("|---|---|---|---|")
for r in rows:
    print("| " + " | ".join(r) + " |")
PY
  [ "${VEMORA_BENCH_SERVER:-on}" = off ] || workspace_on_server "$data" "${program[@]}"
}

# The same data moved to a throwaway PostgreSQL cluster on this machine: the load and the
# keystrokes there, beside the file's (VEMORA_BENCH_SERVER=off leaves it out).
workspace_on_server() (
  local data="$1"
  shift
  local program=("$@")
  cmake --build "$build" --parallel "$(nproc)" --target vemora-cli
  local cluster url
  cluster="$("$root/scripts/pg-cluster.sh" start)"
  trap '"$root/scripts/pg-cluster.sh" stop "$cluster"' EXIT
  url="$("$root/scripts/pg-cluster.sh" url "$cluster")"
  "$build/bin/vemora-cli" migrate --to "$url" --database "$data/journey.mdb" >/dev/null
  mkdir -p "$data/server"
  printf '[database]\nurl=%s\n' "$url" >"$data/server/vemora.conf"
  program=("${program[@]/--data=$data/--data=$data/server}")
  if ! "${program[@]}" --benchmark_filter='Load|Keystroke' \
      --benchmark_out="$data/server.json" --benchmark_out_format=json >/dev/null 2>"$data/log"; then
    cat "$data/log" >&2
    return 1
  fi
  python3 - "$data/result.json" "$data/server.json" <<'PY'
import json, sys
def medians(path):
    runs = json.load(open(path))["benchmarks"]
    return {b["run_name"]: b for b in runs if b.get("aggregate_name") == "median"}
onfile, onserver = medians(sys.argv[1]), medians(sys.argv[2])
print()
print("| On a PostgreSQL server (same machine) | Server | File | Ratio |")
print("|---|---|---|---|")
load = "BM_WorkspaceLoad/iterations:1/repeats:5"
s, f = onserver[load]["real_time"], onfile[load]["real_time"]
print(f"| Workspace load | {s:.0f} ms | {f:.0f} ms | {s / f:.1f}x |")
names = [("Dictionary keystroke", "BM_DictionaryKeystroke/iterations:1/repeats:5")] + [
    (f"Address-book keystroke, {field}", f"BM_ContactKeystroke/{i}/iterations:1/repeats:5")
    for i, field in enumerate(["name", "last_name", "email", "phone_num"])]
for label, name in names:
    sm, sp = onserver[name]["median_ms"], onserver[name]["p99_ms"]
    fm, fp = onfile[name]["median_ms"], onfile[name]["p99_ms"]
    print(f"| {label}, median / p99 | {sm:.3f} / {sp:.3f} ms | {fm:.3f} / {fp:.3f} ms | - |")
PY
)

# Export and import of 100,000 contacts and of 10 years of diary, each beside the sqlite3
# shell's SELECT or INSERTs of the same rows (goal: each at most 2 s). Sizes: BENCH_CONTACTS,
# BENCH_YEARS.
transfer_bench() {
  cmake --build "$build" --parallel "$(nproc)" --target bench_transfer
  local out
  out="$(mktemp)"
  "$build/bin/bench_transfer" --benchmark_out="$out" --benchmark_out_format=csv >/dev/null
  awk -F, '/^name,/ { for (i = 1; i <= NF; i++) column[$i] = i; next }
           /^"BM_/ { name = $1; gsub(/"|\/iterations:3\/manual_time/, "", name)
             printf "%-22s %8.0f ms  (%6.0f records; sqlite3 shell %6.0f ms, %.1fx; goal <= 2000 ms)\n",
               name, $column["real_time"], $column["\"records\""],
               $column["\"floor_s\""] * 1000, $column["\"ratio\""] }' "$out"
  rm -f "$out"
}

case "${1:-all}" in
  backup) backup_bench ;;
  workspace) workspace_bench ;;
  transfer) transfer_bench ;;
  all) backup_bench; workspace_bench; transfer_bench ;;
  *) echo "usage: $0 [all|backup|workspace|transfer]" >&2; exit 1 ;;
esac
