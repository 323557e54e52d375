#!/usr/bin/env bash
# A folder named divevezodoz.exe beside the service is no emitter: the shell
# would open it (an Explorer window, as the service's account) and answer as
# for a started program. The start is reported exactly like a missing emitter:
# "Retorno: 2" in the log, STOPPED with 1066 and 2, and nothing is opened.
#   test-emitter-folder.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
LOG_DIR=$APP_DIR/log
RETORNO='] Enviado comando ShellExecute para o Windows. Retorno: '
EXEC_LINE="] Executando API: $APP_WIN\\divevezodoz.exe"

# The value of the last "Retorno" line in the log files.
last_retorno() {
  cat "$LOG_DIR"/LogServicoVelmoraNFCe*.txt 2>/dev/null | tr -d '\r' | grep -aF -- "$RETORNO" |
    tail -1 | sed 's/.*Retorno: //'
}
exec_lines() { cat "$LOG_DIR"/LogServicoVelmoraNFCe*.txt 2>/dev/null | tr -d '\r' | grep -acF -- "$EXEC_LINE" || true; }
# Wine's desktop runs as explorer.exe too: what counts is that no new one appears.
explorers() { prefix_pids 'explorer' | wc -l; }

start_and_wait() {
  check "net start $E2E_SERVICE" net_start "$E2E_SERVICE"
  check "the service stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
  check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
}

check "stub $E2E_DB_SERVICE running" start_db_stub
run_admin install 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "installed" 0 "$RUN_EXIT"

e2e_log "the emitter missing: what the folder must look like"
start_and_wait
missing_win32=$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)
missing_specific=$(sc_field "$E2E_SERVICE" SERVICE_EXIT_CODE)
missing_retorno=$(last_retorno)
missing_errors=$(eventlog_errors "$SERVICES_STDERR")
check_eq "missing: WIN32_EXIT_CODE" 1066 "$missing_win32"
check_eq "missing: SERVICE_EXIT_CODE, the shell's file not found" 2 "$missing_specific"
check_eq "missing: the log shows the shell's code" 2 "$missing_retorno"

e2e_log "a folder named divevezodoz.exe, with something in it"
mkdir -p "$APP_DIR/divevezodoz.exe/sub"
echo x >"$APP_DIR/divevezodoz.exe/sub/x.txt"
explorers_before=$(explorers)
start_and_wait
check_eq "folder: WIN32_EXIT_CODE as for a missing emitter" "$missing_win32" "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check_eq "folder: SERVICE_EXIT_CODE as for a missing emitter" "$missing_specific" "$(sc_field "$E2E_SERVICE" SERVICE_EXIT_CODE)"
check_eq "folder: two 'Executando API' lines in all" 2 "$(exec_lines)"
check_eq "folder: the same 'Retorno' value as a missing emitter" "$missing_retorno" "$(last_retorno)"
check_eq "folder: the same event-log errors as a missing emitter" "$missing_errors" "$(eventlog_errors "$SERVICES_STDERR")"
# An Explorer opened on the folder would be there within a second or two, with
# the folder on its command line.
sleep 2
check "folder: no Explorer was started for it" test "$(explorers)" -le "$explorers_before"
check "folder: no process was given the folder" no_prefix_process 'divevezodoz.exe'
check_eq "folder: nothing shown" "" "$(visible_windows)"
check "folder: left as it was" test -f "$APP_DIR/divevezodoz.exe/sub/x.txt"

run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "uninstalled" 0 "$RUN_EXIT"
stop_db_stub
e2e_end
