#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Builds the Debian package from a copy of this tree, checks it with lintian and prints the path of the
# .deb on stdout (everything else goes to stderr). Results in package-output/; the build log there too.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/package-output

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
updated=
apt_install() {
    [ -n "$updated" ] || "${sudo[@]}" apt-get update -qq
    updated=1
    "${sudo[@]}" apt-get "$@" -y -qq --no-install-recommends >&2
}

tools=(build-essential dpkg-dev debhelper lintian)
missing=()
for package in "${tools[@]}"; do
    dpkg-query -W -f '${db:Status-Abbrev}' "$package" 2>/dev/null | grep -q '^ii' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] || apt_install install "${missing[@]}"
dpkg-checkbuilddeps 2>/dev/null || apt_install build-dep ./

# dpkg-buildpackage writes beside the source tree, so the tree is copied: tracked and new files, as git
# sees them, else everything but the build folders.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
src=$work/zib-user-update-notifier
mkdir "$src"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
        tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -C "$src" -xf -
else
    tar --exclude-vcs --exclude='./build*' --exclude=./package-output --exclude='./*-output' -cf - . |
        tar -C "$src" -xf -
fi

rm -rf "$out"
mkdir -p "$out"
echo "package.sh: building in $src (log: $out/build.log)" >&2
if ! (cd "$src" && dpkg-buildpackage -us -uc -b -J"$(nproc)") >"$out/build.log" 2>&1; then
    tail -n 40 "$out/build.log" >&2
    echo "package.sh: the package build failed; see $out/build.log" >&2
    exit 1
fi
find "$work" -maxdepth 1 -type f -exec cp -t "$out" {} +

changes=$(echo "$out"/*.changes)
echo "package.sh: lintian $changes" >&2
lintian --fail-on error,warning "$changes" >&2

debs=("$out"/zib-user-update-notifier_*.deb)
echo "${debs[0]}"
