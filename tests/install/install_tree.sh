#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: every file in its place and no other, icons of
# their sizes, the desktop entry, metainfo, MIME type and manual page valid, the program runs.
# Usage: install_tree.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=$1
require desktop-file-validate appstreamcli xmllint update-mime-database man
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cd "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

diff <(expected_files) <(find . -type f | sed 's|^\./||' | LC_ALL=C sort) ||
    fail "the installed files differ from the list (< expected, > installed)"
for size in 16 32 48 64 128; do
    read -r width height < <(od -An -tu4 --endian=big -j16 -N8 share/icons/hicolor/${size}x${size}/apps/brw.png)
    [ "$width $height" = "$size $size" ] || fail "the $size px icon is $width x $height"
done

out=$(desktop-file-validate share/applications/*.desktop 2>&1) && [ -z "$out" ] ||
    fail "desktop entry: $out"
out=$(appstreamcli validate --no-net --pedantic share/metainfo/*.xml 2>&1) || fail "metainfo: $out"
xmllint --noout share/mime/packages/brw.xml
update-mime-database share/mime
grep -qx '50:application/x-brw:\*\.brw' share/mime/globs2 || fail "no *.brw glob: $(cat share/mime/globs2)"
out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l share/man/man1/brw.1.gz 2>&1 >/dev/null) &&
    [ -z "$out" ] || fail "manual page: $out"

# The installed program runs, and the metainfo names its version as its latest release.
version=$(QT_QPA_PLATFORM=offscreen bin/brw --version)
release=$(grep -o -m1 '<release version="[^"]*"' share/metainfo/*.xml | cut -d'"' -f2)
[ "$version" = "brw $release" ] || fail "version '$version', metainfo release '$release'"
