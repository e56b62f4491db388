#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each from its seed corpus:
# FUZZ_RUNS inputs (default 200000) with a fixed FUZZ_SEED, so a clean tree
# gives the same run every time, and at most FUZZ_SECONDS each. The targets
# share one budget of time, FUZZ_BUDGET seconds (default 1170), so a new target
# takes its share from the others instead of lengthening the run; FUZZ_SECONDS
# sets each target's time instead. A crash or a broken invariant fails the run;
# the input is kept in build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${FUZZ_RUNS:-200000}
seed=${FUZZ_SEED:-1}
build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DHEADWISE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
fi
cmake --build "$build" --parallel "$(nproc)"

fuzzers=("$build"/tests/fuzz/fuzz_*)
seconds=${FUZZ_SECONDS:-$(( ${FUZZ_BUDGET:-1170} / ${#fuzzers[@]} ))}

mkdir -p "$build/crashes"
status=0
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  corpus="$build/corpus/$name"          # grows between runs; the seeds stay untouched
  mkdir -p "$corpus"
  cp -n tests/fixtures/fuzz/"$name"/* "$corpus"/ 2>/dev/null || true
  echo "== $name: $runs runs, seed $seed, at most ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 "$fuzzer" -seed="$seed" -runs="$runs" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/crashes/$name-" "$corpus" \
        > "$build/$name.log" 2>&1; then
    echo "FAILED: $name (see $build/$name.log)"; tail -40 "$build/$name.log"; status=1
  else
    grep -E '^stat::number_of_executed_units' "$build/$name.log" || true
  fi
done
exit $status
