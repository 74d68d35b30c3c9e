#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package dist/quillbook_<version>_amd64.deb with
# debhelper from a copy of the source tree, then has lintian review it.
set -e
cd "$(dirname "$0")/.."
./scripts/deps.sh
PKGS="debhelper dpkg-dev fakeroot lintian desktop-file-utils appstream"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends $missing
fi

# debhelper gives the build a home of its own: keep the compiler cache.
if command -v ccache >/dev/null 2>&1; then
    CCACHE_DIR=$(ccache -k cache_dir)
    export CCACHE_DIR
fi

version=$(dpkg-parsechangelog -l debian/changelog -S Version)
arch=$(dpkg --print-architecture)
work=${QB_PACKAGE_WORK:-build/package}
rm -rf "$work"
dist=${QB_DIST:-dist}
mkdir -p "$work/quillbook-$version" "$dist"
# The files git knows of (committed or not), without build folders.
git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t "$work/quillbook-$version"
(cd "$work/quillbook-$version" &&
    DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" dpkg-buildpackage -b -us -uc >../build.log 2>&1) ||
    { tail -40 "$work/build.log"; exit 1; }
mv "$work/quillbook_${version}_${arch}.deb" "$dist/"
echo "$dist/quillbook_${version}_${arch}.deb"
lintian --fail-on error "$dist/quillbook_${version}_${arch}.deb"
