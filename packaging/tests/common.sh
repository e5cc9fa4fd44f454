# shellcheck shell=bash
# Helpers shared by the packaging tests (sourced).
# shellcheck disable=SC2034  # used by the scripts that source this file
programs=(barcheck datacheck gridcheck propcheck)
fail() { echo "FAIL: $*" >&2; exit 1; }
check() { local what=$1; shift; "$@" || fail "$what"; }

# Runs one program the way a launcher would, from an unrelated current folder, and lets the
# scripted tester end it as soon as its window is up; a program that does not start, or
# cannot find its files, fails here.
start_and_quit() {
    local exe=$1 out
    out=$(cd / && TAV_AUTOPILOT="wait:100;quit" timeout 120 "$exe" 2>&1) ||
        fail "$exe did not start and quit cleanly: $out"
}

# gridcheck prints its row count when TAV_EXIT_AFTER_LOAD=1; rows prove it found the demo
# database beside the program file it was started through.
gridcheck_rows() {
    local exe=$1 out
    out=$(cd / && TAV_EXIT_AFTER_LOAD=1 timeout 120 "$exe" 2>&1) || fail "$exe failed: $out"
    sed -n 's/^Grid1 rows: \([0-9]*\)$/\1/p' <<<"$out"
}

# Value of KEY in a desktop file.
desktop_key() { sed -n "s/^$2=//p" "$1" | head -n1; }

# Checks the four launchers below share/ of a root: Exec names the link in bin/ of
# `exec_prefix`, the icon exists, the comment is one non-empty line.
check_launchers() {
    local share=$1 exec_prefix=$2 p f icon
    for p in "${programs[@]}"; do
        f=$share/applications/tavrion-$p.desktop
        check "launcher of $p" test -f "$f"
        check "Exec of $p" test "$(desktop_key "$f" Exec)" = "$exec_prefix/bin/$p"
        check "Type of $p" test "$(desktop_key "$f" Type)" = Application
        check "comment of $p" test -n "$(desktop_key "$f" Comment)"
        icon=$(desktop_key "$f" Icon)
        check "icon of $p" test -s "$share/icons/hicolor/scalable/apps/$icon.svg"
        if command -v desktop-file-validate >/dev/null; then
            desktop-file-validate "$f" || fail "launcher of $p is not a valid desktop file"
        fi
    done
}
