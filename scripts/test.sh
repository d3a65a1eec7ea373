#!/bin/sh
# Installs what is missing, checks the formatting, builds the Debian package
# and checks it with Debian's validators, then builds and runs every test:
# a normal build, in the machine's time zone and again in Paris's (users'
# clocks are not on UTC); one under AddressSanitizer and
# UndefinedBehaviorSanitizer; one with coverage counters, whose line
# coverage is printed per folder. The package test starts the packaged
# program.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

cd "$root"
find files rates schedule ui output update cli tests bench -name '*.cpp' -o -name '*.h' |
    xargs clang-format --dry-run -Werror

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$root/build" -j"$jobs"

"$root/scripts/package.sh"
deb=$(ls "$root"/build-deb/taux-legal_*.deb)
# Every error and warning fails the run. One info remains, on purpose:
# package-contains-documentation-outside-usr-share-doc for
# usr/share/com.example.tauxlegal/QUERDAN.TXT, taken for a read-me by its
# .TXT ending; it is the packaged rates file, and its name is fixed by the
# rates file format. typo-in-manual-page for the command line's page flags
# French words ("exemple", "existant") that lintian's English word list
# takes for misspellings.
lintian --fail-on error,warning --display-info --pedantic "$deb"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
# desktop-file-validate fails on errors only: any word from it, a warning
# included, fails the run.
complaints=$(desktop-file-validate "$unpacked"/usr/share/applications/*.desktop 2>&1) || true
[ -z "$complaints" ] || { echo "$complaints"; exit 1; }
appstreamcli validate --pedantic --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml

# The package test fails, rather than skips, without the package just built.
export TAUX_REQUIRE_PACKAGE=1
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"
# Dates, file times and PDF dates all go through the local clock.
TZ=Europe/Paris ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAUX_SANITIZE=ON \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions="$root/tests/lsan.supp":print_suppressions=0 \
    ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

# Coverage: what the tests run of the program's own code, per folder. The
# package test is left out: it runs the packaged program, not this build.
cmake -S "$root" -B "$root/build-coverage" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAUX_COVERAGE=ON \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$root/build-coverage" -j"$jobs"
find "$root/build-coverage" -name '*.gcda' -delete
ctest --test-dir "$root/build-coverage" --output-on-failure -j"$jobs" -E '^tst_package$'
"$root/scripts/coverage.sh" "$root/build-coverage"
