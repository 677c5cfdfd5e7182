#!/usr/bin/env bash
# The Debian package: it depends on the shared libraries dpkg-shlibdeps finds for the program
# plus the Qt platform plugins (nothing from the build side) and holds the installation's files.
# As root in CI (or with BRW_TEST_CHROOT=1) it is installed into a fresh Debian 12 chroot, else
# it is unpacked. The installed program tells its version and, started where no key help lies,
# opens the key help of its data folder with F1, writing nothing there.
# Usage: deb_package.sh BRW BUILD_DIR
source "$(dirname "$0")/lib.sh"
build=$2
require cpack dpkg-deb dpkg-shlibdeps
e2e_init "$1"
# The chroot goes even when the test fails: it is large, and the logs tell what happened.
trap 'status=$?; brw_kill; rm -rf "$WORK/chroot"; (exit "$status"); e2e_cleanup' EXIT

step "cpack makes the package"
cpack --config "$build/CPackConfig.cmake" -B "$WORK/package" >"$WORK/cpack.log" 2>&1 ||
    fail "cpack: $(tail -n 5 "$WORK/cpack.log")"
deb=$(echo "$WORK"/package/brw_*.deb)
dpkg-deb -x "$deb" "$WORK/root" || fail "cannot unpack $deb"

step "its dependencies are the program's libraries and the Qt platform plugins"
package_names() { sed 's/^shlibs:Depends=//; s/([^)]*)//g; s/[ ,|]\+/\n/g' | sed '/^$/d' | sort -u; }
mkdir -p "$WORK/shlibs/debian" && touch "$WORK/shlibs/debian/control"
shlibs=$(cd "$WORK/shlibs" && dpkg-shlibdeps -O "$WORK/root/usr/bin/brw" 2>/dev/null) ||
    fail "dpkg-shlibdeps failed"
expected=$({ package_names <<<"$shlibs"; echo qt6-qpa-plugins; } | sort -u)
depends=$(dpkg-deb -f "$deb" Depends | package_names)
[ "$depends" = "$expected" ] || fail "Depends: ${depends//$'\n'/ }; expected: ${expected//$'\n'/ }"
grep -qx libqt6widgets6 <<<"$depends" || fail "no Qt runtime among the dependencies: $depends"
note "Depends: $(dpkg-deb -f "$deb" Depends)"

step "it holds the installation's files under /usr"
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub("^\\./", "", $6); print $6 }' | LC_ALL=C sort)
diff <(expected_files | sed 's|^|usr/|') <(echo "$contents") ||
    fail "the package's files differ from the list (< expected, > packaged)"

root=$WORK/root
can_chroot() { [ "$(id -u)" = 0 ] && command -v debootstrap >/dev/null; }
if [ "${BRW_TEST_CHROOT:-}" = 1 ] || { [ "${CI:-}" = true ] && can_chroot; }; then
    step "it installs into a fresh Debian 12 chroot with its dependencies alone"
    can_chroot || fail "the chroot needs root and debootstrap"
    root=$WORK/chroot
    # A fresh minimal system each time, unpacked from a copy that debootstrap makes once a week;
    # the packages apt downloads are kept too.
    cache=${BRW_TEST_CACHE:-/var/cache/brw-tests}
    base=$cache/bookworm-minbase.tar
    mkdir -p "$cache/apt" || fail "no package cache in $cache"
    if [ -n "$(find "$base" -mtime -7 2>/dev/null)" ]; then
        mkdir "$root" && tar -C "$root" -xf "$base" || fail "cannot unpack $base"
    else
        debootstrap --variant=minbase bookworm "$root" >"$WORK/debootstrap.log" 2>&1 ||
            fail "debootstrap: $(tail -n 5 "$WORK/debootstrap.log")"
        tar -C "$root" -cf "$base.$$" . && mv "$base.$$" "$base"
    fi
    note "a fresh Debian 12 after $SECONDS s"
    cp /etc/resolv.conf "$root/etc/" && cp "$deb" "$root/tmp/brw.deb" || fail "cannot fill the chroot"
    cp "$cache/apt/"*.deb "$root/var/cache/apt/archives/" 2>/dev/null
    echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io"
    chroot "$root" env DEBIAN_FRONTEND=noninteractive sh -c 'apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends /tmp/brw.deb' >"$WORK/apt.log" 2>&1 ||
        fail "apt-get: $(tail -n 5 "$WORK/apt.log")"
    cp -u "$root/var/cache/apt/archives/"*.deb "$cache/apt/"
    note "installed after $SECONDS s"
    printf '#!/bin/sh\nexec chroot "%s" env -C /docs /usr/bin/brw "$@"\n' "$root" >"$WORK/installed"
else
    note "(unpacked; as root, CI=true or BRW_TEST_CHROOT=1 installs it into a fresh chroot)"
    printf '#!/bin/sh\nexec "%s/usr/bin/brw" "$@"\n' "$root" >"$WORK/installed"
fi
chmod +x "$WORK/installed"
mkdir "$root/docs" && cd "$root/docs" || exit 2

step "the installed program tells its version"
version=$("$WORK/installed" --version) || fail "the installed program does not run"
[ "$version" = "$("$BRW" --version)" ] || fail "the installed program says '$version'"

step "started where no key help lies, F1 opens the one in the data folder"
data=$root/usr/share/brw
before=$(ls -l "$data")
BRW=$WORK/installed
brw_start
keys "$(wait_window "BRW - ")" F1
wait_window "BRW - keyhelp.txt" >/dev/null
[ "$(ls -l "$data")" = "$before" ] || fail "the data folder changed: $(ls "$data")"
