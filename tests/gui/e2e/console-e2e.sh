#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the console: the real program on a generated album
# under its own X server (Xvfb), its own XDG folders and play logging on.
# Keys go in with xdotool; the play log, the saved album and the restored
# placement are checked; screenshots go to $SHOTS.
# Usage: console-e2e.sh LIRANA MAKE_DEMO SHOTS
set -euo pipefail
lirana=$1 make_demo=$2 shots=$3
catalogue=$(cd "$(dirname "$0")/../../.." && pwd)/translations/lirana_de.ts
for tool in Xvfb xdotool import convert sox espeak-ng; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

tmp=$(mktemp -d /tmp/lirana-e2e-XXXXXX)
xvfb_pid= app_pid=
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"; echo "--- program output"; cat "$tmp/app.log" 2>/dev/null || true
  echo "--- play log"; cat "$tmp"/logs/*.LOG 2>/dev/null || true; exit 1
}
# A command that fails where nothing checks it ends the run saying which.
trap 'fail "line $LINENO: $BASH_COMMAND"' ERR

mkdir -p "$tmp"/{config/Oxbelund,data,home,cwd,runtime,logs} "$shots"
chmod 700 "$tmp/runtime"
export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_STATE_HOME=$tmp/state HOME=$tmp/home
export DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/no-bus # not the desktop's bus
export XDG_RUNTIME_DIR=$tmp/runtime XDG_CONFIG_DIRS=$tmp/etc
export QT_QPA_PLATFORM=xcb GST_REGISTRY=$tmp/gst-registry.bin
# No web browser in this world, whatever the machine has: F1 shows the
# program's own help window, and nothing can open a browser.
mkdir -p "$tmp/no-browser"
printf '#!/bin/sh\nexit 1\n' >"$tmp/no-browser/xdg-mime"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/xdg-open-args"\nexit 1\n' "$tmp" >"$tmp/no-browser/xdg-open"
chmod +x "$tmp/no-browser/xdg-mime" "$tmp/no-browser/xdg-open"
export PATH=$tmp/no-browser:$PATH
unset WAYLAND_DISPLAY
cd "$tmp/cwd"
cat >"$XDG_CONFIG_HOME/Oxbelund/Lirana.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]
"Enable Logging"=hex:01,00,00,00
"Logfile Dir"="$tmp/logs"
"Shutdown Confirmation"=hex:00,00,00,00
"AudioSink"="fakesink sync=true"
"MediaDir"="$tmp/demo"
"Overlap Time"=dword:000003e8
REG
album=$("$make_demo" "$tmp/demo")
jingle=$(grep -v '^#' "$album" | sed -n 1p)
# Three tools: a program that writes down its arguments (with an icon file
# of its own), a folder and a document, each showing its kind of icon.
mkdir -p "$tmp/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/tool-args"\n' "$tmp" >"$tmp/bin/show-item"
chmod +x "$tmp/bin/show-item"
convert -size 32x32 xc:none -fill '#2ea043' -draw 'circle 16,16 16,3' "$tmp/bin/show-item.png" || true
echo "notes" >"$tmp/notes.txt"
cat >>"$XDG_CONFIG_HOME/Oxbelund/Lirana.reg" <<REG

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Sounds]
"Sound 1"="$jingle"
"Count"=dword:00000009

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Events]
"Count"=dword:00000002

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Events\\Event 0]
"FileName"="$jingle"
"StartDate"="2098-1-1 7:00:00"
"ExpireDate"="2099-12-31 0:00:00"
"WeekDayMask"=dword:0000007f
"EveryHour"=hex:00,00,00,00
"Exact"=hex:01,00,00,00

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Events\\Event 1]
"FileName"="$jingle"
"StartDate"="2098-1-1 0:30:00"
"ExpireDate"="2099-12-31 0:00:00"
"WeekDayMask"=dword:0000003e
"EveryHour"=hex:01,00,00,00
"Exact"=hex:00,00,00,00

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\DirectShow Filters]
"FilterCount"=dword:00000001

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\DirectShow Filters\\Filter 0]
"Name"="Simple amplifier"
"CLSID"="{ladspa-amp-1181-so-amp}"
"Data"=hex:$(printf '%s' 'state, amps-gain=(string)0;' | od -An -tx1 -v | tr -s ' \n' ',' | sed 's/^,//; s/,$//')

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Tool Menu]
"Count"=dword:00000003

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Tool Menu\\Tool 1]
"CommandLine"="$tmp/bin/show-item"
"Params"="--file \\"\$(FilePath)\\" --name \$(FileName)"
"Description"="Show Item"
"IconFile"="$tmp/bin/show-item.png"

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Tool Menu\\Tool 2]
"CommandLine"="$tmp/demo"
"Description"="Media Files"
"IconFile"="$tmp/demo"
"StartOptions"=dword:00000001

[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Tool Menu\\Tool 3]
"CommandLine"="$tmp/notes.txt"
"Description"="Notes"
REG

exec 3>"$tmp/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -s $tmp/displayfd ]] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$tmp/displayfd")

start_app() {
  "$lirana" "$@" >"$tmp/app.log" 2>&1 &
  app_pid=$!
  win=
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name ' - Lirana$' 2>/dev/null | head -1) || true
    [[ -n $win ]] && break
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended at start-up"
    sleep 0.1
  done
  [[ -n $win ]] || fail "no main window"
  sleep 3.5 # the splash closes after 3 s
}
key() { xdotool windowfocus --sync "$win"; xdotool key "$@"; sleep 0.4; }
log_file() { ls "$tmp"/logs/*.LOG 2>/dev/null | head -1; }
wait_log() { # pattern
  for _ in $(seq 50); do
    f=$(log_file); [[ -n $f ]] && grep -qP -- "$1" "$f" && return 0
    sleep 0.1
  done
  fail "log lacks /$1/: $(cat "$(log_file)" 2>/dev/null)"
}
# The manual's pictures (scripts/manual-shots copies them into
# docs/manual/shots): a shot of one of these names is also kept under the
# manual's name in $shots/manual, cut to the window given.
declare -A manual=([console-on-air]=console [sound-windows]=sound-buttons [options-general]=options
  [advanced-overlap]=advanced-options [advanced-recording]=recording [advanced-streaming]=streaming
  [edit-event]=events [help]=help)
shot() { # name [window [crop WxH+X+Y]]
  import -window root "$shots/$1.png"
  echo "screenshot: $shots/$1.png"
  if [[ -n ${manual[$1]:-} ]]; then
    mkdir -p "$shots/manual"
    # -screen: what is shown there, windows over it included.
    import -screen -window "${2:-root}" ${3:+-crop "$3"} "$shots/manual/${manual[$1]}.png"
  fi
}
box() { # windows: the rectangle around them, as WxH+X+Y
  local x0=100000 y0=100000 x1=0 y1=0 X Y WIDTH HEIGHT WINDOW SCREEN w
  for w in "$@"; do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    ((X < x0)) && x0=$X; ((Y < y0)) && y0=$Y
    ((X + WIDTH > x1)) && x1=$((X + WIDTH)); ((Y + HEIGHT > y1)) && y1=$((Y + HEIGHT))
  done
  echo "$((x1 - x0))x$((y1 - y0))+$x0+$y0"
}
rows() { grep -vc '^#' "$album"; }
saved_rows() { # count what: waits up to 5 s for the saved album to hold count rows (the keys are handled in turn)
  for _ in $(seq 50); do [[ $(rows) -eq $1 ]] && return; sleep 0.1; done
  fail "$2: $(rows) rows, expected $1"
}
name() { # the display name of row $1 (1-based) of the demo album
  grep -v '^#' "$album" | sed -n "$1{s|.*/||;s|\.[^.]*$||;p}"
}
first=$(name 1) second=$(name 2)

# --- first run: play, next, stop, edit, undo, save
start_app "$album"
wait_log $'\tstartup$'
xdotool getwindowname "$win" | grep -q 'demo.alb - Lirana' || fail "title: $(xdotool getwindowname "$win")"
starts() { grep -P '\tstart\t' "$(log_file)" | cut -f3 | paste -sd,; }
key p     # plays the selected first row
wait_log $'\tstart\t'"$first"'$'
key n     # while playing, Next skips to the next row
wait_log $'\tstart\t'"$second"'$'
key s     # stops; nothing starts after it
sleep 1
[[ $(starts) == "$first,$second" ]] || fail "after P N S: $(starts)"
# A second console on the same settings, on an album that is not there: it
# says so and exits 1, and the station's play log stays as it was, byte for
# byte.
cp "$(log_file)" "$tmp/log-before"
rc=0
timeout 30 "$lirana" "$tmp/nowhere/nonexistent.alb" >"$tmp/second.log" 2>&1 || rc=$?
[[ $rc -eq 1 ]] || fail "a second console ended with $rc: $(cat "$tmp/second.log")"
cmp -s "$tmp/log-before" "$(log_file)" || fail "a second console wrote into the play log: $(diff "$tmp/log-before" "$(log_file)")"
key p     # plays the selected row again
for _ in $(seq 30); do [[ $(starts) == *,*,* ]] && break; sleep 0.1; done
[[ $(starts) == "$first,$second,$second" ]] || fail "after P: $(starts)"
sleep 0.8
shot console-on-air "$win"
key 1     # sound button 1, twice: two sound windows beside the console
key KP_1
# The keys are sent, not yet handled: the windows come when the console
# has opened their items (slower under the sanitizers).
for _ in $(seq 50); do
  # xdotool fails while it finds none.
  sounds=$(xdotool search --onlyvisible --name "^$first\$" 2>/dev/null | wc -l) || true
  [[ $sounds -ge 2 ]] && break
  sleep 0.1
done
[[ $sounds -eq 2 ]] || fail "sound button 1 twice: $sounds sound windows"
shot sound-windows root "$(box "$win" $(xdotool search --onlyvisible --name "^$first\$"))"
window_named() { # title: waits for a visible window of that exact title, prints its id
  local id=
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) || true
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
closes() { # id title: Escape closes that window
  # A loaded machine (a sanitizer build at low priority) may take a while to
  # close it, or may not yet have given the new window its keys: a second
  # Escape goes in after 3 s, and only while that window is still there.
  local try
  for try in 1 2; do
    { xdotool windowfocus --sync "$1" && xdotool key Escape; } 2>/dev/null || true
    for _ in $(seq 30); do
      xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1 || return 0
      sleep 0.1
    done
  done
  fail "$2 still open after Escape"
}
sheet() { # title prefix page...: a picture of each page (Ctrl+Tab to the next), then Escape
  local title=$1 prefix=$2 id
  shift 2
  id=$(window_named "$title") || fail "no $title sheet"
  sleep 0.3
  for page in "$@"; do
    [[ $page == "$1" ]] || { xdotool windowfocus --sync "$id"; xdotool key ctrl+Tab; sleep 0.3; }
    shot "$prefix-$page" "$id"
    if declare -F "visit_${prefix}_$page" >/dev/null; then "visit_${prefix}_$page" "$id"; fi
  done
  closes "$id" "$title"
}
dialog() { # sheet-id keys title shot: the keys open a dialog over the sheet; its picture, then Escape
  local d
  xdotool windowfocus --sync "$1"; xdotool key "$2"; sleep 0.4
  d=$(window_named "$3") || fail "$2 opened no $3 window"
  shot "$4"
  closes "$d" "$3"
}
visit_advanced_plug-ins() { # the chain's amplifier: Add, then its Properties
  dialog "$1" alt+a 'Add Audio Plug-in' add-audio-plugin
  dialog "$1" alt+p 'Simple amplifier' plugin-properties
}
key o     # the Options sheet, then Advanced Options, the Media menu's last item
sheet Options options general line-in intro-scan video midi mixer
key alt+m Up Return
sheet 'Advanced Options' advanced overlap log-files events sounds plug-ins silence-detector recording streaming
key e     # Schedule: the Events page alone (two events that start in 2098); Modify opens the first
schedule=$(window_named 'Advanced Options') || fail "E opened no schedule sheet"
xdotool windowfocus --sync "$schedule"; xdotool key alt+m; sleep 0.4
editor=$(window_named 'Edit Event') || fail "Modify opened no Edit Event dialog"
shot edit-event "$editor"
closes "$editor" 'Edit Event'
closes "$schedule" 'Advanced Options'
key F1    # the manual at the console's chapter, in the program's own window
help=$(window_named 'Lirana Help') || fail "F1 opened no help window"
sleep 0.5
shot help "$help"
closes "$help" 'Lirana Help'
key s
before=$(rows)
key Delete
key ctrl+s
saved_rows $((before - 1)) "Del then Ctrl+S"
key ctrl+z
key ctrl+s
saved_rows "$before" "Ctrl+Z then Ctrl+S"
key alt+m
sleep 0.5
shot console-menu-open
key Escape
key alt+t # the Tools menu; its first tool runs on the selected row
sleep 0.5
shot tools-menu
key Return
for _ in $(seq 50); do [[ -s $tmp/tool-args ]] && break; sleep 0.1; done
[[ $(sed -n 1p "$tmp/tool-args" 2>/dev/null) == --file ]] || fail "the tool did not run: $(cat "$tmp/tool-args" 2>/dev/null)"
item=$(sed -n 2p "$tmp/tool-args")
grep -qxF -- "$item" "$album" || fail "the tool got '$item', no row of the album"
[[ $(sed -n 4p "$tmp/tool-args") == "$(basename "${item%.*}")" ]] || fail "tool arguments: $(cat "$tmp/tool-args")"
key alt+t Up Return # Edit...: the list, then Program Properties of the first tool
tools=$(window_named 'Edit Tool menu') || fail "Edit... opened no Edit Tool menu dialog"
shot edit-tools
dialog "$tools" alt+e 'Program Properties' program-properties
closes "$tools" 'Edit Tool menu'
xdotool windowsize --sync "$win" 900 600 || true
sleep 1
shot console-resized
geometry=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')
key alt+f x
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not exit through File > Exit"
wait "$app_pid" || fail "exit status $?"
app_pid=
wait_log $'\tshutdown$'

# --- second run: the last album and the placement come back
start_app
xdotool getwindowname "$win" | grep -q 'demo.alb - Lirana' || fail "second run title: $(xdotool getwindowname "$win")"
again=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')
[[ $again == "$geometry" ]] || fail "placement: $again after restart, $geometry before"
# View > Language > Deutsch, and Yes to the question: the program ends
key alt+v l
key Down Return
question=$(window_named Lirana) || fail "choosing Deutsch asked nothing"
xdotool windowfocus --sync "$question"; xdotool key alt+y
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
wait "$app_pid" || fail "exit after the language question: status $?"
app_pid=

# --- third run: the console in German
de() { # context source: the German text of the catalogue
  python3 - "$catalogue" "$1" "$2" <<'PY'
import sys, xml.etree.ElementTree as ET
for c in ET.parse(sys.argv[1]).getroot().iter('context'):
    if c.findtext('name') == sys.argv[2]:
        for m in c.iter('message'):
            if m.findtext('source') == sys.argv[3]:
                print(m.findtext('translation')); sys.exit(0)
sys.exit(1)
PY
}
mnemonic() { local text; text=$(de "$1" "$2") || return 1; text=${text#*&}; echo "${text:0:1}" | tr '[:upper:]' '[:lower:]'; }
start_app
shot de-console
media=$(mnemonic CMainFrame '&Media') || fail "no German Media menu"
key "alt+$media"
sleep 0.5
shot de-menu-media
key Escape
key "alt+$(mnemonic CMainFrame '&File')"
sleep 0.5
shot de-menu-file
key Escape
key "alt+$(mnemonic CMainFrame '&Tools')"
sleep 0.5
shot de-tools-menu
key Up Return
tools=$(window_named "$(de CEditToolsDlg 'Edit Tool menu')") || fail "no German Edit Tool menu dialog"
dialog "$tools" "alt+$(mnemonic CEditToolsDlg '&Edit...')" "$(de CProgramPropertiesDlg 'Program Properties')" \
  de-program-properties
closes "$tools" "$(de CEditToolsDlg 'Edit Tool menu')"
key o
sheet "$(de CLiranaView Options)" de-options general line-in intro-scan video midi mixer
key "alt+$media" Up Return
sheet "$(de CLiranaView 'Advanced Options')" de-advanced overlap log-files events sounds plug-ins silence-detector recording streaming
key a
about=$(window_named "$(de CAboutDialog 'About Lirana')") || fail "A opened no German About box"
shot de-about
closes "$about" "$(de CAboutDialog 'About Lirana')"
key "alt+$(mnemonic CMainFrame '&File')" "$(mnemonic Commands 'E&xit')"
wait "$app_pid" || fail "third exit status $?"
app_pid=
grep -q '"LanguageCode"="de"' "$XDG_CONFIG_HOME/Oxbelund/Lirana.reg" || fail "LanguageCode de was not stored"
[[ $(grep -c $'\tstartup$' "$(log_file)") -eq 3 ]] || fail "three startups expected"
grep -q '^"Count"=dword:00000003' "$XDG_CONFIG_HOME/Oxbelund/Lirana.reg" &&
  grep -qF '[HKEY_CURRENT_USER\Software\Oxbelund\Lirana\Tool Menu\Tool 3]' "$XDG_CONFIG_HOME/Oxbelund/Lirana.reg" ||
  fail "the tools were not saved at exit"
echo "--- play log"; cat "$(log_file)"
echo PASS
