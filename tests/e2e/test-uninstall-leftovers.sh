#!/usr/bin/env bash
# /UNINSTALL cleans up what a registration left, whatever happened to it: after
# `sc delete` it still removes both event-source keys (and ends with 1060, the
# service being gone), and it removes a key that others put subkeys under.
#   test-uninstall-leftovers.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
cp "$E2E_SUPPORT/syserrtext.exe" "$WINEPREFIX/drive_c/e2e/"

EVENTLOG_KEY='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application'
SOURCES=("$E2E_SERVICE" ServicoVelmoraNFCe.exe)
key_exists() { wine reg query "$EVENTLOG_KEY\\$1" </dev/null >/dev/null 2>&1; }
keys_present() {  # the sources whose key exists, blank-separated
  local source out=""
  for source in "${SOURCES[@]}"; do key_exists "$source" && out+="$source "; done
  printf '%s' "${out% }"
}
uninstall_text() {  # the failure box's text for CODE, as Wine's msgbox channel prints it
  printf 'Service \\"%s\\" failed to uninstall with error: \\"System Error.  Code: %s.\\r\\n%s\\"' \
    "$E2E_DISPLAY_NAME" "$1" "$(wn "$TOOLS_WIN\\syserrtext.exe" "$1")"
}

e2e_log "/INSTALL, then sc delete"
run_admin install1 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "installed" 0 "$RUN_EXIT"
check_eq "both keys made" "${SOURCES[*]}" "$(keys_present)"
check "sc delete" wn sc delete "$E2E_SERVICE"
check_eq "the service is gone" 1060 "$(sc_query_error "$E2E_SERVICE")"
check_eq "the keys are left behind" "${SOURCES[*]}" "$(keys_present)"

e2e_log "/UNINSTALL /SILENT after sc delete"
run_admin uninstall1 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "exit code: the service does not exist" 1060 "$RUN_EXIT"
check_eq "one Error dialog, closed with Return" "Error" "$RUN_WINDOWS"
check_eq "its text" "$(uninstall_text 1060)" "$(msgbox_texts)"
check_eq "both keys removed" "" "$(keys_present)"

e2e_log "/INSTALL, then keys under both event-source keys"
run_admin install2 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "installed" 0 "$RUN_EXIT"
for source in "${SOURCES[@]}"; do
  check "a subkey under $source" \
    wn reg add "$EVENTLOG_KEY\\$source\\Visualizador\\Filtro" /v Nivel /t REG_DWORD /d 3 /f
done
check "the subkey is there" key_exists "$E2E_SERVICE\\Visualizador\\Filtro"

e2e_log "/UNINSTALL /SILENT"
run_admin uninstall2 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "exit code" 0 "$RUN_EXIT"
check_eq "no window shown" "" "$RUN_WINDOWS"
check_eq "both keys removed with what was under them" "" "$(keys_present)"
check_eq "the service is gone" 1060 "$(sc_query_error "$E2E_SERVICE")"

e2e_log "/UNINSTALL /SILENT again: nothing left, keys already gone are no failure"
run_admin uninstall3 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "exit code: only the service is missing" 1060 "$RUN_EXIT"
check_eq "its text" "$(uninstall_text 1060)" "$(msgbox_texts)"
e2e_end
