#!/usr/bin/env bash
# at-ppi.sh PPI PROGRAM.exe [ARGS...]
# Runs PROGRAM with the screen's pixels per inch set to PPI in the test
# prefix, and sets the value the environment started with back afterwards.
# Wine reads it when a program starts.
set -uo pipefail
ppi=$1; shift
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
loader=${WINELOADER:-/usr/lib/wine/wine64}
set_ppi() {
  "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'set_ppi "${WENDRASK_DPI:-96}"' EXIT
set_ppi "$ppi" || { echo "at-ppi.sh: cannot set LogPixels" >&2; exit 1; }
"$scripts/wine-run" "$@"
