#!/usr/bin/env bash
# ClipHelper's hold: while one process keeps the clipboard open, another
# cannot open it, yet its data stays; a hold of a moment only delays another
# opening that retries.
# usage: smoke-hold.sh ClipHelper.exe
set -uo pipefail
source "$(dirname "$0")/smoke-lib.sh"
clip=$1
c() { "$wine_run" "$clip" "$@"; }
out=$(mktemp)
trap 'rm -f "$out"' EXIT

c text "kept" >/dev/null
c hold 3000 >"$out" &
holder=$!
wait_line "$out" held 20 || exit 1
error=$(c --open-timeout 0 formats 2>&1)
check "opening fails while held" "1" "$?"
check_has "and says why" "ClipHelper: cannot open the clipboard" "$error"
check "counting needs no opening" "4" "$(c count)"
wait "$holder"
check "the hold ends well" "0" "$?"
check "and says so" $'held\nreleased' "$(cat "$out")"
check "the data is unchanged" "13 CF_UNICODETEXT bytes=10 text=kept" "$(c describe CF_UNICODETEXT)"

# Holds of 50 ms with gaps of 20 ms: an opening that retries for a second
# gets in between them.
c hold 50 --repeat 40 --gap 20 >"$out" &
holder=$!
wait_line "$out" held 20 || exit 1
check "a retrying opening gets between short holds" "13 CF_UNICODETEXT" "$(c --open-timeout 1000 formats | head -n 1)"
wait "$holder"
c empty
finish
