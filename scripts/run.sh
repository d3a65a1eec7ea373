#!/bin/sh
# Installs what is missing, builds, and starts the program on the bundled
# rates file.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" --target taux-legal
# The program takes the folder of QUERDAN.TXT, ending in a separator.
exec "$root/build/taux-legal" "$root/data/"
