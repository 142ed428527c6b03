# Shared by with-testenv and testenv-printer (sourced, not run): the layout of
# a test environment's folder and the private print scheduler's life cycle.
#
#   $WENDRASK_TESTENV/cups/     configuration, spool, state, logs and socket
#                               of the private cupsd (rewritten at each start)
#   $WENDRASK_TESTENV/jobs/     captured jobs: job-NNNN.ps and job-NNNN.title
#   $WENDRASK_TESTENV/prefix/   the private Wine prefix (kept between runs)
#   $WENDRASK_TESTENV/run/      PIDs, display number and logs of this run

te_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
te_repo=$(cd "$te_scripts/../.." && pwd)

te_die() { echo "$(basename "$0"): $*" >&2; exit 1; }

te_layout() {
  : "${WENDRASK_TESTENV:=$te_repo/build/testenv}"
  mkdir -p "$WENDRASK_TESTENV"
  WENDRASK_TESTENV=$(cd "$WENDRASK_TESTENV" && pwd)
  te_cups=$WENDRASK_TESTENV/cups
  te_jobs=$WENDRASK_TESTENV/jobs
  te_run=$WENDRASK_TESTENV/run
  te_socket=$te_cups/socket
  # A Unix socket path must fit in 108 bytes.
  [ ${#te_socket} -lt 100 ] || te_die "folder path too long for a socket: $WENDRASK_TESTENV"
}

# Writes the scheduler's configuration afresh; its queues are made by te_printer_add.
te_cups_configure() {
  rm -rf "$te_cups"
  mkdir -p "$te_cups"/{conf/ppd,bin/daemon,bin/backend,spool/tmp,cache,state,log}
  local f
  for f in cupsd.conf cups-files.conf; do
    sed -e "s|@SOCKET@|$te_socket|g" -e "s|@CUPSDIR@|$te_cups|g" \
      "$te_repo/tests/cups/$f.in" >"$te_cups/conf/$f"
  done
  # cupsd starts every backend and filter through daemon/cups-exec.
  for f in /usr/lib/cups/daemon/*; do ln -s "$f" "$te_cups/bin/daemon/"; done
  ln -s /usr/lib/cups/filter "$te_cups/bin/filter"
  ln -s /usr/lib/cups/notifier "$te_cups/bin/notifier" 2>/dev/null || true
  install -m 0700 "$te_repo/tests/cups/capture-backend" "$te_cups/bin/backend/capture"
  # Filters run as lp, which must reach the spool through the folder.
  chmod 0755 "$te_cups" "$te_cups/conf" "$te_cups/bin"
  chgrp lp "$te_cups/spool" "$te_cups/spool/tmp" "$te_cups/cache" "$te_cups/state" 2>/dev/null || true
  chmod 0770 "$te_cups/spool/tmp"
}

te_cups_running() {
  local pid
  pid=$(cat "$te_run/cupsd.pid" 2>/dev/null) && [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null
}

# Starts cupsd in the background and waits until it answers on its socket.
te_cups_start() {
  te_cups_running && return 0
  # Detached from the caller's output: a test runner waits for every writer
  # of its pipes to end.
  setsid cupsd -f -c "$te_cups/conf/cupsd.conf" -s "$te_cups/conf/cups-files.conf" \
    </dev/null >>"$te_run/cupsd.log" 2>&1 8>&- 9>&- &
  echo $! >"$te_run/cupsd.pid"
  local i
  for i in $(seq 100); do
    if [ -S "$te_socket" ] && CUPS_SERVER=$te_socket lpstat -r >/dev/null 2>&1; then return 0; fi
    kill -0 "$(cat "$te_run/cupsd.pid")" 2>/dev/null || break
    sleep 0.05
  done
  cat "$te_run/cupsd.log" "$te_cups/log/error_log" 2>/dev/null >&2
  te_die "the private cupsd did not start"
}

# Stops cupsd by its PID; its configuration, queues and socket path stay.
te_cups_stop() {
  local pid i
  pid=$(cat "$te_run/cupsd.pid" 2>/dev/null) || return 0
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null
    for i in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
  fi
  rm -f "$te_run/cupsd.pid"
}

# The capture printer, made the default destination.
te_printer_add() {
  mkdir -p "$te_jobs"
  CUPS_SERVER=$te_socket lpadmin -p Capture -E -v "capture:$te_jobs" \
    -P "$te_repo/tests/cups/Capture.ppd" -o printer-error-policy=abort-job 2>>"$te_run/lpadmin.log" \
    || te_die "lpadmin could not create the Capture queue (see $te_run/lpadmin.log)"
  CUPS_SERVER=$te_socket lpadmin -d Capture 2>>"$te_run/lpadmin.log" \
    || te_die "lpadmin could not make Capture the default"
}

te_printer_remove() {
  CUPS_SERVER=$te_socket lpadmin -x Capture 2>>"$te_run/lpadmin.log" || true
}
