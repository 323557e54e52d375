#!/usr/bin/env bash
# The main job, shown under Wine: builds the release executable, makes a Wine
# prefix, registers a stub database service and ours, starts both, prints the
# log lines, the launched emitter's start record and the service state, then
# removes both. Wine and Xvfb are ended on exit, whatever happens.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

# The release (i686) is what shops get, so it is what is shown. A machine whose
# kernel refuses 32-bit programs cannot run Wine's 32-bit half: there the x86_64
# build of the same sources is shown instead, and the output says so.
preset=release
if ! reason=$(bash scripts/can-run-32bit.sh); then
  echo "==> NOTE: the release (i686) build cannot run here: $reason."
  echo "==>       Showing the x86_64 build of the same sources instead."
  preset=win64
fi
echo "==> building the $preset preset"
cmake --preset $preset >/dev/null
cmake --build --preset $preset -j 2 --target ServicoVelmoraNFCe velmora_support

source tests/e2e/lib.sh
e2e_begin build/$preset/bin/ServicoVelmoraNFCe.exe build/$preset/bin/support build/$preset/e2e/demo
[ -f "$E2E_SUPPORT/divevezodoz.exe" ] || die "no test emitter in $E2E_SUPPORT"
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
# While this file exists the test emitter keeps running, so it can be seen alive.
touch "$APP_DIR/divevezodoz.hold"

section() { printf '\n==> %s\n' "$*"; }

section "register and start the stub database service $E2E_DB_SERVICE"
start_db_stub || die "the stub database service did not start"
sc_query "$E2E_DB_SERVICE" | grep -E 'SERVICE_NAME|STATE'

section "$EXE_WIN /INSTALL /SILENT"
run_admin install 60 "$EXE_WIN" /INSTALL /SILENT
echo "exit code $RUN_EXIT${RUN_WINDOWS:+, windows shown: $RUN_WINDOWS}"
[ "$RUN_EXIT" == 0 ] || die "installation failed"
reg_service "$E2E_SERVICE"

section "net start $E2E_SERVICE"
wn net start "$E2E_SERVICE"
wait_until 60 state_is "$E2E_SERVICE" STOPPED || echo "(the service has not stopped yet)"
# Every log line is written by its own thread: the lines are all there once the process is gone.
wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe' || echo "(the service process is still there)"
wait_until 30 test -s "$APP_DIR/divevezodoz.started" || true

status=0
log=$(ls "$APP_DIR"/log/LogServicoVelmoraNFCe*.txt 2>/dev/null | tail -1 || true)
logname=${log##*/}
section "log lines ($APP_WIN\\log\\$logname)"
if [ -n "$log" ]; then tr -d '\r' <"$log"; else echo "(no log file)"; status=1; fi

section "the emitter's start record ($APP_WIN\\divevezodoz.started)"
if [ -s "$APP_DIR/divevezodoz.started" ]; then
  tr -d '\r' <"$APP_DIR/divevezodoz.started" | sed 's/^/started, process id /'
else
  echo "(the emitter did not start)"; status=1
fi
echo "divevezodoz.exe processes running now: $(prefix_pids 'divevezodoz.exe' | wc -l)"
rm -f "$APP_DIR/divevezodoz.hold"

section "sc query $E2E_SERVICE"
sc_query "$E2E_SERVICE"

section "$EXE_WIN /UNINSTALL /SILENT, then remove the stub"
run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
echo "exit code $RUN_EXIT${RUN_WINDOWS:+, windows shown: $RUN_WINDOWS}"
stop_db_stub
echo "$E2E_SERVICE: query error $(sc_query_error "$E2E_SERVICE"); $E2E_DB_SERVICE: query error $(sc_query_error "$E2E_DB_SERVICE") (1060: not registered)"

[ "$status" -eq 0 ] || die "the service did not do its job"
echo
echo "demo finished"
