#!/usr/bin/env bash
# DLLs planted beside the service under the names of DLLs it loads are never
# loaded into it: not by /INSTALL, not by a service start (which still launches
# the emitter), not by /UNINSTALL. A control run first shows that this Wine does
# load a planted DLL from a program's folder, so the test can tell.
#   test-dll-planting.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
for f in planted.dll shellimport.exe divevezodoz.exe; do
  [ -f "$E2E_SUPPORT/$f" ] || die "no support file $E2E_SUPPORT/$f"
done

# What the service process and the DLLs it loads ask for by name (seen with
# WINEDEBUG=+loaddll), and the names the shell and COM pull in on Windows.
# Not planted: kernel32, user32, advapi32, msvcrt, ntdll, gdi32 and the like,
# which the import table names and Windows maps from its KnownDLLs whatever
# lies beside the program; Wine, which has no KnownDLLs, cannot show that case.
PLANTED=(shcore shlwapi combase rpcrt4 uxtheme version imm32 ole32 shell32 oleaut32 sechost
  comctl32 propsys profapi userenv windows.storage msctf cryptbase bcrypt)

# Programs (one per line) that loaded a marker in FOLDER, "" when none did.
loaders() {  # loaders FOLDER
  cat "$1"/*.loaded 2>/dev/null | tr -d '\r' | sort -u || true
}
service_loaders() { loaders "$APP_DIR" | grep -i 'ServicoVelmoraNFCe\.exe' || true; }

e2e_log "control: a program importing shell32 beside a planted shcore.dll"
CONTROL=$WINEPREFIX/drive_c/control
mkdir -p "$CONTROL"
cp "$E2E_SUPPORT/shellimport.exe" "$CONTROL/"
cp "$E2E_SUPPORT/planted.dll" "$CONTROL/shcore.dll"
# No display: the loader's complaint about the fake DLL's missing exports must
# not wait for a click.
(unset DISPLAY; timeout 60 wine 'C:\control\shellimport.exe' </dev/null >/dev/null 2>&1) || true
check "this Wine loads a DLL planted beside a program (the marker works)" \
  grep -qi 'shellimport\.exe' "$CONTROL/shcore.dll.loaded"

for name in "${PLANTED[@]}"; do cp "$E2E_SUPPORT/planted.dll" "$APP_DIR/$name.dll"; done
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
touch "$APP_DIR/divevezodoz.hold"

e2e_log "/INSTALL /SILENT beside ${#PLANTED[@]} planted DLLs"
run_admin install 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "installed" 0 "$RUN_EXIT"
check_eq "no planted DLL loaded by /INSTALL" "" "$(service_loaders)"

e2e_log "a service start"
check "stub $E2E_DB_SERVICE running" start_db_stub
check "net start $E2E_SERVICE" net_start "$E2E_SERVICE"
check "the service stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check "the emitter was launched" wait_until 30 test -s "$APP_DIR/divevezodoz.started"
check_eq "no planted DLL loaded by the service" "" "$(service_loaders)"
rm -f "$APP_DIR/divevezodoz.hold"

e2e_log "/UNINSTALL /SILENT"
run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "uninstalled" 0 "$RUN_EXIT"
check_eq "no planted DLL loaded by /UNINSTALL" "" "$(service_loaders)"
stop_db_stub
e2e_log "programs that loaded a planted DLL in the service's folder: $(loaders "$APP_DIR" | tr '\n' ' ')"

e2e_end
