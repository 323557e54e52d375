#!/usr/bin/env bash
# The service started by the service manager: it launches the emitter from its
# own folder, logs the two lines of each start in the day's file and stops by
# itself; with the emitter missing it stops with the shell's error code.
#   test-service-run.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
[ -f "$E2E_SUPPORT/divevezodoz.exe" ] || die "no test emitter $E2E_SUPPORT/divevezodoz.exe"

EMITTER=$APP_DIR/divevezodoz.exe
STARTED=$APP_DIR/divevezodoz.started
HOLD=$APP_DIR/divevezodoz.hold   # while it exists, a started emitter keeps running
LOG_DIR=$APP_DIR/log
cp "$E2E_SUPPORT/divevezodoz.exe" "$EMITTER"

ere_quote() { sed 's/[][\.*^$+?(){}|/]/\\&/g' <<<"$1"; }
TS='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}'
HEAD="^($TS)  [0-9A-F]{8} INFO   : "
STARTER='\[TVelmoraNFCeStarter             \] '
RE_EXEC="$HEAD${STARTER}Executando API: $(ere_quote "$APP_WIN\\divevezodoz.exe")\$"
RE_SENT="$HEAD${STARTER}Enviado comando ShellExecute para o Windows\\. Retorno: (-?[0-9]+)\$"
# Wine answers every file's DACL with full control for the current user, so
# every start there also warns about the folder's permissions
# (test-write-access.sh checks that line).
RE_WARN="^($TS)  [0-9A-F]{8} ALERTA : ${STARTER}Permiss"
# Written only when its writer thread beats the end of the process: tolerated.
RE_FINAL="$HEAD"'\[TLogArquivo                     \] \*\*\*\* Log finalizado \*\*\*\*$'

started_count() { if [ -f "$STARTED" ]; then tr -d '\r' <"$STARTED" | grep -c . || true; else echo 0; fi; }
started_count_is() { [ "$(started_count)" -eq "$1" ]; }
# The emitter records the show command of each start: "0" is SW_HIDE.
SHOWN=$APP_DIR/divevezodoz.show
shows() { if [ -f "$SHOWN" ]; then tr -d '\r' <"$SHOWN" | paste -sd' '; fi; }
shows_are() { [ "$(shows)" == "$1" ]; }

LOG_FILE=""
# The day's file: named by the day the start happened (a start right at midnight
# may write into the next day's file).
find_log_file() {  # find_log_file YYYYMMDD
  local f
  for f in "$LOG_DIR/LogServicoVelmoraNFCe$1.txt" "$LOG_DIR/LogServicoVelmoraNFCe$(date +%Y%m%d).txt"; do
    [ -f "$f" ] && { LOG_FILE=$f; return 0; }
  done
  return 1
}

# Checks the whole file: CR LF line ends, every line in one of the known layouts
# dated the file's day; sets EXEC_COUNT, SENT_CODES (one per start, file order).
read_log() {
  EXEC_COUNT=0 SENT_CODES=() LOG_BAD=""
  [ -n "$LOG_FILE" ] || { LOG_BAD="no log file"; return 0; }
  local day line stamp
  day=$(basename "$LOG_FILE" .txt); day=${day: -8}
  local lines crlf
  lines=$(wc -l <"$LOG_FILE")
  crlf=$(grep -c $'\r$' "$LOG_FILE" || true)
  [ "$lines" -eq "$crlf" ] && [ "$(tail -c 2 "$LOG_FILE" | od -An -tx1 | tr -d ' ')" == 0d0a ] ||
    LOG_BAD+="line ends are not all CR LF; "
  while IFS= read -r line; do
    line=${line%$'\r'}
    if [[ $line =~ $RE_EXEC ]]; then
      EXEC_COUNT=$((EXEC_COUNT + 1)); stamp=${BASH_REMATCH[1]}
    elif [[ $line =~ $RE_SENT ]]; then
      SENT_CODES+=("${BASH_REMATCH[2]}"); stamp=${BASH_REMATCH[1]}
    elif [[ $line =~ $RE_WARN ]]; then
      stamp=${BASH_REMATCH[1]}
    elif [[ $line =~ $RE_FINAL ]]; then
      stamp=${BASH_REMATCH[1]}
    else
      LOG_BAD+="unexpected line [$line]; "; continue
    fi
    [ "${stamp:0:4}${stamp:5:2}${stamp:8:2}" == "$day" ] || LOG_BAD+="line dated $stamp in the file of $day; "
  done <"$LOG_FILE"
}

# One start as an administrator types it; returns once the service has stopped
# and its process is gone, so every log line that will ever come has come. The
# starter's lines must all be there then: a line lost to the end of the process
# is lost data. Only the logger's own closing line may lose that race.
start_ours() {
  START_DAY=$(date +%Y%m%d)
  # Wine's net prints "started successfully" and exits 0 even when the service
  # stopped with an error (Windows reports the error): the state is read below.
  check "net start $E2E_SERVICE" net_start "$E2E_SERVICE"
  check "the service stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
  check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
}

e2e_log "database stub"
check "stub $E2E_DB_SERVICE running" start_db_stub

e2e_log "/INSTALL /SILENT"
run_admin install 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "installed" 0 "$RUN_EXIT"

e2e_log "first start"
touch "$HOLD"
start_ours
check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check_eq "SERVICE_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" SERVICE_EXIT_CODE)"
check "the emitter started once, from the service's folder" wait_until 30 started_count_is 1
check "started hidden" wait_until 30 shows_are 0
check "the day's log file exists" find_log_file "$START_DAY"
read_log
check_eq "log file well formed" "" "$LOG_BAD"
check_eq "one 'Executando API' line" 1 "$EXEC_COUNT"
check_eq "one 'Retorno' line" 1 "${#SENT_CODES[@]}"
check "the shell accepted the launch (Retorno > 32)" test "${SENT_CODES[0]:-0}" -gt 32
check_eq "nothing shown" "" "$(visible_windows)"

e2e_log "second start: another copy of the emitter"
start_ours
check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check_eq "SERVICE_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" SERVICE_EXIT_CODE)"
check "the emitter started a second time" wait_until 30 started_count_is 2
check "started hidden again" wait_until 30 shows_are "0 0"
check_eq "two different emitter processes" 2 "$(tr -d '\r' <"$STARTED" | sort -u | wc -l)"
check_eq "both copies running at once" 2 "$(prefix_pids 'divevezodoz.exe' | wc -l)"
rm -f "$HOLD"
read_log
check_eq "log file well formed" "" "$LOG_BAD"
check_eq "two 'Executando API' lines" 2 "$EXEC_COUNT"
check_eq "two 'Retorno' lines" 2 "${#SENT_CODES[@]}"
check "the shell accepted the second launch" test "${SENT_CODES[1]:-0}" -gt 32

e2e_log "third start with the emitter missing"
rm -f "$EMITTER"
start_ours
code=$(sc_field "$E2E_SERVICE" SERVICE_EXIT_CODE)
check_eq "WIN32_EXIT_CODE: service-specific error" 1066 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check "SERVICE_EXIT_CODE is a shell error (1..32)" test "${code:-0}" -ge 1 -a "${code:-0}" -le 32
read_log
check_eq "log file well formed" "" "$LOG_BAD"
check_eq "three 'Executando API' lines" 3 "$EXEC_COUNT"
check_eq "three 'Retorno' lines" 3 "${#SENT_CODES[@]}"
check_eq "the log shows the shell's code" "$code" "${SENT_CODES[2]:-}"
check_eq "no further emitter start" 2 "$(started_count)"

check_eq "no event-log error from the service" "" "$(eventlog_errors "$SERVICES_STDERR")"
check "the database stub still runs" state_is "$E2E_DB_SERVICE" RUNNING

e2e_log "clean up"
run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "uninstalled" 0 "$RUN_EXIT"
stop_db_stub
check_eq "stub removed" 1060 "$(sc_query_error "$E2E_DB_SERVICE")"

e2e_end
