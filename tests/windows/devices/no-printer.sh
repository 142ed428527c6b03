#!/usr/bin/env bash
# no-printer.sh devices_tests.exe
#
# Removes the scheduler's only queue, so that a program started now finds no
# default printer, runs the tests of that case, and puts the queue back.
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
"$scripts/testenv-printer" remove
trap '"$scripts/testenv-printer" add' EXIT
"$scripts/wine-run" "$1" --gtest_also_run_disabled_tests --gtest_filter='NoPrinter.*'
