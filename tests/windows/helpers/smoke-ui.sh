#!/usr/bin/env bash
# UiDriver against UiSample: message boxes read exactly (caption, text, icon)
# and dismissed; a window found, its controls listed, and driven by real
# keystrokes and clicks through to the exit code of its process.
# usage: smoke-ui.sh UiDriver.exe UiSample.exe
set -uo pipefail
source "$(dirname "$0")/smoke-lib.sh"
ui=$1
sample=$2
u() { "$wine_run" "$ui" "$@"; }
trap 'u kill --exe UiSample.exe >/dev/null 2>&1' EXIT

# field NAME TEXT: the value of NAME= in UiDriver's output (tab or line separated).
field() { tr '\t' '\n' <<<"$2" | sed -n "s/^$1=//p" | head -n 1; }

text=$'クリップボードを開くことができません。\nsecond line'
for icon in error warning information question none; do
  "$wine_run" "$sample" msgbox --icon "$icon" --caption Wendrask "$text" &
  box=$!
  out=$(u msgbox --exe UiSample.exe --timeout 20000)
  check "$icon box: caption" "Wendrask" "$(field caption "$out")"
  check "$icon box: text" 'クリップボードを開くことができません。\nsecond line' "$(field text "$out")"
  check "$icon box: icon" "$icon" "$(field icon "$out")"
  check "$icon box: OK pressed" "OK" "$(field pressed "$out")"
  wait "$box"
  check "$icon box: the program got IDOK" "1" "$?"
done
u no-msgbox --for 300 --exe UiSample.exe >/dev/null
check "no box when there is none" "0" "$?"

# The form: typed text, a clicked check box, Alt+Y on the default button, and
# the menu opened from the keyboard.
"$wine_run" "$sample" form &
form=$!
window=$(u wait-window --title UiSample --exe UiSample.exe --timeout 20000)
check "the window" "UiSampleForm" "$(field class "$window")"
u keys --title UiSample "text:12.5" >/dev/null
u click --title UiSample --child "Keep(&K)" >/dev/null
listing=$(u windows --exe UiSample.exe --visible --children)
edit=$(grep -P '\tid=101\t' <<<"$listing")
check "typed text in the edit" "12.5" "$(field text "$edit")"
check "the check box checked by a click" "1" "$(field checked "$(grep -P '\tid=102\t' <<<"$listing")")"
check "and focused" "1" "$(field focus "$(grep -P '\tid=102\t' <<<"$listing")")"
check "the edit's place in the form" "80,18,280,42" "$(field rect "$edit")"
u keys --title UiSample alt+y >/dev/null
out=$(u msgbox --exe UiSample.exe --timeout 10000)
check "Alt+Y pressed OK" "edit=12.5 check=1" "$(field text "$out")"
check "with an information icon" "information" "$(field icon "$out")"
u keys --title UiSample "alt+f x" >/dev/null
wait "$form"
check "File, Exit from the keyboard" "5" "$?"

for how in close sysclose alt+f4 escape; do
  "$wine_run" "$sample" form &
  form=$!
  u wait-window --title UiSample --exe UiSample.exe --timeout 20000 >/dev/null
  case $how in
    close|sysclose) u "$how" --title UiSample >/dev/null ;;
    *) u keys --title UiSample "$how" >/dev/null ;;
  esac
  wait "$form"
  status=$?
  [ "$how" = escape ] && expected=6 || expected=0
  check "ended by $how" "$expected" "$status"
done
finish
