# Shared by with-testenv, testenv-printer and run-wendrask (sourced, not
# run): the layout of an environment's folder and the life cycle of its
# display, print scheduler and Wine. What is started here is recorded by PID
# in run/ and stopped by te_stop_all.
#
#   $WENDRASK_TESTENV/cups/     configuration, spool, state, logs and socket
#                               of the private cupsd (rewritten at each start)
#   $WENDRASK_TESTENV/jobs/     captured jobs: job-NNNN.ps and job-NNNN.title
#   $WENDRASK_TESTENV/prefix/   the private Wine prefix (kept between runs)
#   $WENDRASK_TESTENV/run/      PIDs, display number and logs of this run
#   $WENDRASK_TESTENV/bin/      the keeper program, built on first use

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

# te_stop_pidfile FILE NAME: ends the process whose PID FILE holds, if it is
# still the NAME started then (a PID of a run killed long ago may since
# belong to another program), with TERM, then KILL after 5 s.
te_stop_pidfile() {
  local file=$1 name=$2 pid i
  pid=$(cat "$file" 2>/dev/null) || return 0
  if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ]; then
    kill -TERM "$pid" 2>/dev/null
    for i in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
  fi
  rm -f "$file"
}

# What a run of this folder that was killed outright (KILL, power loss) left:
# its display, its scheduler and any server of its prefix.
te_stop_leftovers() {
  te_stop_pidfile "$te_run/cupsd.pid" cupsd
  te_stop_pidfile "$te_run/xvfb.pid" Xvfb
  if [ -f "$te_run/wineserver.started" ] && [ -d "$WENDRASK_TESTENV/prefix" ]; then
    WINEPREFIX=$WENDRASK_TESTENV/prefix /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
  fi
}

# --- print scheduler

# Writes the scheduler's configuration afresh; its queues are made by
# te_printer_add / te_pdf_printer_add.
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
  install -m 0700 "$te_repo/tests/cups/pdf-backend" "$te_cups/bin/backend/pdf"
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
  te_stop_pidfile "$te_run/cupsd.pid" cupsd
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

# A PDF-writing queue "PDF" as the default: each job becomes DIR/job-NNNN.pdf.
te_pdf_printer_add() {
  local dir=$1
  mkdir -p "$dir"
  CUPS_SERVER=$te_socket lpadmin -p PDF -E -v "pdf:$dir" -P "$te_repo/tests/cups/PDF.ppd" \
    -o printer-error-policy=abort-job 2>>"$te_run/lpadmin.log" \
    || te_die "lpadmin could not create the PDF queue (see $te_run/lpadmin.log)"
  CUPS_SERVER=$te_socket lpadmin -d PDF 2>>"$te_run/lpadmin.log" \
    || te_die "lpadmin could not make PDF the default"
}

# --- display

# Starts Xvfb on a free display number (WxH or WxHxD) and exports DISPLAY.
te_xvfb_start() {
  local screen=$1
  [[ $screen =~ ^[0-9]+x[0-9]+(x[0-9]+)?$ ]] || te_die "screen size must be WxH or WxHxD, not '$screen'"
  [[ $screen =~ x[0-9]+x ]] || screen=${screen}x24
  : >"$te_run/display"
  setsid Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset \
    3>"$te_run/display" </dev/null >"$te_run/xvfb.log" 2>&1 8>&- 9>&- &
  echo $! >"$te_run/xvfb.pid"
  local i
  for i in $(seq 200); do
    grep -q '^[0-9]' "$te_run/display" 2>/dev/null && break
    kill -0 "$(cat "$te_run/xvfb.pid")" 2>/dev/null || { cat "$te_run/xvfb.log" >&2; te_die "Xvfb did not start"; }
    sleep 0.05
  done
  grep -q '^[0-9]' "$te_run/display" || te_die "Xvfb gave no display number"
  export DISPLAY=:$(head -n1 "$te_run/display")
}

te_xvfb_stop() {
  te_stop_pidfile "$te_run/xvfb.pid" Xvfb
}

# --- Wine

# Exports the variables of a private 64-bit Wine in PREFIX.
te_wine_env() {
  export WINEPREFIX=$1
  export WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  # /usr/bin/wine is a wrapper that looks for a 32-bit Wine first, and
  # /usr/bin/wineserver one that makes the server quit with its last client.
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
  export LC_ALL=C.UTF-8
}

# te_wine_start MANAGED DPI: starts a persistent wineserver for $WINEPREFIX,
# initialises the prefix on first use, applies the settings and starts the
# keeper. DISPLAY and, for printing, CUPS_SERVER must be exported first:
# Wine's resident processes keep the environment they were started with.
# MANAGED=N suits a display without a window manager: there a managed window
# takes 2 s to hide or be destroyed, as Wine waits for a window manager that
# never answers; unmanaged windows hide at once, draw their own caption and
# frame, and still take the focus, SetForegroundWindow, SendInput keys and
# Alt+F4. MANAGED=Y lets a real window manager frame the windows.
te_wine_start() {
  local managed=$1 dpi=$2
  mkdir -p "$WINEPREFIX"
  touch "$te_run/wineserver.started"
  "$WINESERVER" -p </dev/null >>"$te_run/wine.log" 2>&1 8>&- 9>&-
  if [ ! -f "$WINEPREFIX/.wendrask-ready" ]; then
    echo "$(basename "$0"): initialising the Wine prefix $WINEPREFIX (once, 10-20 s)" >&2
  fi
  "$WINELOADER" wineboot </dev/null >>"$te_run/wine.log" 2>&1 8>&- 9>&- \
    || { cat "$te_run/wine.log" >&2; te_die "wineboot failed"; }
  # Debian's Wine 8 leaves the prefix's Fonts folder empty: without its own
  # faces (fonts-wine) Tahoma falls back to another face and the caption
  # buttons, drawn with Marlett, show letters. Wine loads what is there.
  if [ -d /usr/share/wine/fonts ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  # Applied at every start, since the DPI may change; regedit takes a UTF-16
  # file for the Japanese face names. The replacements make the Japanese
  # faces render with the IPA fonts (fonts-ipafont-gothic).
  iconv -f UTF-8 -t UTF-16 >"$te_run/settings.reg" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="$managed"

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$(printf '%08x' "$dpi")

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"ＭＳ Ｐ明朝"="IPAPGothic"
"ＭＳ 明朝"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"
"Meiryo"="IPAPGothic"
"メイリオ"="IPAPGothic"
"Yu Gothic UI"="IPAPGothic"
EOF
  "$WINELOADER" regedit /S "Z:${te_run//\//\\}\\settings.reg" \
    </dev/null >>"$te_run/wine.log" 2>&1 8>&- 9>&- || te_die "regedit could not apply the settings"
  touch "$WINEPREFIX/.wendrask-ready"

  # The keeper (testenv-keeper.c), built with MinGW when its source changes.
  local keeper=$WENDRASK_TESTENV/bin/testenv-keeper.exe i
  if [ ! -f "$keeper" ] || [ "$te_scripts/testenv-keeper.c" -nt "$keeper" ]; then
    mkdir -p "$WENDRASK_TESTENV/bin"
    x86_64-w64-mingw32-gcc-posix -O1 -s -o "$keeper.tmp" "$te_scripts/testenv-keeper.c" \
      && mv -f "$keeper.tmp" "$keeper" || te_die "could not build $keeper"
  fi
  setsid "$WINELOADER" "$keeper" </dev/null >"$te_run/keeper.log" 2>&1 8>&- 9>&- &
  for i in $(seq 400); do
    grep -q ready "$te_run/keeper.log" 2>/dev/null && return 0
    sleep 0.05
  done
  te_die "Wine's desktop did not start (see $te_run/keeper.log)"
}

# Ends every Wine process of the prefix and its server.
te_wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && [ -f "$te_run/wineserver.started" ] || return 0
  "$WINESERVER" -k >/dev/null 2>&1
  # -k returns once the server has been told; wait for it to be gone.
  local i
  for i in $(seq 100); do "$WINESERVER" -k >/dev/null 2>&1 || break; sleep 0.05; done
  rm -f "$te_run/wineserver.started"
}

te_stop_all() {
  te_wine_stop
  te_cups_stop
  te_xvfb_stop
}
