# Shared by the smoke tests of the helper programs (sourced): running Windows
# programs in the test environment and checking what they print.
wine_run="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-run"
failures=0

# check WHAT EXPECTED ACTUAL
check() {
  if [ "$2" == "$3" ]; then
    echo "ok   $1"
  else
    printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "${2//$'\n'/ | }" "${3//$'\n'/ | }"
    failures=$((failures + 1))
  fi
}

# check_has WHAT NEEDLE TEXT: TEXT holds NEEDLE as one of its lines' parts.
check_has() {
  if [[ "$3" == *"$2"* ]]; then
    echo "ok   $1"
  else
    printf 'FAIL %s\n  expected to contain: %s\n  actual: %s\n' "$1" "$2" "${3//$'\n'/ | }"
    failures=$((failures + 1))
  fi
}

# wait_line FILE TEXT SECONDS: waits until a background program wrote TEXT.
wait_line() {
  local deadline=$((SECONDS + $3))
  until grep -qx -- "$2" "$1" 2>/dev/null; do
    if [ $SECONDS -ge "$deadline" ]; then
      echo "FAIL no line \"$2\" in $1 within $3 s"; cat "$1"
      return 1
    fi
    sleep 0.05
  done
}

finish() {
  if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}
