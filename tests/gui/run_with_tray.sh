#!/usr/bin/env bash
# Runs a GUI test binary on a private Xvfb display with a trayer panel, so
# the program has a tray; both are started here and stopped by their PIDs.
#   run_with_tray.sh PROGRAM [ARGS...]
set -euo pipefail
work=$(mktemp -d)
XVFB_PID=""
TRAYER_PID=""
cleanup() {
  [ -n "$TRAYER_PID" ] && kill "$TRAYER_PID" 2>/dev/null && wait "$TRAYER_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# Xvfb picks a free display number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
trayer --edge top --align right --widthtype request --height 32 --SetDockType true --transparent false \
  2>"$work/trayer.log" &
TRAYER_PID=$!
timeout 10 xdotool search --sync --onlyvisible --class trayer >/dev/null
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb BQ_TRAY_TESTS=1
"$@"
