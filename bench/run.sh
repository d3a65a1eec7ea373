#!/bin/sh
# Builds the benchmarks in release mode and prints each figure against its
# target (a ratio below 1 meets the target).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_core bench_statement bench_cli -j"$(nproc)" >/dev/null
"$build/bench/bench_core"
"$build/bench/bench_statement"
"$build/bench/bench_cli"
