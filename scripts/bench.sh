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
  # The re-read's floor: the address book's query alone (the first).
  head -n 1 "$data/queries.sql" >"$data/contacts.sql"
  local shell_ms shell_run_ms shell_contacts_ms
  shell_ms="$(shell_median "$data/journey.mdb" "$data/queries.sql")"
  shell_run_ms="$(shell_median "$data/journey.mdb" "$data/queries-run.sql")"
  shell_contacts_ms="$(shell_median "$data/journey.mdb" "$data/contacts.sql")"

  if ! "${program[@]}" --benchmark_out="$data/result.json" --benchmark_out_format=json \
      >/dev/null 2>"$data/log"; then
    cat "$data/log" >&2
    return 1
  fi
  python3 - "$data/result.json" "$shell_ms" "$shell_run_ms" "$shell_contacts_ms" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
shell_ms, shell_run_ms = float(sys.argv[2]), float(sys.argv[3])
shell_contacts_ms = float(sys.argv[4])
med = {b["run_name"]: b for b in runs if b.get("aggregate_name") == "median"}
# The additions in the window run once each, their times as counters.
med.update({b["run_name"]: b for b in runs if b.get("run_type") == "iteration"})
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
# In the real window: from the key event or the click to the window repainted.
keys("Dictionary keystroke in the window (goal <= 2 / 5 ms)",
     "BM_DictionaryKeystrokeInWindow/iterations:1/repeats:5",
     "BM_DictionaryLookup/iterations:1/repeats:5")
keys("Address-book keystroke in the window, name (goal <= 2 / 5 ms)",
     "BM_ContactKeystrokeInWindow/iterations:1/repeats:5",
     "BM_ContactLookup/iterations:1/repeats:5")
for label, name in [("Dictionary", "BM_DictionaryKeystrokeInWindow/iterations:1/repeats:5"),
                    ("Address book", "BM_ContactKeystrokeInWindow/iterations:1/repeats:5")]:
    rows.append((f"{label} keystroke in the window, processor time",
                 f"{get(name, 'cpu_median_ms'):.3f} ms",
                 f"{get(name, 'paints_per_key'):.1f} paint events a key", "-"))
a = get("BM_AddContactInWindow/iterations:20", "median_ms")
f = get("BM_InsertContact/iterations:1/repeats:5")
rows.append(("Add a contact in the window (goal <= 50 ms)", f"{a:.1f} ms",
             f"insert alone {f:.1f} ms", ratio(a, f)))
foreign = "BM_AddContactAfterForeignWrite/iterations:10"
a, landed = get(foreign, "median_ms"), get(foreign, "reread_landed_ms")
rows.append(("Add a contact after another program's write (goal <= 100 ms)", f"{a:.1f} ms",
             f"sqlite3 re-read {shell_contacts_ms:.0f} ms", ratio(a, shell_contacts_ms)))
rows.append(("  every row read again, landed after the click", f"{landed:.0f} ms",
             f"sqlite3 re-read {shell_contacts_ms:.0f} ms", ratio(landed, shell_contacts_ms)))
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
  # Settled as a server is some minutes after a bulk load, when autovacuum has set the rows'
  # hint bits and taken statistics and a checkpoint has written them; not while it does so
  # beside the measures.
  psql -X -q -d "$url" -c "VACUUM (ANALYZE)" -c "CHECKPOINT"
  mkdir -p "$data/server"
  printf '[database]\nurl=%s\n' "$url" >"$data/server/vemora.conf"
  program=("${program[@]/--data=$data/--data=$data/server}")
  if ! "${program[@]}" --benchmark_filter='Load|Keystroke/' \
      --benchmark_out="$data/server.json" --benchmark_out_format=json >/dev/null 2>"$data/log"; then
    cat "$data/log" >&2
    return 1
  fi
  # The floor: psql running the same SELECTs, rows to /dev/null (unaligned, as they come).
  "${program[@]}" --print-queries=server >"$data/server-queries.sql"
  local psql_ms
  psql_ms="$(for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    psql -X -q -A -t -d "$url" -f "$data/server-queries.sql" >/dev/null
    echo $(( ($(date +%s%N) - start) / 1000000 ))
  done | median)"
  # The floor of the server's own work: the same SELECTs as COPY, in two fresh sessions at once
  # as the workspace reads them (the dictionary in one, the rest in the other), rows to
  # /dev/null as they come.
  sed -n '2p' "$data/server-queries.sql" | sed 's/;$//; s/.*/COPY (&) TO STDOUT;/' >"$data/copy-words.sql"
  sed '2d' "$data/server-queries.sql" | sed 's/;$//; s/.*/COPY (&) TO STDOUT;/' >"$data/copy-rest.sql"
  local copy_ms
  copy_ms="$(for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    psql -X -q -d "$url" -f "$data/copy-rest.sql" >/dev/null &
    psql -X -q -d "$url" -f "$data/copy-words.sql" >/dev/null
    wait
    echo $(( ($(date +%s%N) - start) / 1000000 ))
  done | median)"
  python3 - "$data/result.json" "$data/server.json" "$psql_ms" "$copy_ms" <<'PY'
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
print(f"| Workspace load (goal <= 1.5x) | {s:.0f} ms | {f:.0f} ms | {s / f:.2f}x |")
psql_ms = float(sys.argv[3])
print(f"| Floor: psql, the same SELECTs to /dev/null | {psql_ms:.0f} ms | - | "
      f"load {s / psql_ms:.2f}x the floor |")
copy_ms = float(sys.argv[4])
print(f"| Floor: psql, the same SELECTs as COPY in two sessions at once, to /dev/null | "
      f"{copy_ms:.0f} ms | {copy_ms / f:.2f}x the file's load | load {s / copy_ms:.2f}x the floor |")
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
# shell's SELECT or INSERTs of the same rows (goal: each at most 2 s), and the import of the
# contacts from a Google Contacts CSV beside our own CSV's (goal: at most 1.3x). Sizes:
# BENCH_CONTACTS, BENCH_YEARS.
transfer_bench() {
  cmake --build "$build" --parallel "$(nproc)" --target bench_transfer
  local out
  out="$(mktemp)"
  "$build/bin/bench_transfer" --benchmark_out="$out" --benchmark_out_format=csv >/dev/null
  awk -F, '/^name,/ { for (i = 1; i <= NF; i++) column[$i] = i; next }
           /^"BM_ImportGoogleCsv/ { name = $1; gsub(/"|\/iterations:3\/manual_time/, "", name)
             printf "%-27s %8.0f ms  (%6.0f records; own CSV %6.0f ms, %.2fx; goal <= 1.3x)\n",
               name, $column["real_time"], $column["\"records\""],
               $column["\"floor_s\""] * 1000, $column["\"ratio\""]; next }
           /^"BM_/ { name = $1; gsub(/"|\/iterations:3\/manual_time/, "", name)
             printf "%-27s %8.0f ms  (%6.0f records; sqlite3 shell %6.0f ms, %.1fx; goal <= 2000 ms)\n",
               name, $column["real_time"], $column["\"records\""],
               $column["\"floor_s\""] * 1000, $column["\"ratio\""] }' "$out"
  rm -f "$out"
}

# The full-text search on every account's diary and plans of years of days, each measure beside
# its floor: a keystroke in the Find window (goal: median <= 2 ms, p99 <= 10 ms) beside the
# index's look-up through SQLite's C API, the index built by the migration (<= 1.5x) beside the
# sqlite3 shell building it, its size (<= 0.5x) beside the texts', a diary entry's add and save
# (<= 1.2x) beside the same without the index's triggers, and the keystroke on a PostgreSQL
# server (median <= 5 ms) beside its look-up through a plain QSqlQuery. Sizes:
# BENCH_SEARCH_USERS, BENCH_SEARCH_YEARS, BENCH_SEARCH_WORDS (defaults: 5 accounts, 20 years,
# 300 words an entry); repeats: BENCH_SEARCH_ROUNDS, BENCH_SEARCH_BUILDS, BENCH_SEARCH_SAVES,
# BENCH_SEARCH_SERVER_ROUNDS (20, 3, 100, 5); VEMORA_BENCH_SERVER=off leaves the server out.
search_bench() {
  cmake --build "$build" --parallel "$(nproc)" --target bench_search vemora-cli
  local data
  data="$(mktemp -d)"
  trap 'rm -rf "$data"' RETURN
  local users="${BENCH_SEARCH_USERS:-5}" years="${BENCH_SEARCH_YEARS:-20}"
  local words="${BENCH_SEARCH_WORDS:-300}"
  local program=("$build/bin/bench_search" "--data=$data" "--users=$users" "--years=$years"
    "--diary-words=$words" "--rounds=${BENCH_SEARCH_ROUNDS:-20}"
    "--builds=${BENCH_SEARCH_BUILDS:-3}" "--saves=${BENCH_SEARCH_SAVES:-100}")
  local start
  start=$(date +%s)
  "${program[@]}" --generate-only
  echo "Data: $users accounts x $years years, each day a diary entry of about $words words and" \
       "a plan (AM, PM, quote); file $(du -m "$data/journey.mdb" | cut -f1) MB, generated in" \
       "$(( $(date +%s) - start )) s"
  if ! "${program[@]}" --benchmark_out="$data/file.json" --benchmark_out_format=json \
      >/dev/null 2>"$data/log"; then
    cat "$data/log" >&2
    return 1
  fi
  echo '{"benchmarks": []}' >"$data/server.json"
  [ "${VEMORA_BENCH_SERVER:-on}" = off ] || search_on_server "$data" "${program[@]}"
  python3 - "$data/file.json" "$data/server.json" <<'PY'
import json, sys
def runs(path):
    return {b["run_name"].removesuffix("/iterations:1"): b
            for b in json.load(open(path))["benchmarks"]}
onfile, onserver = runs(sys.argv[1]), runs(sys.argv[2])
kinds = [("prefix1", "1-letter prefixes"), ("prefix2", "2-letter prefixes"),
         ("prefix3", "3-letter prefixes"), ("common", "common words"), ("rare", "rare words"),
         ("two_words", "two words")]
rows = []
def mark(ok):
    return "met" if ok else "MISSED"
def keystrokes(where, name, floor, goal_median, goal_p99, runs):
    for key, label in kinds:
        b = runs.get(f"{name}/{key}")
        if not b:
            continue
        m, p, fm, fp = b["median_ms"], b["p99_ms"], b["floor_median_ms"], b["floor_p99_ms"]
        goal = f"median <= {goal_median} ms: {mark(m <= goal_median)}"
        if goal_p99:
            goal += f"; p99 <= {goal_p99} ms: {mark(p <= goal_p99)}"
        rows.append((f"{where} keystroke, {label} (found {b['found']:.0f}), median / p99",
                     f"{m:.2f} / {p:.2f} ms", f"{floor} {fm:.2f} / {fp:.2f} ms",
                     f"{m / fm:.1f}x / {p / fp:.1f}x", goal))
def beside(label, figure, floor, ratio, goal):
    rows.append((label, figure, floor, f"{ratio:.2f}x", f"<= {goal}x: {mark(ratio <= goal)}"))
keystrokes("File", "BM_Keystroke", "engine call", 2, 10, onfile)
b = onfile["BM_IndexBuild"]
beside("Index build in the migration (open of a version-3 copy)", f"{b['median_s']:.1f} s",
       f"sqlite3 shell {b['floor_median_s']:.1f} s", b["median_s"] / b["floor_median_s"], 1.5)
b = onfile["BM_IndexSize"]
texts = f"indexed texts (UTF-8) {b['text_bytes'] / 1e6:.1f} MB"
beside("Index size: pages of search_fts_data, _idx, _docsize, _config",
       f"{b['index_bytes'] / 1e6:.1f} MB", texts, b["index_bytes"] / b["text_bytes"], 0.5)
beside("Index size: blocks of search_fts_data alone", f"{b['data_bytes'] / 1e6:.1f} MB", texts,
       b["data_bytes"] / b["text_bytes"], 0.5)
for key, label in [("BM_DiaryAdd", "Diary add"), ("BM_DiarySave", "Diary save")]:
    b = onfile[key]
    m, p, fm, fp = b["median_ms"], b["p99_ms"], b["floor_median_ms"], b["floor_p99_ms"]
    rows.append((f"{label} of about 300 words, median / p99", f"{m:.2f} / {p:.2f} ms",
                 f"without the triggers {fm:.2f} / {fp:.2f} ms",
                 f"{m / fm:.2f}x / {p / fp:.2f}x", f"median <= 1.2x: {mark(m / fm <= 1.2)}"))
keystrokes("Server", "BM_ServerKeystroke", "QSqlQuery of the look-up", 5, None, onserver)
print("| Measure | Figure | Floor | Ratio | Goal |")
print("|---|---|---|---|---|")
for r in rows:
    print("| " + " | ".join(r) + " |")
PY
}

# The search keystrokes on a throwaway PostgreSQL cluster that vemora-cli migrate fills from the
# same file.
search_on_server() (
  local data="$1"
  shift
  local program=("$@")
  local cluster url start
  cluster="$("$root/scripts/pg-cluster.sh" start)"
  trap '"$root/scripts/pg-cluster.sh" stop "$cluster"' EXIT
  url="$("$root/scripts/pg-cluster.sh" url "$cluster")"
  start=$(date +%s)
  "$build/bin/vemora-cli" migrate --to "$url" --database "$data/journey.mdb" >/dev/null
  echo "Server: filled by vemora-cli migrate in $(( $(date +%s) - start )) s"
  if ! "${program[@]}" "--server=$url" "--rounds=${BENCH_SEARCH_SERVER_ROUNDS:-5}" \
      --benchmark_out="$data/server.json" --benchmark_out_format=json >/dev/null 2>"$data/log"; then
    cat "$data/log" >&2
    return 1
  fi
)

# 20 organizers writing through the address book's store to one throwaway cluster for a minute,
# without faults, then with sessions ended, a fast restart and a freeze of the server: lost
# acknowledged writes, duplicates, refusals, p50/p99 of each save and the time to be usable
# again. BENCH_SERVER_SECONDS and BENCH_SERVER_ORGANIZERS (defaults 60 and 20) set its size.
server_bench() (
  cmake --build "$build" --parallel "$(nproc)" --target bench_server_load
  local cluster url
  cluster="$("$root/scripts/pg-cluster.sh" start)"
  trap '"$root/scripts/pg-cluster.sh" stop "$cluster"' EXIT
  url="$("$root/scripts/pg-cluster.sh" url "$cluster")"
  local program=("$build/bin/bench_server_load" "--url=$url"
    "--organizers=${BENCH_SERVER_ORGANIZERS:-20}" "--seconds=${BENCH_SERVER_SECONDS:-60}")
  "${program[@]}"
  echo
  "${program[@]}" --faults "--cluster=$cluster" "--pg-cluster=$root/scripts/pg-cluster.sh"
)

case "${1:-all}" in
  backup) backup_bench ;;
  workspace) workspace_bench ;;
  transfer) transfer_bench ;;
  search) search_bench ;;
  server) server_bench ;;
  all) backup_bench; workspace_bench; transfer_bench; search_bench; server_bench ;;
  *) echo "usage: $0 [all|backup|workspace|transfer|search|server]" >&2; exit 1 ;;
esac
