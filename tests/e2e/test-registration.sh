#!/usr/bin/env bash
# Registration and removal as an administrator runs them: /INSTALL and
# /UNINSTALL, silent and not, twice each, from a folder whose path has a blank.
#   test-registration.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"

# Wine's msgbox channel prints a box's text with \" and \r\n escaped.
failure_text_ok() {  # failure_text_ok TEXT VERB CODE
  local text=$1 head tail systext
  head="Service \\\"$E2E_DISPLAY_NAME\\\" failed to $2 with error: \\\"System Error.  Code: $3.\\r\\n"
  tail='\"'
  systext=$(wn "$TOOLS_WIN\\syserrtext.exe" "$3")
  [ -n "$systext" ] || { echo "        no system text for $3" ; return 1; }
  if [ "$text" != "$head$systext$tail" ]; then
    printf '        expected: [%s]\n        actual:   [%s]\n' "$head$systext$tail" "$text"
    return 1
  fi
}

cp "$E2E_SUPPORT/syserrtext.exe" "$E2E_SUPPORT/eventtext.exe" "$WINEPREFIX/drive_c/e2e/"

EVENTLOG_KEY='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application'
SOURCES=("$E2E_SERVICE" ServicoVelmoraNFCe.exe)
# The key's values, one per line; nothing when the key does not exist.
event_source_key() {
  local out
  if out=$(wn reg query "$EVENTLOG_KEY\\$1"); then printf '%s\n' "$out"; fi
}

e2e_log "/INSTALL /SILENT"
run_admin install1 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "exit code" 0 "$RUN_EXIT"
check_eq "no window shown" "" "$RUN_WINDOWS"
check_eq "no message box" "" "$(msgbox_texts)"

# Wine has no `sc qc`: the service manager's stored configuration is the key.
registered=$(reg_service "$E2E_SERVICE")
check_eq "type: own process" 0x10 "$(reg_value "$registered" Type)"
check_eq "start: automatic" 0x2 "$(reg_value "$registered" Start)"
check_eq "error control: normal" 0x1 "$(reg_value "$registered" ErrorControl)"
check_eq "program path: quoted, no arguments" "\"$EXE_WIN\"" "$(reg_value "$registered" ImagePath)"
check_eq "display name" "$E2E_DISPLAY_NAME" "$(reg_value "$registered" DisplayName)"
# reg prints a REG_MULTI_SZ as its strings joined by \0; one name gives no separator.
check_eq "depends on exactly the database service" "$E2E_DB_SERVICE" \
  "$(reg_value "$registered" DependOnService)"
check_eq "no load-order group" "" "$(reg_value "$registered" Group)"
check_eq "no tag" "" "$(reg_value "$registered" Tag)"

# Both event sources the program writes under point at the executable's message table.
for source in "${SOURCES[@]}"; do
  key=$(event_source_key "$source")
  check_eq "event source $source: message file" "$EXE_WIN" "$(sed -n 's/^ *EventMessageFile *REG_EXPAND_SZ *//p' <<<"$key")"
  check_eq "event source $source: types supported" 0x7 "$(sed -n 's/^ *TypesSupported *REG_DWORD *//p' <<<"$key")"
done
# Event id 0 of the message table is its insertion string, exactly.
for text in 'Service failed on execute: System Error.  Code: 5.' 'Linha nÃ£o gravada: 100% (erro 32)'; do
  text=$(printf "$text")
  check_eq "message table: id 0 gives [$text]" "text=[$text]" \
    "$(wn 'C:\e2e\eventtext.exe' "$EXE_WIN" "$text" | tr -d '\r')"
done

e2e_log "/INSTALL /SILENT again: already registered"
run_admin install2 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "exit code" 1073 "$RUN_EXIT"
check_eq "one Error dialog, closed with Return" "Error" "$RUN_WINDOWS"
check_eq "one message box" 1 "$(msgbox_texts | wc -l)"
check "install failure text" failure_text_ok "$(msgbox_texts)" install 1073
check_eq "registration untouched" "$registered" "$(reg_service "$E2E_SERVICE")"

e2e_log "/UNINSTALL /SILENT"
run_admin uninstall1 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "exit code" 0 "$RUN_EXIT"
check_eq "no window shown" "" "$RUN_WINDOWS"
check_eq "no message box" "" "$(msgbox_texts)"
check_eq "registry key gone" "" "$(reg_service "$E2E_SERVICE")"
for source in "${SOURCES[@]}"; do
  check_eq "event source $source removed" "" "$(event_source_key "$source")"
done
check_eq "a query fails with 1060" 1060 "$(sc_query_error "$E2E_SERVICE")"

e2e_log "/UNINSTALL /SILENT again: not registered"
run_admin uninstall2 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "exit code" 1060 "$RUN_EXIT"
check_eq "one Error dialog, closed with Return" "Error" "$RUN_WINDOWS"
check_eq "one message box" 1 "$(msgbox_texts | wc -l)"
check "uninstall failure text" failure_text_ok "$(msgbox_texts)" uninstall 1060

# Without /SILENT success is shown too; switches may start with '-', in any case.
e2e_log "-install (not silent)"
run_admin install3 60 "$EXE_WIN" -install
check_eq "exit code" 0 "$RUN_EXIT"
check_eq "one Information dialog" "Information" "$RUN_WINDOWS"
# Wine 8 keeps no recovery actions (the call succeeds, the read-back fails with
# 124) and refuses the failure-actions flag: the success text goes on with a
# warning for each. Wine cuts long debug texts, so only the head is compared.
check "success text, then the settings Wine refused" grep -qF \
  'MSGBOX_OnInit L"Service installed successfully\r\n\r\nWarning: the service is registered, but the service manager did not take its recovery actions: \"System Error.  Code: 124.' \
  "$RUN_STDERR"
check_eq "registered as before" "$registered" "$(reg_service "$E2E_SERVICE")"

e2e_log "/Uninstall (not silent)"
run_admin uninstall3 60 "$EXE_WIN" /Uninstall
check_eq "exit code" 0 "$RUN_EXIT"
check_eq "one Information dialog" "Information" "$RUN_WINDOWS"
check_eq "success text" "Service uninstalled successfully" "$(msgbox_texts)"
check_eq "a query fails with 1060" 1060 "$(sc_query_error "$E2E_SERVICE")"

# The service manager would expand %OS% in the registered path at every start.
e2e_log "/INSTALL /SILENT from C:\\Loja%OS%dir: refused"
mkdir -p "$WINEPREFIX/drive_c/Loja%OS%dir"
cp "$E2E_EXE" "$WINEPREFIX/drive_c/Loja%OS%dir/ServicoVelmoraNFCe.exe"
run_admin install_percent 60 'C:\Loja%OS%dir\ServicoVelmoraNFCe.exe' /INSTALL /SILENT
check_eq "exit code: bad path name" 161 "$RUN_EXIT"
check_eq "one Error dialog, closed with Return" "Error" "$RUN_WINDOWS"
check "install failure text" failure_text_ok "$(msgbox_texts)" install 161
check_eq "nothing registered" 1060 "$(sc_query_error "$E2E_SERVICE")"
check_eq "no event source registered" "" "$(event_source_key "$E2E_SERVICE")"

e2e_end
