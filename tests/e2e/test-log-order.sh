#!/usr/bin/env bash
# The lines of a start keep the order they were logged in ("Executando API",
# then "Retorno", then the logger's closing line), wherever each one lands:
# while a viewer or an antivirus holds the day's file and lets it go a little
# after the start, the writers retry, yet no line overtakes another, in the
# file or among the event log's warning entries; held for the whole start,
# every line goes to the event log, in order.
#   test-log-order.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
for f in holdfile.exe divevezodoz.exe; do
  [ -f "$E2E_SUPPORT/$f" ] || die "no support program $E2E_SUPPORT/$f"
done
cp "$E2E_SUPPORT/holdfile.exe" "$WINEPREFIX/drive_c/e2e/"
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
LOG_DIR=$APP_DIR/log
FLAG=$WINEPREFIX/drive_c/e2e/holding
STARTED=$APP_DIR/divevezodoz.started
started_count() { if [ -f "$STARTED" ]; then tr -d '\r' <"$STARTED" | grep -c . || true; else echo 0; fi; }
started_more_than() { [ "$(started_count)" -gt "$1" ]; }
service_process_up() { ! no_prefix_process '\ServicoVelmoraNFCe.exe'; }

# One letter per line of ours, in the order given: E "Executando API", R
# "Retorno", A the permissions ALERTA that follows the launch (Wine's made-up
# DACL brings it at every start), F the closing line; anything else is X. The
# service's own warning entry for the permissions is not a log line: skipped.
kinds() {
  local line
  while IFS= read -r line; do
    case $line in
      *'] Executando API: '*) printf E ;;
      *'] Enviado comando ShellExecute para o Windows. Retorno: '*) printf R ;;
      *'] Permiss'*'es inseguras: '*) printf A ;;
      'Permiss'*'es inseguras: '*) ;;
      *'] **** Log finalizado ****'*) printf F ;;
      *) printf X ;;
    esac
  done
}

# The day's file may change at midnight: a start reads the files of both days.
log_lines() { cat "$LOG_DIR"/LogServicoVelmoraNFCe*.txt 2>/dev/null | tr -d '\r' || true; }
warning_lines() { eventlog_warnings "$SERVICES_STDERR"; }

# The kinds a start left in the file and in the event log are each in the
# order of logging, and together hold "Executando API" and "Retorno" once each.
in_order() {  # in_order KINDS
  [[ $1 =~ ^E?R?A?F?$ ]]
}
check_start() {  # check_start LABEL FILE_KINDS WARNING_KINDS
  check "$1: lines in the file in the order logged [$2]" in_order "$2"
  check "$1: warning entries in the order logged [$3]" in_order "$3"
  check_eq "$1: 'Executando API' and 'Retorno' each once, file and event log together" ER \
    "$(tr -dc 'ER' <<<"$2$3" | fold -w1 | sort | tr -d '\n')"
}

start_and_wait() {
  check "the service stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
  check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
  check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
}

check "stub $E2E_DB_SERVICE running" start_db_stub
run_admin install 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "installed" 0 "$RUN_EXIT"
mkdir -p "$LOG_DIR"

# A holder that opens the day's file for writing (readers allowed) and lets it
# go once the flag is gone.
hold_day_file() {
  local day
  day=$(date +%Y%m%d)
  rm -f "$FLAG"
  wine 'C:\e2e\holdfile.exe' "$APP_WIN\\log\\LogServicoVelmoraNFCe$day.txt" 'C:\e2e\holding' 60 \
    </dev/null >>"$E2E_WORK/holdfile.out" 2>&1 &
  wait_until 30 test -f "$FLAG"
}

total_in_file=0
starts=0
# Released a little after the service process shows, and once only when the
# emitter has started: the writers meet the held file at different points of
# their retries, or not at all; wherever their lines land, the order holds.
for release in 0.02 0.08 0.15 0.25 0.4 emitter; do
  label="released after $release"
  e2e_log "$label"
  file_before=$(log_lines | wc -l)
  warn_before=$(warning_lines | wc -l)
  check "$label: the file is held" hold_day_file
  wine sc start "$E2E_SERVICE" </dev/null >/dev/null 2>&1 &
  sc_pid=$!
  if [ "$release" == emitter ]; then
    wait_until 60 started_more_than "$starts" || true
  else
    wait_until 60 service_process_up || true
    sleep "$release"
  fi
  rm -f "$FLAG"
  wait "$sc_pid" || true
  start_and_wait
  starts=$((starts + 1))
  check "$label: the emitter was launched" wait_until 30 started_more_than $((starts - 1))
  wait_until 30 no_prefix_process 'holdfile.exe' || true
  file_kinds=$(log_lines | tail -n +$((file_before + 1)) | kinds)
  warn_kinds=$(warning_lines | tail -n +$((warn_before + 1)) | kinds)
  check_start "$label" "$file_kinds" "$warn_kinds"
  total_in_file=$((total_in_file + $(tr -dc 'ER' <<<"$file_kinds" | wc -c)))
done
# Where the lines land depends on Wine's timing (typically about half reach the
# file): reported, not checked, so the test cannot flake on it.
e2e_log "'Executando API' and 'Retorno' lines that reached the file: $total_in_file of $((2 * starts))"
check_eq "every line of the file is whole, CR LF at its end" "" \
  "$(cat "$LOG_DIR"/LogServicoVelmoraNFCe*.txt | grep -av $'\r$' || true)"

e2e_log "held for the whole start: every line to the event log, in order"
file_before=$(log_lines | wc -l)
warn_before=$(warning_lines | wc -l)
check "the file is held" hold_day_file
check "net start $E2E_SERVICE" net_start "$E2E_SERVICE"
start_and_wait
# Each writer gives up after its 16 attempts, one after the other.
retorno_warned() { warning_lines | tail -n +$((warn_before + 1)) | grep -q '\] Enviado comando ShellExecute'; }
check "the 'Retorno' line became a warning entry" wait_until 30 retorno_warned
rm -f "$FLAG"
wait_until 30 no_prefix_process 'holdfile.exe' || true
warn_kinds=$(warning_lines | tail -n +$((warn_before + 1)) | kinds)
check_eq "nothing reached the held file" "$file_before" "$(log_lines | wc -l)"
check "warning entries in the order logged [$warn_kinds]" in_order "$warn_kinds"
check "'Executando API' and 'Retorno' both there" test "${warn_kinds:0:2}" == ER

run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "uninstalled" 0 "$RUN_EXIT"
stop_db_stub
e2e_end
