# Sourced by the scripts that need a private X display: start_xvfb WORKDIR
# starts Xvfb on a random display number between 100 and 899 (Xvfb refuses
# a number whose lock file another server holds, and then another number is
# tried), waits until it answers, exports DISPLAY and sets XVFB_PID.
# Asking Xvfb to pick with -displayfd races with other servers starting at
# the same moment, which can leave two of them on one number.
start_xvfb() {
  local work=$1 attempt n
  for attempt in $(seq 10); do
    n=$((100 + RANDOM % 800))
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp 2>"$work/xvfb.log" &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do
      kill -0 "$XVFB_PID" 2>/dev/null || break
      xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
      sleep 0.05
    done
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  cat "$work/xvfb.log" >&2
  echo "Xvfb did not start" >&2
  return 1
}
