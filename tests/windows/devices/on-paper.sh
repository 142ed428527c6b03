#!/usr/bin/env bash
# on-paper.sh devices_tests.exe
#
# Prints pictures through the printer object (the Paper tests, and a job left
# open at the end of a run), then renders each captured page at the printer's
# 300 dpi and checks that the non-white pixels fill exactly the expected
# rectangle, in page pixels.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scripts=$here/../../scripts
list=$(mktemp)
trap 'rm -f "$list"' EXIT

WENDRASK_DEVICES_PAPER=$list "$scripts/wine-run" "$1" \
  --gtest_filter='Paper.*'

[ -s "$list" ] || { echo "on-paper: no job was listed for measuring" >&2; exit 1; }
status=0
while read -r job left top right bottom note; do
  measured=$("$scripts/measure-page" "$job" | sed -n 's/^bbox //p')
  if [ "$measured" = "$left $top $right $bottom" ]; then
    echo "on paper: $note at $measured"
  else
    echo "on paper: $note expected at $left $top $right $bottom, measured ${measured:-nothing}" >&2
    status=1
  fi
done <"$list"
exit $status
