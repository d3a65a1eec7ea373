#!/bin/sh
# Builds the Windows program on Debian 12, from Debian's packages only:
#   1. Qt 6 (Core, Gui, Widgets, Network with the Windows TLS backend,
#      PrintSupport, Test), cross-compiled for x86-64 Windows from Debian's
#      own source package with the host tools of Debian's Qt, into a cache
#      folder keyed by the source version: only the first run pays for it;
#   2. the programs, with the project's CMake files and the mingw-w64
#      toolchain file (cmake/mingw-w64-x86_64.cmake);
#   3. build-windows/taux-legal-<version>-win64.zip, the portable copy, and
#      build-windows/taux-legal-<version>-win64-setup.exe, the installer;
#   4. with --test, the tests under Wine, then the smoke test of the
#      installer and of the installed program (scripts/windows-smoke.sh).
# Each step prints how long it took.
#
#   scripts/windows.sh [--test]
#
# TAUX_WINDOWS_CACHE (default /var/cache/taux-legal-windows) holds Qt's
# source, its build and its install; TAUX_WINDOWS_BUILD (default
# build-windows) the program's build. Uses sudo when not run as root.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${TAUX_WINDOWS_CACHE:-/var/cache/taux-legal-windows}
build=${TAUX_WINDOWS_BUILD:-$here/build-windows}
test=no
[ "${1:-}" = "--test" ] && test=yes
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

clock=$(date +%s)
step() {
    now=$(date +%s)
    echo "== $1 ($((now - clock)) s)"
    clock=$now
}

# What the cross-build and its tests need, beside what scripts/setup.sh
# installs (Debian's Qt, whose host tools build the Windows one).
"$here/scripts/setup.sh"
packages="g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 nsis zip dpkg-dev locales"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi
# Wine takes the Windows locale and the encoding of file names from the
# Unix locale: the French one must exist, or names with accents fail.
if ! locale -a 2>/dev/null | grep -qx 'fr_FR.utf8'; then
    $sudo localedef -i fr_FR -c -f UTF-8 fr_FR.UTF-8
fi
step "packages"

# Qt's source is the one of the Qt installed, so that its host tools fit.
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt="$cache/qt-$version"
if [ ! -f "$qt/.complete" ]; then
    if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q "^Version: $version\$"; then
        # Debian's own archive, as the binary packages come from it.
        sources=/etc/apt/sources.list.d/taux-legal-src.sources
        $sudo sh -c "cat > $sources" <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
        $sudo apt-get update -qq
    fi
    $sudo mkdir -p "$cache"
    $sudo chown "$(id -u):$(id -g)" "$cache"
    src="$cache/src-$version"
    if [ ! -d "$src/qtbase" ]; then
        rm -rf "$src"
        mkdir -p "$src"
        (cd "$src" && apt-get source -qq --download-only "qt6-base=$version" &&
            dpkg-source -x --no-check ./*.dsc qtbase >/dev/null)
    fi
    step "Qt's source $version"
    rm -rf "$cache/build-qt"
    # The modules the program uses and no more; the Windows TLS backend
    # (Schannel), so that no OpenSSL is needed; Qt's bundled copies of the
    # libraries it needs, since Debian has no Windows builds of them; no
    # tablet events, whose header Debian's source leaves out (its licence
    # forbids changes).
    cmake -G Ninja -S "$src/qtbase" -B "$cache/build-qt" \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$qt" -DCMAKE_BUILD_TYPE=Release \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DBUILD_SHARED_LIBS=ON \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DINPUT_opengl=no -DFEATURE_opengl_dynamic=OFF \
        -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=ON \
        -DFEATURE_tabletevent=OFF \
        -DFEATURE_system_zlib=OFF >"$cache/configure-qt.log"
    step "Qt configured"
    cmake --build "$cache/build-qt" --parallel
    step "Qt built"
    cmake --install "$cache/build-qt" >/dev/null
    touch "$qt/.complete"
    step "Qt installed into $qt"
fi

cmake -G Ninja -S "$here" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
    -DTAUX_WINDOWS_QT="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
step "program configured"
cmake --build "$build" --parallel
step "program built"
(cd "$build" && cpack -G ZIP >/dev/null && cpack -G NSIS >/dev/null)
ls "$build"/taux-legal-*-win64.zip "$build"/taux-legal-*-win64-setup.exe
step "portable copy and installer made"

# The window tests that cannot pass under Wine (see README.md).
gui_under_wine_fail='^(tst_mainwindow|tst_startup|tst_printing|tst_statementwindow)$'

if [ "$test" = yes ]; then
    # A Wine prefix of the build's own, made once.
    export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [ -d "$WINEPREFIX" ] || /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
    # Wine finds the DLLs of Qt and of the compiler through its PATH; the
    # machine's root is its drive Z:.
    windows() { printf 'Z:%s' "$1" | tr / '\\'; }
    mingw=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
    WINEPATH="$(windows "$qt/bin");$(windows "$mingw");$(windows /usr/x86_64-w64-mingw32/lib)"
    export WINEPATH
    # Wine takes a program's Windows locale from LC_ALL when it starts it:
    # the tests' French numbers, also in the programs they start.
    export LC_ALL=fr_FR.UTF-8
    # A test's output goes to a file of its own (see tests/CMakeLists.txt).
    shown() {
        for f in "$build"/Testing/tst_*.txt; do
            grep -a -q '^FAIL' "$f" && grep -a -B1 -A4 '^FAIL' "$f"
        done
        return 0
    }
    rm -f "$build"/Testing/tst_*.txt
    (cd "$build" && ctest -L core) || { shown; exit 1; }
    step "tests without a display under Wine"
    # The window tests that pass under Wine; README.md names the others
    # and why.
    (cd "$build" && ctest -L gui -E "$gui_under_wine_fail") || { shown; exit 1; }
    step "window tests under Wine"
    "$here/scripts/windows-smoke.sh" "$build"
    step "installer, installed program and uninstaller under Wine"
fi
