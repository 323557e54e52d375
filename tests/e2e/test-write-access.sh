#!/usr/bin/env bash
# The permissions warning. Wine answers every file's and folder's DACL with
# full control for the current user (and ignores a DACL that is set), so under
# Wine the service's folder is always open to an account other than SYSTEM,
# Administrators and TrustedInstaller: /INSTALL's result carries the warning,
# and a start launches the emitter first, then writes one ALERTA line and one
# warning entry naming that account.
#   test-write-access.sh EXE SUPPORT_DIR WORK_DIR
# Process creations go to the services' debug stream with the event-log
# entries, in the order the service thread made them.
export E2E_DEBUG=+process
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
[ -f "$E2E_SUPPORT/divevezodoz.exe" ] || die "no test emitter $E2E_SUPPORT/divevezodoz.exe"
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
STARTED=$APP_DIR/divevezodoz.started
WINE_USER_SID=S-1-5-21-0-0-0-1000   # Wine's SID for the current user (wine-notes.md)

# The account as the warning names it: Wine's name for the user, or its SID.
ACCOUNT_RE="([^ ,:]+\\\\$(id -un)|$WINE_USER_SID)"
ere_quote() { sed 's/[][\.*^$+?(){}|/]/\\&/g' <<<"$1"; }
# The warning's text, as an extended regular expression, with Wine's debug
# escapes when ESC is given (\\ for \, \00xx for what is not ASCII).
warning_re() {  # warning_re ESC|PLAIN
  local folder="$APP_WIN\\" s_o='õ' s_c='ç'
  if [ "$1" == ESC ]; then folder=${folder//\\/\\\\}; s_o='\00f5' s_c='\00e7'; fi
  printf '%s' "$(ere_quote "Permiss${s_o}es inseguras: estas contas podem alterar a pasta $folder ou o divevezodoz.exe, que este servi${s_c}o executa como SYSTEM: ")"
  printf '%s' "$ACCOUNT_RE"
}

e2e_log "database stub"
check "stub $E2E_DB_SERVICE running" start_db_stub

e2e_log "/INSTALL: the result names the account"
# Under Wine the success text first carries the service settings Wine refuses
# (test-registration.sh), which pushes the warning past the length Wine's
# msgbox channel prints: the whole text is read from the box itself.
cp "$E2E_SUPPORT/boxtext.exe" "$WINEPREFIX/drive_c/e2e/"
BOX=""
read_box() { BOX+="$(wn "$TOOLS_WIN\\boxtext.exe" | tail -n +2)"$'\n'; }
RUN_ON_WINDOW=read_box run_admin install 60 "$EXE_WIN" /INSTALL
check_eq "installed" 0 "$RUN_EXIT"
check_eq "one Information dialog" "Information" "$RUN_WINDOWS"
e2e_log "box: $BOX"
check "success text first" grep -qx 'Service installed successfully' <<<"$(head -1 <<<"$BOX")"
check "then the warning, on a paragraph of its own" \
  grep -qE "^$(warning_re PLAIN)$(ere_quote ". Só SYSTEM, Administradores e TrustedInstaller deveriam poder; veja \"SEGURANÇA DA PASTA\" no LEIA-ME.txt.")\$" <<<"$BOX"

e2e_log "a start: emitter launched, then the warning"
check "net start $E2E_SERVICE" net_start "$E2E_SERVICE"
check "the service stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check_eq "SERVICE_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" SERVICE_EXIT_CODE)"
check "the emitter was launched all the same" wait_until 30 test -s "$STARTED"

log_file=$(ls "$APP_DIR"/log/LogServicoVelmoraNFCe*.txt 2>/dev/null | head -1 || true)
alerts=$(if [ -n "$log_file" ]; then iconv -f WINDOWS-1252 -t UTF-8 "$log_file" | tr -d '\r' | grep ' ALERTA : ' || true; fi)
e2e_log "log: $alerts"
check_eq "one ALERTA line" 1 "$(grep -c . <<<"$alerts" || true)"
check "the ALERTA line names the account" grep -qE \
  ": \\[TVelmoraNFCeStarter *\\] $(warning_re PLAIN)$(ere_quote ". Só SYSTEM, Administradores e TrustedInstaller deveriam poder; veja \"SEGURANÇA DA PASTA\" no LEIA-ME.txt.")\$" \
  <<<"$alerts"

warnings=$(eventlog_warnings "$SERVICES_STDERR" | grep 'inseguras' || true)
e2e_log "event: $(cut -c1-200 <<<"$warnings")"
check_eq "one warning entry" 1 "$(grep -c . <<<"$warnings" || true)"
check "the entry is the warning" grep -qE "^$(warning_re ESC)" <<<"$warnings"
# The service thread launches, then checks: in its debug stream the emitter's
# process creation comes before the warning entry.
# The service thread launches, then checks: in its debug stream (lines start
# with the thread's id) the emitter's process creation comes before the warning
# entry, on the same thread.
created=$(grep -anE 'trace:process:NtCreateUserProcess .*divevezodoz\.exe.* pid ' "$SERVICES_STDERR" | head -1)
warned=$(grep -anE 'warn:eventlog:ReportEventW L"Permiss' "$SERVICES_STDERR" | head -1)
e2e_log "created: $(cut -c1-120 <<<"$created")"
check "the emitter's creation is in the stream" test -n "$created"
check "the warning comes after it" test "${created%%:*}" -lt "${warned%%:*}"
check_eq "on the same thread" "$(cut -d: -f2 <<<"$created")" "$(cut -d: -f2 <<<"$warned")"
check_eq "no event-log error from the service" "" "$(eventlog_errors "$SERVICES_STDERR")"

e2e_log "clean up"
run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "uninstalled" 0 "$RUN_EXIT"
stop_db_stub
e2e_end
