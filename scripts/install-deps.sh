#!/bin/sh
# Installs the Debian 12 packages needed to build, test and run the program.
# Safe to run again: only missing packages are installed.
set -e
PACKAGES="build-essential cmake ninja-build ccache pkg-config
libgtest-dev libgmock-dev libbenchmark-dev
qt6-base-dev libgl-dev
libfbclient2 firebird3.0-server-core firebird3.0-utils firebird-dev
libjpeg-dev libxlsxwriter-dev libzip-dev libexpat1-dev libfreexl-dev
xdg-utils fonts-dejavu-core fonts-dejavu-extra"
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends $missing
fi
