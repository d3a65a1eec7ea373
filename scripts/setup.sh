#!/bin/sh
# Installs what building, running and testing need on Debian 12, when it is
# missing. Uses sudo when not run as root.
set -eu
packages="build-essential cmake ninja-build qt6-base-dev qt6-qpa-plugins libcups2-dev libxcb1-dev
fonts-liberation2 tzdata xdg-utils xvfb xauth openbox x11-apps imagemagick poppler-utils clang-format
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
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
