#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package dist/quillbook_<version>_<arch>.deb with
# debhelper from a copy of the source tree, has lintian review it, and
# writes its SHA-256 value beside it and into the downloads page published
# with it (dist/site/soft.htm), so that the page and the package cannot
# disagree. Needs root (sudo is used otherwise) to install what is missing:
# the Build-Depends of debian/control and the packaging tools, nothing else.
set -e
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
TOOLS="build-essential dpkg-dev fakeroot lintian"
missing=""
for p in $TOOLS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    $SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends $missing
fi
# The Build-Depends of this source tree (debhelper among them), only when
# dpkg-checkbuilddeps finds some missing.
if ! dpkg-checkbuilddeps >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 build-dep -y -qq --no-install-recommends ./
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
    DEB_BUILD_OPTIONS="nocheck parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -b -us -uc >../build.log 2>&1) ||
    { tail -40 "$work/build.log"; exit 1; }
deb="quillbook_${version}_${arch}.deb"
mv "$work/$deb" "$dist/"
echo "$dist/$deb"
lintian --pedantic --fail-on error,warning "$dist/$deb"

# The value, and the published downloads page that states it.
(cd "$dist" && sha256sum "$deb" >"$deb.sha256")
sum=$(cut -d' ' -f1 "$dist/$deb.sha256")
mkdir -p "$dist/site"
sed "s|<code id=\"sha256\">[^<]*</code>|<code id=\"sha256\">$sum</code>|" site/soft.htm >"$dist/site/soft.htm"
grep -q "$sum" "$dist/site/soft.htm" || { echo "the downloads page has no place for the SHA-256 value" >&2; exit 1; }
