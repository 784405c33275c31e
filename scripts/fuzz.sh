#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each from its committed seed
# corpus (tests/fuzz/<name>/) for FUZZ_SECONDS seconds (default one hour each). New inputs go
# to build-fuzz/corpus/<name>/; a crash leaves its input in build-fuzz/ and fails the script.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-3600}"

"$root/scripts/deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CXX=clang++ CC=clang cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVEMORA_SANITIZE=ON -DVEMORA_BENCH=OFF "${launcher[@]}"
fi
targets=$(cd "$root/tests/fuzz" && ls -d */ | tr -d /)
cmake --build "$build" --parallel "$(nproc)" --target $(printf 'fuzz_%s ' $targets)

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
for name in $targets; do
  mkdir -p "$build/corpus/$name"
  echo "fuzz_$name: ${seconds} s"
  (cd "$build" && "bin/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
     "corpus/$name" "$root/tests/fuzz/$name")
done
