# shellcheck shell=bash
# Helpers shared by the packaging tests (sourced).
# shellcheck disable=SC2034  # used by the scripts that source this file
programs=(barcheck datacheck gridcheck propcheck)
fail() { echo "FAIL: $*" >&2; exit 1; }
check() { local what=$1; shift; "$@" || fail "$what"; }

# Runs an installed checkall from an unrelated current folder under a virtual X server of
# its own; it starts the installed programs beside its resolved file. Any further arguments
# go to checkall; every check must pass.
run_checkall() {
    local exe=$1 out
    shift
    out=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u XDG_SESSION_TYPE \
        timeout 600 "$exe" "$@" 2>&1) || fail "$exe $* did not pass: $out"
    grep -qE '^[0-9]+ passed, 0 failed$' <<<"$out" || fail "$exe $* printed no clean summary: $out"
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
