#!/bin/sh
# Prints the line coverage of a build made with -DTAUX_COVERAGE=ON, once its
# tests have run: one line per folder of the program, then the whole. The
# tests and the benchmark are not counted.
# Usage: scripts/coverage.sh BUILD_DIR
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: $0 BUILD_DIR}
gcovr --root "$root" --object-directory "$build" -j"$(nproc)" --gcov-ignore-parse-errors \
    --exclude "$root/tests/" --exclude "$root/bench/" --exclude "$build/" \
    --csv |
    awk -F, '$1 ~ /^(rates|schedule|ui|output|update|cli)\// {
                 split($1, part, "/"); lines[part[1]] += $2; run[part[1]] += $3 }
             END {
                 printf "%-10s %7s %7s %7s\n", "Folder", "Lines", "Run", "Cover"
                 n = split("rates schedule ui output update cli", order, " ")
                 for (i = 1; i <= n; i++) {
                     f = order[i]; all += lines[f]; allRun += run[f]
                     printf "%-10s %7d %7d %6.1f%%\n", f, lines[f], run[f],
                            lines[f] ? 100 * run[f] / lines[f] : 0
                 }
                 printf "%-10s %7d %7d %6.1f%%\n", "total", all, allRun,
                        all ? 100 * allRun / all : 0
             }'
