#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package in a clean Debian 12 chroot that holds only the
# essential packages, build-essential and our Build-Depends, so a missing
# build dependency fails here as it would on Debian's build daemons.
# mmdebstrap makes the chroot from the apt sources this machine already
# uses; pbuilder installs the Build-Depends into a fresh copy of it and
# builds the source package there. Needs root (sudo is used otherwise).
# Slow (a fresh chroot and a full build, half an hour or more on two cores),
# so CI does not run it.
#   scripts/chroot-build.sh            -> build/chroot/result/*.deb, build log
#   QB_CHROOT_WORK=DIR                 -> another work folder (the chroot
#                                         tarball there is reused if present)
set -e
cd "$(dirname "$0")/.."
need=""
for p in mmdebstrap pbuilder dpkg-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need="$need $p"
done
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [ -n "$need" ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends $need
fi

work=$(realpath -m "${QB_CHROOT_WORK:-build/chroot}")
mkdir -p "$work"
suite=bookworm
tarball="$work/$suite.tgz"
if [ ! -s "$tarball" ]; then
    # The host's own apt sources, pasted as they are (one-line or deb822).
    set --
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && grep -Eq '^[[:space:]]*(deb |Types:)' "$f" && set -- "$@" "$f"
    done
    [ $# -gt 0 ] || { echo "no apt sources on this machine" >&2; exit 1; }
    $SUDO mmdebstrap --variant=buildd "$suite" "$work/$suite-new.tgz" "$@"
    $SUDO mv "$work/$suite-new.tgz" "$tarball"
fi

# The source package from the last commit, so that work in progress in the
# tree does not go into the build.
version=$(dpkg-parsechangelog -l debian/changelog -S Version)
src="$work/src"
rm -rf "$src" "$work/result"
mkdir -p "$src/quillbook-$version" "$work/result" "$work/place"
git archive --format=tar HEAD | tar -x -C "$src/quillbook-$version"
(cd "$src" && dpkg-source -b "quillbook-$version" >/dev/null)

# apt resolves the Build-Depends (pbuilder's default wants aptitude,
# which a minimal chroot lacks).
# The chroot keeps no package lists: a hook fetches them before that.
printf 'PBUILDERSATISFYDEPENDSCMD=/usr/lib/pbuilder/pbuilder-satisfydepends-apt\n' >"$work/pbuilderrc"
mkdir -p "$work/hooks"
printf '#!/bin/sh\napt-get update\n' >"$work/hooks/D10update-lists"
chmod +x "$work/hooks/D10update-lists"
if $SUDO pbuilder build --configfile "$work/pbuilderrc" --hookdir "$work/hooks" --basetgz "$tarball" --distribution "$suite" --buildresult "$work/result" \
        --aptcache "" --buildplace "$work/place" "$src/quillbook_$version.dsc" >"$work/pbuilder.out" 2>&1; then
    echo "clean-chroot build passed: $(ls "$work"/result/*.deb)"
else
    tail -40 "$work/pbuilder.out"
    echo "clean-chroot build FAILED (log: $work/pbuilder.out)" >&2
    exit 1
fi
