#!/usr/bin/env bash
# The technicians' guide, followed literally: the commands of its checklist and
# of its sections, typed at a prompt in the program's folder (C:\Velmora, as the
# guide's examples), with what the guide says each one shows. What Wine cannot
# run is listed in app/LEIA-ME.checks.md.
#   test-guide.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
E2E_APP_FOLDER=Velmora   # the guide's own example folder
e2e_begin "$@"
[ -f "$E2E_SUPPORT/divevezodoz.exe" ] || die "no test emitter $E2E_SUPPORT/divevezodoz.exe"
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
cp "$E2E_SUPPORT/boxtext.exe" "$WINEPREFIX/drive_c/e2e/"
STARTED=$APP_DIR/divevezodoz.started
HOLD=$APP_DIR/divevezodoz.hold   # while it exists, a started emitter keeps running

started_count() { if [ -f "$STARTED" ]; then tr -d '\r' <"$STARTED" | grep -c . || true; else echo 0; fi; }
started_count_is() { [ "$(started_count)" -eq "$1" ]; }

# Types the lines of standard input at a prompt in the program's folder (a batch
# file runs them as the prompt would, one by one), closing every window that
# comes up meanwhile with Return after reading it. Sets OUT (what the prompt
# printed), WINDOWS (the titles) and BOXES (the text of each box, read from it).
prompt() {  # prompt LABEL < COMMANDS
  local label=$1 bat=$APP_DIR/$1.bat out=$E2E_WORK/$1.out
  { printf '@echo off\r\ncd /d %s\r\n' "$APP_WIN"; sed 's/$/\r/'; } >"$bat"
  WINDOWS="" BOXES=""
  wine cmd /c "$APP_WIN\\$label.bat" </dev/null >"$out" 2>/dev/null &
  local pid=$! deadline=$((SECONDS + 120)) id title
  while kill -0 "$pid" 2>/dev/null; do
    while IFS=$'\t' read -r id title; do
      [ -n "$id" ] || continue
      WINDOWS+="$title"$'\n'
      BOXES+="$(wn "$TOOLS_WIN\\boxtext.exe" | tail -n +2)"$'\n'
      xdotool key --window "$id" Return 2>/dev/null || true
      wait_until 20 bash -c "! xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx '$id'" || true
    done < <(visible_windows)
    [ "$SECONDS" -lt "$deadline" ] || { kill "$pid" 2>/dev/null || true; break; }
    sleep 0.1
  done
  wait "$pid" 2>/dev/null || true
  OUT=$(tr -d '\r' <"$out")
  WINDOWS=${WINDOWS%$'\n'} BOXES=${BOXES%$'\n'}
}

field() {  # field NAME: the number after "NAME :" in OUT (the last one)
  sed -n "s/^ *$1 *: *\\([0-9]*\\).*/\\1/p" <<<"$OUT" | tail -1
}
stopped() { state_is "$E2E_SERVICE" STOPPED && no_prefix_process '\ServicoVelmoraNFCe.exe'; }

check "stub $E2E_DB_SERVICE running" start_db_stub

# Checking the package: Wine's certutil is a stub that prints nothing, so only
# the other half of the comparison can be typed here.
e2e_log "checking the package: type SHA256SUMS"
(cd "$APP_DIR" && sha256sum ServicoVelmoraNFCe.exe) >"$APP_DIR/SHA256SUMS"
prompt sums <<<'type SHA256SUMS'
check_eq "the line for the executable, its 64 characters first" \
  "$(sha256sum "$APP_DIR/ServicoVelmoraNFCe.exe" | cut -d' ' -f1)  ServicoVelmoraNFCe.exe" "$OUT"

e2e_log "checklist 3-4: cd /d C:\\Velmora, ServicoVelmoraNFCe.exe /INSTALL"
prompt install <<<'ServicoVelmoraNFCe.exe /INSTALL'
check_eq "4: one Information box" "Information" "$WINDOWS"
# Under Wine the text goes on: the recovery settings Wine refuses and the
# permissions warning its made-up DACL brings (test-registration.sh,
# test-write-access.sh); the guide's words are the first line.
check_eq "4: it says the service was installed" "Service installed successfully" "$(head -1 <<<"$BOXES")"
check "4: registered" test -n "$(reg_service "$E2E_SERVICE")"
check "log: installing writes no log" test ! -e "$APP_DIR/log"

e2e_log "checklist 5: sc query before the first start"
prompt query1 <<<'sc query VelmoraNFCeStarter'
check_eq "5: STATE" 1 "$(field STATE)"
check "5: STATE says STOPPED" grep -Eq '^ *STATE *: *1 *STOPPED' <<<"$OUT"
check_eq "5: WIN32_EXIT_CODE: never started" 1077 "$(field WIN32_EXIT_CODE)"

e2e_log "checklist 6-7: sc start, then sc query"
touch "$HOLD"
prompt start1 <<<'sc start VelmoraNFCeStarter'
check "6: the service stops by itself" wait_until 60 stopped
prompt query2 <<<'sc query VelmoraNFCeStarter'
check "7: STATE 1 STOPPED" grep -Eq '^ *STATE *: *1 *STOPPED' <<<"$OUT"
check_eq "7: WIN32_EXIT_CODE" 0 "$(field WIN32_EXIT_CODE)"
check_eq "7: SERVICE_EXIT_CODE" 0 "$(field SERVICE_EXIT_CODE)"

e2e_log "checklist 8: dir log, type the day's file"
check "the emitter started" wait_until 30 started_count_is 1
day=$(find "$APP_DIR/log" -name 'LogServicoVelmoraNFCe*.txt' -printf '%f\n' 2>/dev/null | sed -n 's/^LogServicoVelmoraNFCe\([0-9]\{8\}\)\.txt$/\1/p' | tail -1)
check "8: the file is named by the day (today, or yesterday across midnight)" \
  grep -qxE "$(date +%Y%m%d)|$(date -d yesterday +%Y%m%d)" <<<"$day"
prompt log1 <<BAT
dir log
type log\\LogServicoVelmoraNFCe$day.txt
BAT
check "8: dir log shows the day's file" grep -qi "LogServicoVelmoraNFCe$day.txt" <<<"$OUT"
retorno=$(sed -n 's/.*Retorno: \(-\{0,1\}[0-9]*\)$/\1/p' <<<"$OUT" | tail -1)
check "8: the last 'Retorno:' is above 32 (it is ${retorno:-missing})" test "${retorno:-0}" -gt 32
check "8: the 'Executando API' line names the folder's emitter" \
  grep -qF 'Executando API: C:\Velmora\divevezodoz.exe' <<<"$OUT"

# Checklist 9 cannot be typed here: Wine's tasklist prints nothing, and its
# taskkill finds no process by image name. The process list stands for them.
e2e_log "checklist 9: the API is running"
check "9: the emitter runs" test -n "$(prefix_pids 'divevezodoz.exe')"
rm -f "$HOLD"
check "the emitter ends once let go" wait_until 90 no_prefix_process 'divevezodoz.exe'

e2e_log "updating: both programs replaced in place, no reinstall, then sc start"
cp "$E2E_SUPPORT/divevezodoz.exe" "$WINEPREFIX/drive_c/e2e/divevezodoz.exe"
cp "$E2E_EXE" "$WINEPREFIX/drive_c/e2e/ServicoVelmoraNFCe.exe"
prompt update <<BAT
copy /y $TOOLS_WIN\\divevezodoz.exe divevezodoz.exe
copy /y $TOOLS_WIN\\ServicoVelmoraNFCe.exe ServicoVelmoraNFCe.exe
sc start VelmoraNFCeStarter
BAT
check "update: the service stops by itself" wait_until 60 stopped
check "update: the new emitter started" wait_until 30 started_count_is 2
prompt query3 <<<'sc query VelmoraNFCeStarter'
check_eq "update: WIN32_EXIT_CODE" 0 "$(field WIN32_EXIT_CODE)"
check_eq "update: SERVICE_EXIT_CODE" 0 "$(field SERVICE_EXIT_CODE)"

e2e_log "log: a deleted log folder is made again at the next start"
prompt rmlog <<<'rmdir /s /q log'
check "log: the folder is gone" test ! -e "$APP_DIR/log"
touch "$HOLD"   # this copy of the API is still running when the service is removed
prompt start2 <<<'sc start VelmoraNFCeStarter'
check "log: the service stops by itself" wait_until 60 stopped
check "log: the folder is back with the day's file" \
  wait_until 30 bash -c 'ls "$1"/log/LogServicoVelmoraNFCe*.txt >/dev/null 2>&1' _ "$APP_DIR"

e2e_log "removing: ServicoVelmoraNFCe.exe /UNINSTALL"
prompt uninstall <<<'ServicoVelmoraNFCe.exe /UNINSTALL'
check_eq "remove: one Information box" "Information" "$WINDOWS"
check_eq "remove: it says the service was removed" "Service uninstalled successfully" "$BOXES"
check_eq "remove: sc query fails with 1060" 1060 "$(sc_query_error "$E2E_SERVICE")"
check "remove: /UNINSTALL leaves the running API alone" test -n "$(prefix_pids 'divevezodoz.exe')"
rm -f "$HOLD"

# The owner column of dir /q (its value under Wine is the Linux user).
prompt owner <<<'dir /q "C:\Velmora"'
check "folder security: dir /q gives the folder's line an owner" \
  grep -Eq '<DIR> +[^ ]+\\?[^ ]* +\.$' <<<"$OUT"

e2e_log "exit codes: start \"\" /wait ..., echo %ERRORLEVEL%"
prompt code1 <<'BAT'
start "" /wait ServicoVelmoraNFCe.exe /INSTALL /SILENT
echo %ERRORLEVEL%
BAT
check_eq "code: 0 on success, no window" "0|" "$OUT|$WINDOWS"
prompt code2 <<'BAT'
start "" /wait ServicoVelmoraNFCe.exe /INSTALL /SILENT
echo %ERRORLEVEL%
BAT
check_eq "code: 1073 when already installed, with an Error box" "1073|Error" "$OUT|$WINDOWS"
prompt code3 <<'BAT'
start "" /wait ServicoVelmoraNFCe.exe /INSTAL
echo %ERRORLEVEL%
BAT
check_eq "code: 1063 for a typo, with the usage box" "1063|Error" "$OUT|$WINDOWS"
check "code: the usage box names the typo" grep -qF 'Recebido: "/INSTAL".' <<<"$BOXES"
prompt code4 <<'BAT'
start "" /wait ServicoVelmoraNFCe.exe /UNINSTALL /SILENT
echo %ERRORLEVEL%
BAT
check_eq "code: 0 on removal" "0|" "$OUT|$WINDOWS"

stop_db_stub
e2e_end
