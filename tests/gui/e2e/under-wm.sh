#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program (its arguments follow) under a window manager: an X
# server of its own (Xvfb, 1280x800) with openbox, on Qt's xcb platform.
# Focus, activation, stacking and where a frame lands are the window
# manager's decisions, so the tests of them need one; without it every
# window "has" the keyboard and sits where it asked to be.
# Exit status 77 (a tool missing) counts as skipped.
set -uo pipefail
for tool in Xvfb openbox xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
tmp=$(mktemp -d "${TMPDIR:-/tmp}/lirana-wm-XXXXXX")
xvfb_pid= wm_pid=
cleanup() {
  [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

exec 3>"$tmp/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
# The display number is whole once its line ends.
for _ in $(seq 100); do [[ $(wc -l <"$tmp/displayfd") -ge 1 ]] && break; sleep 0.1; done
[[ $(wc -l <"$tmp/displayfd") -ge 1 ]] || { echo "Xvfb did not start"; cat "$tmp/xvfb.log"; exit 1; }
export DISPLAY=:$(head -1 "$tmp/displayfd")

# openbox with its stock configuration, in folders of its own.
mkdir -p "$tmp/home" "$tmp/config"
HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
  { echo "openbox did not start"; cat "$tmp/openbox.log"; exit 1; }

QT_QPA_PLATFORM=xcb "$@"
