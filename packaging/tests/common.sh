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
        desktop-file-validate "$f" || fail "launcher of $p is not a valid desktop file"
    done
    check_metainfo "$share"
}

# The suite's software-centre entry below share/ validates, and each launcher it names exists.
check_metainfo() {
    local share=$1 files f launcher
    files=("$share"/metainfo/*.metainfo.xml)
    check "one metainfo file" test ${#files[@]} -eq 1 -a -f "${files[0]}"
    f=${files[0]}
    appstreamcli validate --no-net --pedantic "$f" || fail "metainfo does not validate: $f"
    for launcher in $(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$f"); do
        check "metainfo names launcher $launcher" test -f "$share/applications/$launcher"
    done
    for p in "${programs[@]}"; do
        grep -qF ">tavrion-$p.desktop<" "$f" || fail "metainfo lacks the launcher of $p"
    done
}

# Renders the manual page of every command in a bin/ folder from share/man/man1 with man -l:
# each has its name line, an exit status and no formatter warning. The reg page holds, line
# for line, every usage text `reg /?` prints (tools/reg/usage/).
check_manpages() {
    local bin=$1 man1=$2 c page out warnings usage line
    for c in "$bin"/*; do
        c=$(basename "$c")
        page=$man1/$c.1.gz
        check "manual page of $c" test -s "$page"
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>"$tmp/man-warnings") ||
            fail "man -l $page"
        warnings=$(cat "$tmp/man-warnings")
        check "manual page of $c renders without warnings: $warnings" test -z "$warnings"
        grep -qE "^ +$c +- +[a-z]" <<<"$out" || fail "manual page of $c lacks its NAME line"
        grep -qx "EXIT STATUS" <<<"$out" || fail "manual page of $c lacks EXIT STATUS"
    done
    usage=$(cd "$here/../../tools/reg/usage" && pwd)
    out=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man1/reg.1.gz" | sed 's/^ *//')
    for f in "$usage"/*.txt; do
        while IFS= read -r line; do
            line=${line#"${line%%[! ]*}"}
            [ -z "$line" ] || [ "$line" = "%KEYNAME%" ] && continue
            grep -qxF -- "$line" <<<"$out" || fail "the reg page lacks the line of $(basename "$f"): $line"
        done <"$f"
    done
}
