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
source "$(dirname "$0")/xvfb.sh"
start_xvfb "$work"
trayer --edge top --align right --widthtype request --height 32 --SetDockType true --transparent false \
  2>"$work/trayer.log" &
TRAYER_PID=$!
timeout 10 xdotool search --sync --onlyvisible --class trayer >/dev/null
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb BQ_TRAY_TESTS=1
"$@"
