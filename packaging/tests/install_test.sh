#!/usr/bin/env bash
# Installs the built suite into temporary prefixes and checks what a tester finds there:
# programs and demo database in lib/tavrion-checks, links in bin/, one launcher per program,
# and the installed checkall passing every check of the installed programs.
set -euo pipefail
build=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=packaging/tests/common.sh
. "$here/common.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export TAV_REGISTRY_DIR=$tmp/registry

# 1. Plain prefix.
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "install"; }
suite=$prefix/lib/tavrion-checks
for p in "${programs[@]}" reg checkall; do
    check "$p installed" test -x "$suite/$p"
    check "$p linked" test -L "$prefix/bin/$p"
    check "$p link is relative" test "$(readlink "$prefix/bin/$p")" = "../lib/tavrion-checks/$p"
    check "$p link resolves" test -x "$prefix/bin/$p"
done
check "demo database beside gridcheck" test -s "$suite/dbEquip.mdb"
check_launchers "$prefix/share" "$prefix"
# `man reg` finds the page through the prefix's bin/ in PATH, as it does for a user.
page=$(env -u MANPATH PATH="$prefix/bin:$PATH" man -w reg) || fail "man -w reg"
check "man reg opens the installed page ($page)" test "$page" = "$prefix/share/man/man1/reg.1.gz"

# Nothing lands outside the suite's folders.
unexpected=$(find "$prefix" ! -type d -printf '%P\n' |
    grep -Ev '^(lib/tavrion-checks|bin|share/applications|share/icons/hicolor/scalable/apps|share/man/man1|share/metainfo|share/doc/tavrion-check-suite)/[^/]+$' || true)
check "only the suite's files are installed: $unexpected" test -z "$unexpected"

# 2. checkall started through its link checks the installed programs on the demo data.
run_checkall "$prefix/bin/checkall" --demo

# The reg tool from its link points datacheck at the installed demo data, as the README says,
# and checkall's datacheck passes on that setting.
"$prefix/bin/reg" add 'HKCU\Software\Tavrion\Tavrion_v3' /v PATH_DB_EQUIP /t REG_SZ /d "$suite" /f >/dev/null ||
    fail "reg add through the link"
"$prefix/bin/reg" query 'HKCU\Software\Tavrion\Tavrion_v3' /v PATH_DB_EQUIP | grep -qF "$suite" ||
    fail "reg query does not show the folder just set"
run_checkall "$prefix/bin/checkall" datacheck

# 3. Staged install (as a package build does): files under DESTDIR, launchers name the
#    final prefix.
DESTDIR=$tmp/stage cmake --install "$build" --prefix /usr >/dev/null || fail "staged install"
check "staged program" test -x "$tmp/stage/usr/lib/tavrion-checks/gridcheck"
check "staged link" test "$(readlink "$tmp/stage/usr/bin/gridcheck")" = "../lib/tavrion-checks/gridcheck"
check_launchers "$tmp/stage/usr/share" /usr
echo "install layout, launchers and checkall on the installed programs: ok"
