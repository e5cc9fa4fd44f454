#!/usr/bin/env bash
# checkall against the built programs, under a virtual X server of its own: the demo data
# must pass every check, every one of the 434 tools accounted for, a gridcheck without the demo database
# beside it and a registry setting naming an empty folder must fail with the programs'
# own boxes, and a report folder that cannot be written stops the run before it starts.
#   run_test.sh BUILD_DIR
set -euo pipefail
bin="$(cd "$1/bin" && pwd)"
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# No display and no session bus: checkall starts its own. The user's store is never used.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS QT_SCALE_FACTOR XDG_SESSION_TYPE
export TAV_REGISTRY_DIR="$tmp/user-store"

# 1. The demo data, every check and every tool, with a report.
set +e
"$bin/checkall" --demo --exhaustive --report "$tmp/report" >"$tmp/demo.out" 2>&1
rc=$?
set -e
cat "$tmp/demo.out"
[ "$rc" -eq 0 ] || fail "checkall --demo exited with $rc"
grep -qE '^[0-9]+ passed, 0 failed$' "$tmp/demo.out" || fail "no clean summary line"
tally="$(grep -oE 'tools: [0-9]+ answered, [0-9]+ silent by design, [0-9]+ not shown, [0-9]+ failed \(of 434\)' "$tmp/demo.out")" ||
    fail "no tally of the 434 tools"
set -- $(echo "$tally" | grep -oE '[0-9]+')
[ "$4" -eq 0 ] || fail "$4 tools failed"
[ $(($1 + $2 + $3)) -eq 434 ] || fail "answered, silent and not shown add up to $(($1 + $2 + $3)), not 434"
[ "$1" -gt 0 ] || fail "no tool answered"
for f in index.html junit.xml barcheck-tool-click.png datacheck-fill-grid.png gridcheck-manufacturers.png \
         propcheck-drop-down-pick.png; do
    [ -s "$tmp/report/$f" ] || fail "report file $f missing"
done
grep -q '<testsuite name="barcheck"' "$tmp/report/junit.xml" || fail "junit.xml has no barcheck suite"
[ ! -e "$tmp/user-store" ] || fail "the demo run touched the user's registry store"

# 2. Copies of the programs without the demo database beside them.
mkdir "$tmp/copies"
cp "$bin/checkall" "$bin/gridcheck" "$bin/reg" "$tmp/copies/"
set +e
"$tmp/copies/checkall" --demo gridcheck >"$tmp/copies.out" 2>&1
rc=$?
set -e
cat "$tmp/copies.out"
[ "$rc" -eq 1 ] || fail "gridcheck without its database: exit $rc, expected 1"
grep -qE '^gridcheck +window +FAIL.*box "prjGridCheck": ' "$tmp/copies.out" || fail "no prjGridCheck box reported"

# 3. The registry names an empty folder: datacheck's "Error: " box is a failure.
mkdir "$tmp/empty"
"$bin/reg" add 'HKCU\Software\Tavrion\Tavrion_v3' /v PATH_DB_EQUIP /t REG_SZ /d "$tmp/empty" /f >/dev/null
set +e
"$bin/checkall" datacheck >"$tmp/empty.out" 2>&1
rc=$?
set -e
cat "$tmp/empty.out"
[ "$rc" -eq 1 ] || fail "datacheck on an empty folder: exit $rc, expected 1"
grep -qE '^datacheck +test connection +FAIL.*box "datacheck": Error: ' "$tmp/empty.out" ||
    fail "no Error: box reported"

# 4. A report folder that cannot be written: exit 2 before any program starts.
touch "$tmp/file"
set +e
"$bin/checkall" --demo --report "$tmp/file/report" gridcheck >"$tmp/noreport.out" 2>&1
rc=$?
set -e
[ "$rc" -eq 2 ] || fail "unwritable report folder: exit $rc, expected 2"
grep -q 'report folder' "$tmp/noreport.out" || fail "no clear error for the report folder"
echo "checkall runs: all passed"
