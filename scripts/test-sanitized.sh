#!/usr/bin/env bash
# The whole suite again in a second build with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer; the first finding ends the test that made it. Benchmarks are not built.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export VEMORA_BUILD_DIR="${VEMORA_BUILD_DIR:-$root/build-asan}" VEMORA_SANITIZE=ON VEMORA_BENCH=OFF
# Test discovery runs the programs during the build, so the options hold for the build too.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
exec "$root/scripts/test.sh"
