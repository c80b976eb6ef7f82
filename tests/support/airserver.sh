#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# airserver.sh start|stop|kill pulseaudio|pipewire DIR — a private sound
# server for the air tests, configured like a stock desktop's (stream
# volumes remembered per application), with a null sink "air" as the
# default sink. Everything (runtime folder, state, configuration, logs, pid
# files) lives under DIR; processes are ended only by their pid files.
#
# Clients use PULSE_SERVER=unix:DIR/xdg/pulse/native.
#   start  pulseaudio: `pulseaudio -n` with the native protocol (anonymous:
#          the folder is the user's alone), the null sink at 44.1 kHz and
#          module-stream-restore; pipewire: a session bus of its own (unless
#          it runs already), pipewire, WirePlumber and pipewire-pulse, the
#          null sink at 48 kHz. Returns once the sink answers; the stored
#          stream volumes in DIR are kept across starts
#   stop   ends every process by its pid (TERM, KILL after 5 s)
#   kill   ends the server's processes with SIGKILL, as a crash would (the
#          session bus stays), so "start" brings them back on the same socket
# Options (start):
#   PW_QUANTUM=N     minimum graph quantum and pulse quantum (2048 recommended:
#                    a 10 ms-latency recorder otherwise drives the graph at 256
#                    frames and whole cycles drop out on 2 cores)
#   AIR_OWNER=PID    stop everything once that process has ended (a test that
#                    crashes or is killed leaves nothing behind)
set -u
cmd=${1:-}; kind=${2:-}; D=${3:-}
usage() { echo "usage: $0 start|stop|kill pulseaudio|pipewire DIR" >&2; exit 2; }
[ -n "$D" ] && { [ "$kind" = pulseaudio ] || [ "$kind" = pipewire ]; } || usage
D=$(cd "$D" 2>/dev/null && pwd) || { echo "airserver: no folder $3" >&2; exit 2; }
export HOME=$D/home XDG_RUNTIME_DIR=$D/xdg XDG_STATE_HOME=$D/state XDG_CONFIG_HOME=$D/config XDG_CACHE_HOME=$D/cache
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
unset DISPLAY WAYLAND_DISPLAY PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR PIPEWIRE_CONFIG_DIR DBUS_SYSTEM_BUS_ADDRESS PULSE_CLIENTCONFIG
R=$D/run
waitfor() { local i; for i in $(seq 400); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.025; done; echo "airserver: timeout: $1" >&2; return 1; }
# A process that ended may stay a zombie when nobody reaps orphans.
running() { local s; s=$(ps -o stat= -p "$1" 2>/dev/null) && [ "${s:0:1}" != Z ]; }
alive() { [ -s "$R/$1.pid" ] && running "$(cat "$R/$1.pid")"; }
# end NAME SIGNAL: ends the process of pid file NAME, waits until it is gone.
end() {
  [ -s "$R/$1.pid" ] || return 0
  local p; p=$(cat "$R/$1.pid")
  if [ "$p" != $$ ]; then
    kill "-$2" "$p" 2>/dev/null
    for _ in $(seq 200); do running "$p" || break; sleep 0.025; done
    running "$p" && { echo "airserver: $1 ($p) did not stop, KILL" >&2; kill -KILL "$p" 2>/dev/null; }
  fi
  rm -f "$R/$1.pid"
}
if [ "$kind" = pulseaudio ]; then daemons="pulseaudio"; else daemons="pipewire-pulse wireplumber pipewire"; fi
case $cmd in
start)
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_STATE_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$R"
  chmod 700 "$XDG_RUNTIME_DIR" "$HOME"
  if [ -n "${AIR_OWNER:-}" ] && ! alive watch; then
    ( exec 0</dev/null >/dev/null 2>&1
      while running "$AIR_OWNER"; do sleep 0.5; done
      exec "$0" stop "$kind" "$D" ) &
    echo $! > "$R/watch.pid"
  fi
  # Sockets and the pid file left by a server that was killed (it may stay
  # a zombie, which pulseaudio would take for a server still running).
  rm -f "$XDG_RUNTIME_DIR"/pipewire-0 "$XDG_RUNTIME_DIR"/pipewire-0-manager "$XDG_RUNTIME_DIR"/pulse/{native,pid}
  if [ "$kind" = pulseaudio ]; then
    env -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS pulseaudio --daemonize=no --exit-idle-time=-1 -n \
      --load="module-native-protocol-unix auth-anonymous=1" \
      --load="module-null-sink sink_name=air rate=44100 norewinds=1" \
      --load="module-stream-restore restore_device=false" \
      --log-target="file:$D/pulse.log" >/dev/null 2>>"$D/pulse.stderr" </dev/null &
    echo $! > "$R/pulseaudio.pid"
    waitfor 'pactl info' || exit 1
  else
    if [ -n "${PW_QUANTUM:-}" ]; then
      mkdir -p "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d" "$XDG_CONFIG_HOME/pipewire/pipewire-pulse.conf.d"
      echo "context.properties = { default.clock.min-quantum = $PW_QUANTUM }" > "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/quantum.conf"
      echo "pulse.properties = { pulse.min.quantum = $PW_QUANTUM/48000 }" > "$XDG_CONFIG_HOME/pipewire/pipewire-pulse.conf.d/quantum.conf"
    fi
    if ! alive dbus; then
      dbus-daemon --session --fork --nopidfile --address="unix:path=$XDG_RUNTIME_DIR/bus" --print-pid=3 3>"$R/dbus.pid" || exit 1
    fi
    pipewire >"$R/pipewire.log" 2>&1 </dev/null & echo $! > "$R/pipewire.pid"
    waitfor '[ -S "$XDG_RUNTIME_DIR/pipewire-0" ]' || exit 1
    wireplumber >"$R/wireplumber.log" 2>&1 </dev/null & echo $! > "$R/wireplumber.pid"
    pipewire-pulse >"$R/pipewire-pulse.log" 2>&1 </dev/null & echo $! > "$R/pipewire-pulse.pid"
    waitfor 'pactl info' || exit 1
    pactl load-module module-null-sink sink_name=air rate=48000 channels=2 > "$R/null-sink.module" || exit 1
  fi
  # The sink answers and runs (no module-suspend-on-idle: the monitor of
  # an idle sink delivers continuous silence).
  waitfor 'pactl list short sinks | grep -qP "^\d+\tair\t"' || exit 1
  pactl set-default-sink air
  waitfor '[ "$(pactl get-default-sink)" = air ]' || exit 1
  ;;
stop)
  for f in $daemons dbus watch; do end "$f" TERM; done ;;
kill)
  for f in $daemons; do end "$f" KILL; done ;;
*)
  usage ;;
esac
