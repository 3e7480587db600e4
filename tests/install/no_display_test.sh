#!/usr/bin/env bash
# Without a usable display the program says why on stderr and ends with status 1 (no abort, no
# core dump): DISPLAY unset, DISPLAY naming no server, and a Wayland display that does not answer.
# Usage: no_display_test.sh <lucivane>
set -euo pipefail
exe=$1
err=$(mktemp)
trap 'rm -f "$err"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A display number with no server behind it.
free=987
while [ -e "/tmp/.X11-unix/X$free" ] || [ -e "/tmp/.X$free-lock" ]; do free=$((free + 1)); done

# expect <wanted stderr text> [--args <option> <value>] <env arguments...>
expect() {
  local want=$1
  shift
  local status=0
  local args=()
  if [ "${1:-}" = --args ]; then
    args=("$2" "$3")
    shift 3
  fi
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" timeout 20 "$exe" "${args[@]}" \
    2>"$err" || status=$?
  [ "$status" -eq 1 ] || fail "$* -> status $status, want 1; stderr: $(cat "$err")"
  grep -qF "$want" "$err" || fail "$* -> stderr lacks '$want': $(cat "$err")"
  [ "$(wc -l <"$err")" -eq 1 ] || fail "$* -> more than the one message: $(cat "$err")"
}

need='Lucivane needs a Wayland or an X11 session.'
expect "lucivane: cannot open the X display: DISPLAY is not set. $need"
expect "lucivane: cannot open the X display \":$free\": $need" DISPLAY=":$free"
expect "lucivane: cannot open the X display \"nonsense\": $need" DISPLAY=nonsense
expect "lucivane: the Wayland display \"lucivane-none\" does not answer and DISPLAY is not set. $need" \
  WAYLAND_DISPLAY=lucivane-none
# An explicit xcb choice is checked the same way.
expect "lucivane: cannot open the X display \":$free\": $need" DISPLAY=":$free" QT_QPA_PLATFORM=xcb
# Qt's own -display option names the display, before $DISPLAY.
expect "lucivane: cannot open the X display \":$free\": $need" --args -display ":$free"
expect "lucivane: cannot open the X display \"nonsense\": $need" --args -display nonsense \
  DISPLAY=":$free"
echo "no-display start OK"
