#!/usr/bin/env bash
# Fails when a test skipped in a ctest run that tests/allowed-skips.txt does not allow there.
#   scripts/check-skips.sh RUN JUNIT
# RUN names the run as the list does (local, server, sanitized-local, sanitized-server); JUNIT is
# the file of ctest --output-junit. A test skipped when ctest did not run it (Skipped, Not Run,
# Disabled) or when GoogleTest printed it as SKIPPED in its output.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
run="$1"
junit="$2"

grep -q '<testcase ' "$junit" || { echo "check-skips: no test in $junit" >&2; exit 1; }

mapfile -t skipped < <(
  {
    grep -o '<testcase name="[^"]*"[^>]* status="\(notrun\|disabled\)"' "$junit" || true
    grep -o '^\[  SKIPPED \] [^ ]*\( (.*)\)\?$' "$junit" || true
  } | sed -e 's/^<testcase name="\([^"]*\)".*/\1/; s/  # GetParam() = .*//' \
    -e 's/^\[  SKIPPED \] \([^ ]*\).*/\1/' \
    -e 's/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&apos;/'"'"'/g; s/&amp;/\&/g' | sort -u
)

# Lines "RUNS TEST REASON": the runs comma-separated, the test a name or a glob.
patterns=()
reasons=()
while read -r runs pattern reason; do
  case "$runs" in '' | '#'*) continue ;; esac
  [[ ",$runs," == *",$run,"* ]] || continue
  patterns+=("$pattern")
  reasons+=("$reason")
done <"$root/tests/allowed-skips.txt"

used=()
unexpected=0
for test in "${skipped[@]}"; do
  why=""
  for i in "${!patterns[@]}"; do
    if [[ "$test" == ${patterns[$i]} ]]; then
      why="${reasons[$i]}"
      used[i]=1
      break
    fi
  done
  if [ -n "$why" ]; then
    echo "check-skips: $run: $test skipped: $why"
  else
    echo "check-skips: $run: $test skipped, which tests/allowed-skips.txt does not allow" >&2
    unexpected=$((unexpected + 1))
  fi
done
# An allowance this run did not use may be one the test no longer needs.
for i in "${!patterns[@]}"; do
  [ -n "${used[i]:-}" ] || echo "check-skips: $run: ${patterns[$i]} may skip but did not"
done
echo "check-skips: $run: $(grep -c '<testcase ' "$junit") tests, ${#skipped[@]} skipped"
[ "$unexpected" -eq 0 ] || { echo "check-skips: $run: $unexpected unexpected skips" >&2; exit 1; }
