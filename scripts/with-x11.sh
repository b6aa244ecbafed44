#!/usr/bin/env bash
# Runs a command on a private X server: Xvfb on a free display with openbox as window manager.
# Usage: scripts/with-x11.sh COMMAND [ARGS...]
# The display is chosen by Xvfb itself (-displayfd), so parallel runs never collide. Both servers
# are stopped when the command ends, fails or this script is killed (a watchdog covers SIGKILL).
# Listing tests (--gtest_list_tests) needs no screen and runs the command directly.
set -uo pipefail

for arg in "$@"; do
    if [ "$arg" = "--gtest_list_tests" ]; then
        exec "$@"
    fi
done

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-x11.XXXXXX")
xvfb_pid=""
wm_pid=""
watchdog_pid=""

cleanup() {
    local pid
    for pid in $watchdog_pid $wm_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
    done
    for pid in $wm_pid $xvfb_pid; do
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/displayfd" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
read -r -t 20 display <"$work/displayfd"
if [ -z "$display" ]; then
    echo "with-x11: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$display"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_SESSION_TYPE=x11
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "${XDG_RUNTIME_DIR}" ]; then
    mkdir -m 700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime"
fi

openbox --sm-disable --config-file "$here/x11/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
wm_pid=$!

# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 1 200); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
        break
    fi
    if ! kill -0 "$wm_pid" 2>/dev/null; then
        echo "with-x11: openbox exited" >&2
        cat "$work/openbox.log" >&2
        exit 1
    fi
    sleep 0.05
done

# Stops both servers even if this script is killed without a chance to clean up.
parent=$$
(
    trap - EXIT HUP INT TERM
    while kill -0 "$parent" 2>/dev/null; do sleep 1; done
    kill "$wm_pid" "$xvfb_pid" 2>/dev/null
) </dev/null >/dev/null 2>&1 &
watchdog_pid=$!

"$@"
