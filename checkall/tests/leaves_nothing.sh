#!/usr/bin/env bash
# Nothing checkall starts outlives it, whatever happens, tried with hostile stand-ins for the
# programs: one that leaves its process group as a daemon does, a checkall killed from
# outside, Ctrl+C twice, and a program that freezes once its window is up.
#   leaves_nothing.sh BUILD_DIR FROZEN_STANDIN
set -euo pipefail
bin="$(cd "$1/bin" && pwd)"
frozen="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS QT_SCALE_FACTOR XDG_SESSION_TYPE
export TAV_REGISTRY_DIR="$tmp/user-store"

# checkall beside the stand-ins: gridcheck escapes with setsid and then waits.
mkdir "$tmp/bin"
cp "$bin/checkall" "$tmp/bin/"
cp "$frozen" "$tmp/bin/datacheck"
cat >"$tmp/bin/gridcheck" <<'STANDIN'
#!/bin/sh
setsid sleep 300 &
echo $! >"$STANDIN_DIR/escaped.pid"
echo $$ >"$STANDIN_DIR/program.pid"
exec sleep 300
STANDIN
chmod +x "$tmp/bin/gridcheck"

# Every process of a run carries its TMPDIR; none may be left, nor a folder of the run.
left() { grep -lsa "TMPDIR=$1" /proc/[0-9]*/environ 2>/dev/null | grep -v "/proc/$$/" || true; }
expect_clean() { # RUN_TMP WHAT
    local i
    for i in $(seq 100); do
        [ -z "$(left "$1")" ] && [ -z "$(ls -A "$1")" ] && return 0
        sleep 0.1
    done
    fail "$2: left running: $(left "$1" | tr '\n' ' ') left in $1: $(ls -A "$1" | tr '\n' ' ')"
}
# Starts checkall on gridcheck in the background once its stand-in is up; sets $pid.
start_waiting() { # RUN_TMP
    mkdir -p "$1/standin"
    TMPDIR="$1" STANDIN_DIR="$1/standin" "$tmp/bin/checkall" --step-timeout 60 gridcheck \
        >"$1.out" 2>&1 &
    pid=$!
    local i
    for i in $(seq 300); do
        [ -s "$1/standin/escaped.pid" ] && [ -s "$1/standin/program.pid" ] && return 0
        sleep 0.1
    done
    fail "the stand-in never started: $(cat "$1.out")"
}

# 1. A descendant that left the program's group is ended with the program.
run="$tmp/escape"
mkdir -p "$run/standin"
set +e
TMPDIR="$run" STANDIN_DIR="$run/standin" timeout 60 "$tmp/bin/checkall" --step-timeout 2 gridcheck \
    >"$run.out" 2>&1
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "escape: exit $rc, expected 1: $(cat "$run.out")"
mv "$run/standin" "$tmp/escape-standin"
! kill -0 "$(cat "$tmp/escape-standin/escaped.pid")" 2>/dev/null || fail "escape: the escaped process runs on"
expect_clean "$run" "escape"

# 2. checkall killed from outside: its children die with it, the watcher ends the rest.
run="$tmp/killed"
start_waiting "$run"
mv "$run/standin" "$tmp/killed-standin"
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
expect_clean "$run" "killed"

# 3. Ctrl+C twice in quick succession: ends at once, and still cleans up.
run="$tmp/twice"
start_waiting "$run"
mv "$run/standin" "$tmp/twice-standin"
kill -INT "$pid"
kill -INT "$pid"
set +e
wait "$pid"
rc=$?
set -e
[ "$rc" -eq 130 ] || fail "two signals: exit $rc, expected 130"
[ -z "$(ls -A "$run")" ] || fail "two signals: left in the temporary folder: $(ls -A "$run")"
expect_clean "$run" "two signals"

# 4. A program that freezes once its window is up: each step fails at the limit.
run="$tmp/frozen"
mkdir -p "$run" "$tmp/xdg"
chmod 700 "$tmp/xdg"
set +e
TMPDIR="$run" XDG_RUNTIME_DIR="$tmp/xdg" FREEZE_AFTER_MS=3000 timeout 120 "$tmp/bin/checkall" --step-timeout 3 datacheck \
    >"$run.out" 2>&1
rc=$?
set -e
cat "$run.out"
[ "$rc" -eq 1 ] || fail "frozen: exit $rc, expected 1"
grep -qE '^datacheck +window +PASS' "$run.out" || fail "frozen: the window was not found before the freeze"
grep -qE '^datacheck +test connection +FAIL.*after 3 s' "$run.out" || fail "frozen: no failure at the limit"
awk '/^datacheck/ && $0 ~ / s( |$)/ { for (i = 1; i < NF; i++) if ($(i + 1) == "s" && $i + 0 > 4.5) bad = bad $0 "\n" }
     END { if (bad != "") { printf "%s", bad; exit 1 } }' "$run.out" || fail "frozen: a step took longer than its limit"
expect_clean "$run" "frozen"
echo "checkall leaves nothing: all passed"
