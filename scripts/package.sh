#!/bin/sh
# Builds the Debian package build-deb/taux-legal_<version>_<arch>.deb with
# Debian's own compiler and linker flags (hardening included), installing to
# /usr. Only the programs and their files are built, not the tests.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
out="$root/build-deb"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
ldflags=$(dpkg-buildflags --get LDFLAGS)

# Build type None: the flags are Debian's alone, as in a package build.
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$out" --target taux-legal-package-contents -j"$(nproc)"
rm -f "$out"/taux-legal_*.deb
(cd "$out" && cpack -G DEB)
ls "$out"/taux-legal_*.deb
