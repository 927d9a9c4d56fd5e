#!/usr/bin/env bash
# Usage: scripts/fuzz.sh [SECONDS [TARGET...]]
# Runs each fuzz target (default: all of them) for SECONDS (default 60) under AddressSanitizer
# and UBSan, one after the other. The corpus grows in build-fuzz/corpus/<target>; inputs that
# crash, hang or run out of memory are kept in tests/data/fuzz/<target>/, where the test suite
# replays them.
set -euo pipefail
seconds=${1:-60}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(cd "$root/fuzz" && ls *_fuzz.cpp | sed 's/\.cpp$//')
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUELMAR_FUZZ=ON \
  -DQUELMAR_BUILD_UI=OFF -DQUELMAR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j 2 --target fuzz_seeds "${targets[@]}"

"$build/fuzz/fuzz_seeds" "$build/seeds"
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  findings="$root/tests/data/fuzz/$target"
  mkdir -p "$corpus" "$findings"
  echo "== $target for ${seconds}s"
  set +e
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/$target" "$corpus" "$build/seeds/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=2048 \
    -max_len=65536 -artifact_prefix="$findings/" -print_final_stats=1 2>&1 |
    tee "$build/$target.log" | grep -E '^(stat::|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)|Done '
  status=${PIPESTATUS[0]}
  set -e
  [ "$status" -eq 0 ] || echo "!! $target stopped with status $status; the input is in $findings"
done
