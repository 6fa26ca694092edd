#!/usr/bin/env bash
# Runs a command on a desktop of its own, as a player's session would have it:
# an X server, a window manager, a tray host, a Chinese locale and a home
# folder of its own, so nothing the client writes lands in the real home.
#
# Options before the command choose another desktop players have:
#   --no-tray            no tray host; a session bus with a notification
#                        service (dunst) that logs what it is asked to show to
#                        $QUORVANE_NOTIFICATION_LOG
#   --screen WxH         the X screen's size (1600x900 unless said)
#   --scale F            the toolkit's scale factor (QT_SCALE_FACTOR)
#   --monitors "M ..."   the screen split into RandR monitors, each
#                        WxH+X+Y, the one marked with a leading * primary
#   --wayland            weston's headless compositor instead of X, the
#                        client on Qt's Wayland platform; screenshots with
#                        weston-screenshooter
#   --input-method fcitx5  a session bus and fcitx5 with pinyin active,
#                        the client on its input-method module
#   --lang L             the locale (zh_CN.UTF-8 unless said)
# Every desktop but the first paints its background in a colour of its own
# ($QUORVANE_DESKTOP_BACKGROUND), so see-through parts of windows show.
set -euo pipefail

tray=1 screen=1600x900 scale="" monitors="" wayland=0 input_method="" lang=zh_CN.UTF-8
background=""
while [ $# -gt 0 ]; do
  case "$1" in
    --no-tray) tray=0; background="#2e5e3e"; shift ;;
    --screen) screen="$2"; background="#2e5e3e"; shift 2 ;;
    --scale) scale="$2"; shift 2 ;;
    --monitors) monitors="$2"; background="#2e5e3e"; shift 2 ;;
    --wayland) wayland=1; tray=0; background="#2e5e3e"; shift ;;
    --input-method) input_method="$2"; shift 2 ;;
    --lang) lang="$2"; shift 2 ;;
    *) break ;;
  esac
done

pids=()
home="$(mktemp -d)"
cleanup() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$home"
}
trap cleanup EXIT

export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/.run"
mkdir -p "$home/Desktop" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"
export QUORVANE_DESKTOP_BACKGROUND="$background"

# A session bus of the desktop's own, for the services below.
session_bus() {
  [ -n "${session_bus_started:-}" ] && return
  local address="$home/bus-address"
  dbus-daemon --session --nofork --print-address=3 3>"$address" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$address" ] && break; sleep 0.1; done
  DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$address")"
  export DBUS_SESSION_BUS_ADDRESS
  session_bus_started=1
}

# Whether a service has its name on the session bus (asking starts none).
bus_has() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q true
}

if [ "$wayland" = 1 ]; then
  unset DISPLAY
  cat >"$home/weston.ini" <<EOF
[core]
shell=desktop-shell.so
[shell]
background-color=0xff${background#\#}
panel-position=none
EOF
  # --debug lets weston-screenshooter take pictures of the output.
  weston --backend=headless-backend.so --use-pixman --width="${screen%x*}" \
    --height="${screen#*x}" --socket=wayland-quorvane --config="$home/weston.ini" --debug \
    >"$home/weston.log" 2>&1 &
  pids+=($!)
  export WAYLAND_DISPLAY=wayland-quorvane
  for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break; sleep 0.1; done
  # The shell paints its background once its own client has started.
  sleep 1
  platform=wayland
else
  n=110
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  # Without -noreset the server would forget the monitors whenever its last
  # client left.
  Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

  openbox >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
  [ -n "$background" ] && xsetroot -solid "$background"
  if [ -n "$monitors" ]; then
    i=0
    for monitor in $monitors; do
      geometry="${monitor#\*}" name="MONITOR$i"
      [ "$monitor" != "$geometry" ] && name="*$name"
      w="${geometry%%x*}" rest="${geometry#*x}" h="${rest%%+*}" origin="${rest#*+}"
      # The first monitor takes the screen's one output, so the whole screen
      # is no monitor of its own; physical sizes give 96 dpi.
      output=none
      [ "$i" = 0 ] && output=screen
      xrandr --setmonitor "$name" "$w/$((w * 254 / 960))x$h/$((h * 254 / 960))+$origin" "$output" >/dev/null
      i=$((i + 1))
    done
  fi
  if [ "$tray" = 1 ]; then
    where=()
    [ -n "$monitors" ] && where=(--monitor primary)
    trayer --edge bottom --align right --widthtype request --height 28 --SetDockType true \
      --transparent false --tint 0x202838 ${where[@]+"${where[@]}"} >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do xdotool search --class trayer >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  sleep 0.5
  platform=xcb
fi

if [ "$tray" = 0 ] && [ "$wayland" = 0 ]; then
  # The desktop's notification service, which writes down each message.
  session_bus
  export QUORVANE_NOTIFICATION_LOG="$home/notifications.log"
  : >"$QUORVANE_NOTIFICATION_LOG"
  mkdir -p "$XDG_CONFIG_HOME/dunst"
  cat >"$XDG_CONFIG_HOME/dunst/log-notification" <<EOF
#!/bin/sh
# appname summary body icon urgency
printf '%s|%s|%s|%s|%s\n' "\$1" "\$2" "\$3" "\$4" "\$5" >>"$QUORVANE_NOTIFICATION_LOG"
EOF
  chmod +x "$XDG_CONFIG_HOME/dunst/log-notification"
  cat >"$XDG_CONFIG_HOME/dunst/dunstrc" <<EOF
[global]
    font = Noto Sans CJK SC 10
    # Away from the windows' title strips and their buttons.
    origin = bottom-left
    offset = 10x40
[log]
    summary = "*"
    script = $XDG_CONFIG_HOME/dunst/log-notification
EOF
  dunst -config "$XDG_CONFIG_HOME/dunst/dunstrc" >"$home/dunst.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do bus_has org.freedesktop.Notifications && break; sleep 0.1; done
fi

if [ "$input_method" = fcitx5 ]; then
  session_bus
  mkdir -p "$XDG_CONFIG_HOME/fcitx5"
  # Pinyin is the input method, active from the start: the first of the group
  # is the one in use while the input method is not switched on.
  cat >"$XDG_CONFIG_HOME/fcitx5/profile" <<'EOF'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=pinyin

[Groups/0/Items/0]
Name=pinyin
Layout=

[GroupOrder]
0=Default
EOF
  fcitx5 --disable=cloudpinyin >"$home/fcitx5.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do bus_has org.fcitx.Fcitx5 && break; sleep 0.1; done
  export QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx
fi

[ -n "$scale" ] && export QT_SCALE_FACTOR="$scale"
unset LC_ALL LC_MESSAGES LANGUAGE
LANG="$lang" QT_QPA_PLATFORM="$platform" "$@"
