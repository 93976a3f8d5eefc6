#!/bin/sh
# Runs a test binary (with its arguments) under Xvfb with a trayer panel, so
# a system tray exists; runtime and config folders are private to this run.
set -e
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/config" HOME="$work" QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" sh -c '
  trayer --edge top --align right --widthtype request --height 32 --SetDockType true --transparent false &
  tray=$!
  trap "kill $tray; wait $tray 2>/dev/null" EXIT
  timeout 10 xdotool search --sync --onlyvisible --class trayer >/dev/null
  "$@"' sh "$@"
