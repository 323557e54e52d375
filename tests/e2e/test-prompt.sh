#!/usr/bin/env bash
# Started from a prompt rather than by the service manager: the dispatcher
# cannot connect, so the program shows nothing, writes one event-log entry and
# exits with that error.
#   test-prompt.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
cp "$E2E_SUPPORT/syserrtext.exe" "$WINEPREFIX/drive_c/e2e/"

# Windows fails the dispatcher at once; Wine only after about 10 s.
e2e_log "started from a prompt (Wine takes about 10 s here)"
run_admin prompt 120 "$EXE_WIN"
check_eq "exit code: ERROR_FAILED_SERVICE_CONTROLLER_CONNECT" 1063 "$RUN_EXIT"
check_eq "no window shown" "" "$RUN_WINDOWS"
check_eq "no message box" "" "$(msgbox_texts)"
# ReportEventW is a stub in Wine: the entry is read from its debug channel,
# where an error entry appears as err:eventlog with the entry's text.
check_eq "one event-log error entry, the system's text for 1063" \
  "$(wn "$TOOLS_WIN\\syserrtext.exe" 1063)" "$(eventlog_errors "$RUN_STDERR")"
check_eq "no warning or information entry" "" \
  "$(grep -E 'eventlog:ReportEventW' "$RUN_STDERR" | grep -v 'err:eventlog' || true)"
check "no log file written" test ! -e "$APP_DIR/log"

# /SILENT alone does not choose a mode: still a service process.
e2e_log "/SILENT alone from a prompt"
run_admin silent 120 "$EXE_WIN" /SILENT
check_eq "exit code" 1063 "$RUN_EXIT"
check_eq "no window shown" "" "$RUN_WINDOWS"
check_eq "one event-log error entry" 1 "$(eventlog_errors "$RUN_STDERR" | wc -l)"

e2e_end
