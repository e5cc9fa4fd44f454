#!/usr/bin/env bash
# Builds the Debian package of the suite into a temporary folder, inspects it, then installs,
# runs and removes it under a temporary root with its own package database, so the
# system's own packages and files are never touched.
set -euo pipefail
build=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=packaging/tests/common.sh
. "$here/common.sh"
for tool in cpack dpkg-deb dpkg; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
for tool in lintian man; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh installs it)"
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export TAV_REGISTRY_DIR=$tmp/registry

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack"; }
debs=("$tmp"/out/*.deb)
check "one package built" test ${#debs[@]} -eq 1 -a -f "${debs[0]}"
deb=${debs[0]}

# Contents and control fields.
dpkg-deb -c "$deb" >"$tmp/contents"
for p in "${programs[@]}" reg checkall; do
    grep -qE "^-rwx.* \./usr/lib/tavrion-checks/$p\$" "$tmp/contents" || fail "package lacks lib/tavrion-checks/$p"
    grep -qF "./usr/bin/$p -> ../lib/tavrion-checks/$p" "$tmp/contents" || fail "package lacks the link bin/$p"
done
for p in "${programs[@]}"; do
    grep -qF "./usr/share/applications/tavrion-$p.desktop" "$tmp/contents" || fail "package lacks the launcher of $p"
done
grep -qF "./usr/lib/tavrion-checks/dbEquip.mdb" "$tmp/contents" || fail "package lacks the demo database"
check "package name" test "$(dpkg-deb -f "$deb" Package)" = tavrion-check-suite
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libsqlite3 libatspi2.0-0 xvfb dbus at-spi2-core; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
# The programs link no test library.
grep -q libqt6test6 <<<"$depends" && fail "Depends names libqt6test6: $depends"

# Debian's package checker finds no error and no warning. (The package overrides no tag; one
# overridden on purpose would go, with its reason, in usr/share/lintian/overrides/.)
lintian --fail-on error,warning --display-level ">=warning" "$deb" >"$tmp/lintian.log" 2>&1 ||
    { cat "$tmp/lintian.log"; fail "lintian"; }
grep -v "^running with root privileges" "$tmp/lintian.log" || echo "lintian: no error, no warning"

# Install under a temporary root. The root's package database is empty, so the declared
# dependencies (present on this machine, not in the root) are waived.
root=$tmp/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
: >"$root/var/lib/dpkg/status"
dpkg_root() {
    local force=(--force-depends --force-script-chrootless)
    [ "$(id -u)" -eq 0 ] || force+=(--force-not-root)
    dpkg --root="$root" --log="$tmp/dpkg.log" "${force[@]}" "$@"
}
dpkg_root -i "$deb" >"$tmp/dpkg-install.log" 2>&1 || { cat "$tmp/dpkg-install.log"; fail "dpkg -i under the temporary root"; }
dpkg --root="$root" -s tavrion-check-suite | grep -qx "Status: install ok installed" || fail "package not recorded as installed"
check_launchers "$root/usr/share" /usr
check_manpages "$root/usr/bin" "$root/usr/share/man/man1"
# The packaged checkall proves the packaged programs on the packaged demo data.
run_checkall "$root/usr/bin/checkall" --demo
# datacheck, pointed at the packaged demo data with the packaged reg tool, passes.
"$root/usr/bin/reg" add 'HKCU\Software\Tavrion\Tavrion_v3' /v PATH_DB_EQUIP /t REG_SZ /d "$root/usr/lib/tavrion-checks" /f >/dev/null ||
    fail "reg add with the packaged tool"
run_checkall "$root/usr/bin/checkall" datacheck

# Removal leaves none of the suite's files behind.
dpkg_root -r tavrion-check-suite >"$tmp/dpkg-remove.log" 2>&1 || { cat "$tmp/dpkg-remove.log"; fail "dpkg -r"; }
left=$(find "$root/usr" ! -type d 2>/dev/null || true)
check "files left after removal: $left" test -z "$left"
echo "package contents, install, checkall on the packaged programs and removal: ok"
