#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 60) under AddressSanitizer and UBSan.
# The corpus grows in build-fuzz/corpus/<target>; inputs that crash or hang are kept in
# tests/data/fuzz/<target>/, where the test suite replays them.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUELMAR_FUZZ=ON \
  -DQUELMAR_BUILD_UI=OFF -DQUELMAR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_seeds $(cd "$root/fuzz" && ls *_fuzz.cpp | sed 's/\.cpp$//')

"$build/fuzz/fuzz_seeds" "$build/seeds"
for source in "$root"/fuzz/*_fuzz.cpp; do
  target=$(basename "$source" .cpp)
  corpus="$build/corpus/$target"
  findings="$root/tests/data/fuzz/$target"
  mkdir -p "$corpus" "$findings"
  echo "== $target for ${seconds}s"
  set +e
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
    "$build/fuzz/$target" "$corpus" "$build/seeds/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=65536 \
    -artifact_prefix="$findings/" -print_final_stats=1 2>&1 | tail -n 12
  status=${PIPESTATUS[0]}
  set -e
  [ "$status" -eq 0 ] || echo "!! $target stopped with status $status; the input is in $findings"
done
