#!/bin/sh
# Installs what building, running and testing need on Debian 12, when it is
# missing. Uses sudo when not run as root.
#
# Fonts: the main window, the update dialog and the PDF reports draw in
# Liberation Sans (fonts-liberation2); every other window uses the system's
# default sans font, which is DejaVu Sans (fonts-dejavu-core) on Debian.
set -eu
packages="build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libcups2-dev libxcb1-dev
fonts-liberation2 fonts-dejavu-core tzdata gcovr xdg-utils xvfb xauth openbox x11-apps imagemagick poppler-utils clang-format
cups-daemon cups-client qt6-translations-l10n librsvg2-bin dpkg-dev lintian desktop-file-utils
appstream xdotool"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
[ -z "$missing" ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing:$missing"
$sudo apt-get update -qq
# Through env: sudo drops the caller's environment.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
