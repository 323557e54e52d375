#!/usr/bin/env bash
# Log lines that cannot reach the day's file are not lost without a trace: they
# go to the event log as warnings under the executable's name (Wine prints each
# entry on its eventlog channel), while the service still launches the emitter.
# Two ways a shop loses the file: a viewer reading it while sharing read access
# only, and a file named "log" where the log folder should be.
#   test-log-fallback.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
for f in holdfile.exe divevezodoz.exe; do
  [ -f "$E2E_SUPPORT/$f" ] || die "no support program $E2E_SUPPORT/$f"
done
cp "$E2E_SUPPORT/holdfile.exe" "$WINEPREFIX/drive_c/e2e/"
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
LOG_DIR=$APP_DIR/log
STARTED=$APP_DIR/divevezodoz.started
started_count() { if [ -f "$STARTED" ]; then tr -d '\r' <"$STARTED" | grep -c . || true; else echo 0; fi; }

# Wine's channel escapes '\' as '\\' and non-ASCII as \XXXX; one warning per
# entry, possibly cut after about 290 characters.
EXEC_TEXT="Executando API: ${APP_WIN//\\/\\\\}\\\\divevezodoz.exe"
warnings_with() {  # warnings_with TEXT -> count of warning entries holding TEXT
  eventlog_warnings "$SERVICES_STDERR" | grep -cF -- "$1" || true
}

start_and_wait() {
  check "net start $E2E_SERVICE" net_start "$E2E_SERVICE"
  check "the service stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
  check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
  check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
}

check "stub $E2E_DB_SERVICE running" start_db_stub
run_admin install 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "installed" 0 "$RUN_EXIT"

e2e_log "a viewer holds the day's file (GENERIC_READ, FILE_SHARE_READ)"
day=$(date +%Y%m%d)
mkdir -p "$LOG_DIR"
: >"$LOG_DIR/LogServicoVelmoraNFCe$day.txt"
rm -f "$WINEPREFIX/drive_c/e2e/holding"
wine 'C:\e2e\holdfile.exe' "$APP_WIN\\log\\LogServicoVelmoraNFCe$day.txt" 'C:\e2e\holding' 120 read \
  </dev/null >"$E2E_WORK/holdfile.out" 2>&1 &
check "the viewer holds the file" wait_until 30 test -f "$WINEPREFIX/drive_c/e2e/holding"
start_and_wait
check "the emitter was launched" wait_until 30 test "$(started_count)" -eq 1
# Each writer gives up after its attempts (16 opens, a few hundred ms at most).
check "the 'Executando API' line is a warning entry" wait_until 30 test "$(warnings_with "$EXEC_TEXT")" -ge 1
check "the 'Retorno' line is a warning entry" \
  wait_until 30 test "$(warnings_with 'Enviado comando ShellExecute para o Windows. Retorno: ')" -ge 1
check "the entry gives the file and the sharing violation" \
  test "$(warnings_with "gravada em ${APP_WIN//\\/\\\\}\\\\log\\\\LogServicoVelmoraNFCe$day.txt: erro 32 (")" -ge 1
check_eq "nothing reached the held file" 0 "$(stat -c %s "$LOG_DIR/LogServicoVelmoraNFCe$day.txt")"
rm -f "$WINEPREFIX/drive_c/e2e/holding"   # lets the viewer go
wait_until 30 no_prefix_process 'holdfile.exe' || true

e2e_log "a file named log stands where the log folder should be"
rm -rf "$LOG_DIR"
echo "not a folder" >"$LOG_DIR"
before=$(warnings_with "$EXEC_TEXT")
start_and_wait
check "the emitter was launched again" wait_until 30 test "$(started_count)" -eq 2
check "the 'Executando API' line is a new warning entry" \
  wait_until 30 test "$(warnings_with "$EXEC_TEXT")" -ge $((before + 1))
check "the entry says why, with a system error code" \
  test "$(warnings_with "gravada em ${APP_WIN//\\/\\\\}\\\\log\\\\LogServicoVelmoraNFCe" )" -ge 2
check_eq "the file in the folder's place is untouched" "not a folder" "$(cat "$LOG_DIR")"
e2e_log "warning entries seen: $(eventlog_warnings "$SERVICES_STDERR" | wc -l)"
eventlog_warnings "$SERVICES_STDERR" | head -2 | cut -c1-240 | sed 's/^/        /'

run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "uninstalled" 0 "$RUN_EXIT"
stop_db_stub
e2e_end
