#!/bin/sh
# Installs the Debian 12 packages needed to build, test and run the program.
# Safe to run again: only missing packages are installed.
set -e
PACKAGES="build-essential cmake ninja-build ccache pkg-config
libgtest-dev libgmock-dev libbenchmark-dev
qt6-base-dev libgl-dev
libfbclient2 firebird3.0-server-core firebird3.0-utils firebird-dev firebird3.0-server
libjpeg-dev libxlsxwriter-dev libzip-dev libexpat1-dev libfreexl-dev
xdg-utils fonts-dejavu-core fonts-dejavu-extra
qt6-translations-l10n"
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
    # The Firebird server is only started by the tests, as a process of their
    # own on a private port: the install starts no system service.
    norc=""
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
        $SUDO chmod 755 /usr/sbin/policy-rc.d
        norc=1
        trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
    fi
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends $missing
    case " $missing " in
        *" firebird3.0-server "*)
            # Nor does it start at the next boot.
            $SUDO systemctl disable firebird3.0.service >/dev/null 2>&1 || true
            $SUDO update-rc.d firebird3.0 disable >/dev/null 2>&1 || true
            ;;
    esac
    if [ -n "$norc" ]; then
        $SUDO rm -f /usr/sbin/policy-rc.d
        trap - EXIT
    fi
fi
