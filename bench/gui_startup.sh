#!/usr/bin/env bash
# Start-up of the desktop program to its shown window, with the demo data
# folder: starts a private Xvfb, lays out the demo data with the CLI, then
# five times starts brindlequay and polls (xdotool, every ~5 ms) until its
# window is mapped; prints each time and the median, then quits the program
# with a second start ("quit").
#   bench/gui_startup.sh [BUILD_DIR]     (default: build)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
XVFB_PID=""
cleanup() {
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/../tests/gui/xvfb.sh"
start_xvfb "$work"
export QT_QPA_PLATFORM=xcb TMPDIR="$work" XDG_RUNTIME_DIR="$work"
chmod 700 "$work"
"$build/brindlequay-cli" --data "$work/data" demo >/dev/null
args=(--data "$work/data" --settings "$work/brindlequay.ini")
times=()
for run in 1 2 3 4 5; do
  start=$(date +%s%N)
  "$build/brindlequay" "${args[@]}" 2>"$work/err.txt" &
  pid=$!
  until xdotool search --onlyvisible --name '^Brindlequay' >/dev/null 2>&1; do
    kill -0 $pid 2>/dev/null || { cat "$work/err.txt" >&2; kill -0 "$XVFB_PID" && echo "xvfb $XVFB_PID alive on $DISPLAY" >&2; ls /tmp/.X11-unix >&2; cat "$work/xvfb.log" >&2; echo "the program ended before showing its window" >&2; exit 1; }
    sleep 0.005
  done
  end=$(date +%s%N)
  ms=$(( (end - start) / 1000000 ))
  times+=("$ms")
  echo "run $run: ${ms} ms to the shown window"
  "$build/brindlequay" "${args[@]}" quit
  wait $pid
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
echo "median: ${median} ms (demo data folder, 3 site folders)"
