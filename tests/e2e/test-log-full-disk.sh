#!/usr/bin/env bash
# A line the disk takes only in part leaves no fragment: on a full volume the
# bytes that fitted are cut off again before the line goes to the event log
# (erro 112), and once there is room the next line starts on a line of its own.
# The full volume is a small tmpfs mounted over log\ (Wine's WriteFile keeps
# what fitted and fails with 112 there, as a FAT volume or a share would);
# mounting needs root, so without it the test is not run.
#   test-log-full-disk.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
if [ "$(id -u)" -ne 0 ] || ! command -v mount >/dev/null; then
  echo "NOT RUN: mounting a small tmpfs over the log folder needs root"
  exit 0
fi
# A run killed by a timeout leaves its tmpfs mounted in the prefix it would remove.
if [ $# -eq 3 ] && mountpoint -q "$3/prefix/drive_c/$E2E_APP_FOLDER/log" 2>/dev/null; then
  umount -l "$3/prefix/drive_c/$E2E_APP_FOLDER/log" || true
fi
e2e_begin "$@"
[ -f "$E2E_SUPPORT/divevezodoz.exe" ] || die "no test emitter $E2E_SUPPORT/divevezodoz.exe"
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
LOG_DIR=$APP_DIR/log
mkdir -p "$LOG_DIR"
mount -t tmpfs -o size=64k,mode=0777 tmpfs "$LOG_DIR" || { echo "NOT RUN: tmpfs cannot be mounted here"; exit 0; }
# Unmounted before lib.sh's clean-up removes the prefix, whatever ends the script.
trap 'rc=$?; umount "$LOG_DIR" 2>/dev/null || umount -l "$LOG_DIR" 2>/dev/null; (exit $rc); e2e_cleanup' EXIT

day=$(date +%Y%m%d)
LOG_FILE=$LOG_DIR/LogServicoVelmoraNFCe$day.txt
# Old lines filling the file's pages but the last 60 bytes; a filler takes every other page.
old_size=$((3 * 4096 - 60))
head -c $((old_size - 2)) < <(yes $'linha antiga de um dia cheio\r') >"$LOG_FILE"
printf '\r\n' >>"$LOG_FILE"
dd if=/dev/zero of="$LOG_DIR/enchimento" bs=4096 2>/dev/null || true
sha_old=$(sha256sum <"$LOG_FILE")
check_eq "the old content is $old_size bytes" "$old_size" "$(stat -c %s "$LOG_FILE")"

start_and_wait() {
  check "net start $E2E_SERVICE" net_start "$E2E_SERVICE"
  check "the service stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
  check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
  check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
}
full_warnings() { eventlog_warnings "$SERVICES_STDERR" | grep -cF "LogServicoVelmoraNFCe$day.txt: erro 112 (" || true; }

check "stub $E2E_DB_SERVICE running" start_db_stub
run_admin install 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "installed" 0 "$RUN_EXIT"

e2e_log "a start with the log's volume full"
start_and_wait
check "the 'Executando API' and 'Retorno' lines are warning entries with erro 112" \
  wait_until 30 test "$(full_warnings)" -ge 2
check_eq "the file is cut back to its old size" "$old_size" "$(stat -c %s "$LOG_FILE")"
check_eq "its old content is untouched" "$sha_old" "$(sha256sum <"$LOG_FILE")"
e2e_log "warning entries with erro 112: $(full_warnings)"
eventlog_warnings "$SERVICES_STDERR" | head -1 | cut -c1-200 | sed 's/^/        /'

e2e_log "room again: the next lines start on lines of their own"
rm -f "$LOG_DIR/enchimento"
start_and_wait
check_eq "the old content is still the file's beginning" "$sha_old" \
  "$(head -c "$old_size" "$LOG_FILE" | sha256sum)"
new_part=$(tail -c +$((old_size + 1)) "$LOG_FILE" | tr -d '\r')
check "the new lines begin right after the old ones" \
  grep -qE "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  " <<<"$(head -1 <<<"$new_part")"
check "an 'Executando API' line" grep -qF '] Executando API: ' <<<"$new_part"
check "a 'Retorno' line" grep -qF '] Enviado comando ShellExecute para o Windows. Retorno: ' <<<"$new_part"
check_eq "every new line is whole and dated" "" \
  "$(grep -vE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  [0-9A-F]{8} ' <<<"$new_part" || true)"
check_eq "the file ends with CR LF" 0d0a "$(tail -c 2 "$LOG_FILE" | od -An -tx1 | tr -d ' ')"

run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "uninstalled" 0 "$RUN_EXIT"
stop_db_stub
e2e_end
