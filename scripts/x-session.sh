# A private Xvfb with the program's panel on it; sourced by the demo, the README pictures and the
# package test. The caller sets `work` (a scratch directory) and defines `fail MESSAGE`, and
# calls stop_session when it ends (an EXIT trap).
xvfb_pid=""
app_pid=""
panel=""

# start_xvfb WIDTHxHEIGHT: a private Xvfb on a free display number; exports DISPLAY.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "${1}x24" -noreset -nolisten tcp 3>"$work/display" \
    >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
}

# start_program EXE: runs the program (its stderr in $work/stderr) and waits for its panel, the
# visible 300 x 232 window named Lucivane; sets app_pid and panel.
start_program() {
  "$1" 2>"$work/stderr" &
  app_pid=$!
  for _ in $(seq 150); do
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended at start: $(cat "$work/stderr")"
    for w in $(xdotool search --onlyvisible --name '^Lucivane$' 2>/dev/null); do
      if xdotool getwindowgeometry "$w" | grep -q 'Geometry: 300x232'; then panel=$w; fi
    done
    [ -n "$panel" ] && return 0
    sleep 0.1
  done
  fail "the panel did not appear"
}

# exit_program: clicks Exit and waits for the program to end; its exit status lands in `status`.
exit_program() {
  xdotool mousemove --window "$panel" 254 92 click 1
  for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after Exit"
  status=0
  wait "$app_pid" || status=$?
  app_pid=""
}

stop_session() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
}
