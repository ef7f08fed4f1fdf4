#!/usr/bin/env bash
# Starts the real Sorvane.exe under Wine, waits for its main window, takes a screenshot of the
# screen, closes the window with Alt+F4 (the window's close command) and checks a clean exit.
# Usage: launch_program.sh <Sorvane.exe> <artifacts directory>
set -uo pipefail
exe=$1
artifacts=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/lib/xvfb.sh"
source "$root/scripts/lib/wine-env.sh"
ensure_display || exit 1
prepare_wine_prefix || exit 1
mkdir -p "$artifacts"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

wine "$exe" &
pid=$!
cleanup() {
    kill -0 "$pid" 2>/dev/null && kill "$pid" 2>/dev/null
    [ -n "${SORVANE_XVFB_PID:-}" ] && kill "$SORVANE_XVFB_PID" 2>/dev/null
    true
}
trap cleanup EXIT

window=
for _ in $(seq 1 120); do
    window=$(xdotool search --name '^Sorvane$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its main window appeared"
    sleep 0.5
done
[ -n "$window" ] || fail "no window named Sorvane appeared"

# Let the dialog finish painting before the screenshot.
sleep 2
import -window root "$artifacts/main-window.png" || fail "screenshot failed"
[ -s "$artifacts/main-window.png" ] || fail "empty screenshot"
echo "screenshot: $artifacts/main-window.png"

xdotool key --window "$window" alt+F4
for _ in $(seq 1 60); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after its window was closed"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
xdotool search --name '^Sorvane$' >/dev/null 2>&1 && fail "the main window is still there"
echo "main window opened and closed; exit status 0"
