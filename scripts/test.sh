#!/bin/sh
# Installs what is missing, checks the formatting, then builds and runs
# every test twice: a normal build and one under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

cd "$root"
find rates schedule ui output update cli tests bench -name '*.cpp' -o -name '*.h' |
    xargs clang-format --dry-run -Werror

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$root/build" -j"$jobs"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAUX_SANITIZE=ON \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions="$root/tests/lsan.supp":print_suppressions=0 \
    ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
