#!/usr/bin/env bash
# Runs a command inside a private headless Wayland session and tears the session down after it:
# sway (headless, pixman renderer, one output), its own D-Bus session bus, pipewire, the desktop
# portal with the wlroots screenshot backend, and a virtual pointer device. sway refuses to run
# as root, so under root everything (the command too) runs as nobody with a throwaway HOME.
#
#   scripts/wayland-session.sh [--size WxH] [--no-portal] [--out DIR] [--pointer PROGRAM] \
#     [--] COMMAND [ARG...]
#
# --size     the output's size in pixels (default 1280x720); the output is HEADLESS-1
# --no-portal  no portal service on the bus (the failure path)
# --out DIR  a directory the command may write to (made and handed to the session's user)
# --pointer  the virtual pointer client (default: build/ci/bin/virtual_pointer)
# The command sees WAYLAND_DISPLAY, SWAYSOCK, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS and
# LUCIVANE_SESSION_LOG (a directory with the session's logs). Its exit status is the script's.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != "--inner" ]; then
  size=1280x720 portal=1 out="" pointer="$here/../build/ci/bin/virtual_pointer"
  while [ $# -gt 0 ]; do
    case "$1" in
      --size) size=$2; shift 2 ;;
      --no-portal) portal=0; shift ;;
      --out) out=$2; shift 2 ;;
      --pointer) pointer=$2; shift 2 ;;
      --) shift; break ;;
      *) break ;;
    esac
  done
  [ $# -gt 0 ] || { echo "usage: $0 [options] COMMAND [ARG...]" >&2; exit 2; }
  [ -x "$pointer" ] || { echo "wayland-session: no virtual pointer client at $pointer" >&2; exit 2; }
  pointer=$(cd "$(dirname "$pointer")" && pwd)/$(basename "$pointer")
  base=$(mktemp -d /tmp/lucivane-wayland.XXXXXX)
  mkdir -m 0700 "$base/run" "$base/home" "$base/log"
  [ -n "$out" ] && mkdir -p "$out"
  run_as=()
  if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$base"
    [ -n "$out" ] && chown nobody:nogroup "$out"
    run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  # The wlroots portal always writes /tmp/out.png; one left by another user makes it fail.
  rm -f /tmp/out.png
  status=0
  "${run_as[@]}" env -i PATH="$PATH" HOME="$base/home" XDG_RUNTIME_DIR="$base/run" \
    LANG="${LANG:-C.UTF-8}" LUCIVANE_SESSION_LOG="$base/log" \
    XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland \
    dbus-run-session -- bash "$0" --inner "$size" "$portal" "$pointer" "$@" \
    3>&2 4>&1 >"$base/log/bus.log" 2>&1 || status=$?
  rm -f /tmp/out.png
  if [ "$status" -ne 0 ] && [ -n "${LUCIVANE_KEEP_SESSION_LOG:-}" ]; then
    echo "wayland-session: logs kept in $base/log" >&2
  else
    grep -q " $base/run/doc " /proc/mounts && umount -l "$base/run/doc" 2>/dev/null
    rm -rf "$base" || true
  fi
  exit "$status"
fi

# Inside: as the session's user, on the private bus.
shift
size=$1 portal=$2 pointer=$3
shift 3
log=$LUCIVANE_SESSION_LOG
exec 1>&4 2>&3 3>&- 4>&-  # the bus daemon's chatter stays in bus.log
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do wait "${pids[i]}" 2>/dev/null || true; done
  # The document portal, started by the bus, mounts a file system in the runtime directory.
  fusermount3 -u -z "$XDG_RUNTIME_DIR/doc" 2>/dev/null || true
}
trap cleanup EXIT

# Polls a condition every 20 ms for up to 15 s.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 750); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.02
  done
  echo "wayland-session: $what did not come up (logs: $log)" >&2
  return 1
}

cat >"$XDG_RUNTIME_DIR/sway.conf" <<CONF
xwayland disable
output HEADLESS-1 resolution $size position 0 0 bg #000000 solid_color
default_border none
default_floating_border none
CONF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$XDG_RUNTIME_DIR/sway.conf" >"$log/sway.log" 2>&1 &
pids+=($!)
export SWAYSOCK="$XDG_RUNTIME_DIR/sway-ipc.$(id -u).$!.sock"
wait_for "sway" swaymsg -t get_outputs
WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-[0-9]* | grep -v '\.lock$' | head -n1)")
export WAYLAND_DISPLAY

pipewire >"$log/pipewire.log" 2>&1 &
pids+=($!)
wait_for "pipewire" test -S "$XDG_RUNTIME_DIR/pipewire-0"
dbus-update-activation-environment WAYLAND_DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP \
  XDG_SESSION_TYPE XDG_RUNTIME_DIR

if [ "$portal" = 1 ]; then
  # The wlroots backend first, waited for: a portal started before it may stall its first
  # request for a long time.
  /usr/libexec/xdg-desktop-portal-wlr -l DEBUG >"$log/portal-wlr.log" 2>&1 &
  pids+=($!)
  wait_for "xdg-desktop-portal-wlr" grep -q 'registry listeners run' "$log/portal-wlr.log"
  /usr/libexec/xdg-desktop-portal >"$log/portal.log" 2>&1 &
  pids+=($!)
  # Asking for the name's owner, unlike a call to it, starts no second portal.
  wait_for "the desktop portal" bash -c "gdbus call --session --dest org.freedesktop.DBus \
    --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner \
    org.freedesktop.portal.Desktop | grep -q true"
  wait_for "the screenshot portal" bash -c "gdbus introspect --session \
    --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop \
    | grep -q org.freedesktop.portal.Screenshot"
fi

"$pointer" >"$log/pointer.log" 2>&1 &
pids+=($!)
wait_for "the virtual pointer" bash -c "swaymsg -t get_inputs | grep -q '\"type\": \"pointer\"'"

status=0
"$@" || status=$?
exit "$status"
