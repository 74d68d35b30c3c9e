#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build and the tests need, only when missing.
# One package a line, so that additions stay readable.
set -e
PKGS="
cmake
g++
make
ccache
pkg-config
qt6-base-dev
qt6-base-dev-tools
qt6-translations-l10n
qt6-charts-dev
libqt6opengl6-dev
libgl-dev
libxlsxwriter-dev
libxxhash-dev
libzip-dev
libexpat1-dev
libxml2-dev
libxcb1-dev
libasound2-dev
poppler-utils
libreoffice-calc
libreoffice-core
gnumeric
cups
printer-driver-cups-pdf
fonts-nanum
libgtest-dev
libgmock-dev
libbenchmark-dev
python3-openpyxl
libreoffice-calc
python3-uno
gnumeric
xvfb
xauth
openbox
xdotool
x11-utils
imagemagick
dbus-x11
ibus
ibus-hangul
fcitx5
fcitx5-hangul
fcitx5-frontend-qt6
python3-pyatspi
scdoc
debhelper
dpkg-dev
fakeroot
lintian
desktop-file-utils
appstream
libxml2-utils
clang-14
libclang-rt-14-dev
llvm-14
"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends $missing
fi
