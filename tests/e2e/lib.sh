# shellcheck shell=bash
# Shared helpers of the end-to-end scripts: a Wine prefix of the script's own
# (copied from a template made once per build), Xvfb on a free display, one warm
# Wine session, and small wrappers around what an administrator would type.
#
#   source lib.sh; e2e_begin EXE SUPPORT_DIR WORK_DIR
#
# After e2e_begin: $WINEPREFIX, $DISPLAY, $APP_DIR (Linux path of the folder with
# a blank that holds the executable), $APP_WIN (its Windows path), $EXE_WIN,
# $SERVICES_STDERR (Wine's services' stderr: event-log entries of services).
# The EXIT trap always ends the session and Xvfb.

set -euo pipefail

E2E_SERVICE=VelmoraNFCeStarter
E2E_DISPLAY_NAME="Velmora NFC-e Starter"
E2E_DB_SERVICE=postgresql-9.4
E2E_APP_FOLDER="Velmora NFCe"   # a blank on purpose: the registered path must be quoted
E2E_FAILED=0
E2E_XVFB_PID=""

e2e_log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }

# A check: prints ok/FAIL and remembers a failure; the script goes on so one run
# shows every broken check. e2e_end turns a failure into the exit status.
check() {
  local what=$1; shift
  if "$@"; then
    printf '  ok    %s\n' "$what"
  else
    printf '  FAIL  %s\n' "$what"
    E2E_FAILED=1
  fi
}

check_eq() {  # check_eq WHAT EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    printf '  ok    %s\n' "$1"
  else
    printf '  FAIL  %s\n        expected: [%s]\n        actual:   [%s]\n' "$1" "$2" "$3"
    E2E_FAILED=1
  fi
}

die() { printf 'e2e: %s\n' "$*" >&2; exit 1; }

# Runs a condition until it holds or SECONDS pass; never a bare sleep for correctness.
wait_until() {  # wait_until SECONDS COMMAND...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

wine_env() {
  export WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
}

# One template prefix per build: wineboot's first session is not reliable for
# services, so it is made and ended here and every script starts from a copy.
e2e_template() {
  local tmpl=$1
  (
    flock 9
    if [ ! -f "$tmpl/.ready" ]; then
      e2e_log "making the template Wine prefix (once per build)"
      rm -rf "$tmpl"
      mkdir -p "$tmpl"
      unset DISPLAY
      WINEPREFIX=$tmpl wineboot --init >"$tmpl.boot.log" 2>&1 </dev/null
      WINEPREFIX=$tmpl wineserver -w
      touch "$tmpl/.ready"
    fi
  ) 9>"$tmpl.lock"
}

e2e_cleanup() {
  local rc=$?
  set +e
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  # A prefix is about 700 MB: keep it only when asked to (E2E_KEEP=1).
  if [ "${E2E_KEEP:-0}" != 1 ] && [ -n "${E2E_WORK:-}" ]; then
    rm -rf "$E2E_WORK/prefix"
  fi
  exit "$rc"
}

# A run killed by a timeout cannot clean up: end what it left before reusing its folder.
e2e_reap_leftovers() {
  if [ -f "$E2E_WORK/prefix/system.reg" ]; then
    WINEPREFIX=$E2E_WORK/prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$E2E_WORK/prefix wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -f "$E2E_WORK/xvfb.pid" ]; then
    local pid
    pid=$(cat "$E2E_WORK/xvfb.pid")
    if { tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null | grep -q '^Xvfb '; then
      kill "$pid" 2>/dev/null || true
    fi
  fi
}

e2e_start_xvfb() {
  # Xvfb picks a free display itself and writes its number to the descriptor.
  : >"$E2E_WORK/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$E2E_WORK/display" \
    </dev/null >"$E2E_WORK/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  echo "$E2E_XVFB_PID" >"$E2E_WORK/xvfb.pid"
  wait_until 30 test -s "$E2E_WORK/display" || die "Xvfb did not start (see $E2E_WORK/xvfb.log)"
  export DISPLAY=":$(tr -dc '0-9' <"$E2E_WORK/display")"
  wait_until 30 xdotool getdisplaygeometry >/dev/null 2>&1 || die "display $DISPLAY not usable"
}

e2e_begin() {  # e2e_begin EXE SUPPORT_DIR WORK_DIR
  [ $# -eq 3 ] || die "usage: $0 EXE SUPPORT_DIR WORK_DIR"
  E2E_EXE=$(readlink -f "$1")
  E2E_SUPPORT=$(readlink -f "$2")
  E2E_WORK=$3
  [ -f "$E2E_EXE" ] || die "no executable at $E2E_EXE"
  source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine32-check.sh"
  wine32_check "$E2E_EXE"
  for f in runexit pgstub syserrtext; do
    [ -f "$E2E_SUPPORT/$f.exe" ] || die "no support program $E2E_SUPPORT/$f.exe"
  done
  for t in wine wineserver Xvfb xdotool flock; do
    command -v "$t" >/dev/null || die "$t is not installed (bash scripts/setup.sh)"
  done
  mkdir -p "$E2E_WORK"
  E2E_WORK=$(readlink -f "$E2E_WORK")
  wine_env
  e2e_reap_leftovers
  rm -rf "$E2E_WORK"
  mkdir -p "$E2E_WORK"
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM

  local tmpl
  tmpl=$(dirname "$E2E_WORK")/template-prefix
  e2e_template "$tmpl"
  cp -a "$tmpl" "$E2E_WORK/prefix"
  export WINEPREFIX=$E2E_WORK/prefix

  e2e_start_xvfb

  APP_DIR="$WINEPREFIX/drive_c/$E2E_APP_FOLDER"
  APP_WIN="C:\\$E2E_APP_FOLDER"
  EXE_WIN="$APP_WIN\\ServicoVelmoraNFCe.exe"
  TOOLS_WIN='C:\e2e'
  mkdir -p "$APP_DIR" "$WINEPREFIX/drive_c/e2e"
  cp "$E2E_EXE" "$APP_DIR/ServicoVelmoraNFCe.exe"
  cp "$E2E_SUPPORT/runexit.exe" "$E2E_SUPPORT/pgstub.exe" "$WINEPREFIX/drive_c/e2e/"

  # One warm session for the whole script; its first process decides where the
  # services' stderr (and so their event-log entries) and debug channels go.
  SERVICES_STDERR=$E2E_WORK/services.stderr
  wineserver -p </dev/null >/dev/null 2>&1
  # E2E_DEBUG adds channels (e.g. "+process") for a script that needs them.
  WINEDEBUG=-all,err+eventlog,warn+eventlog${E2E_DEBUG:+,$E2E_DEBUG} \
    wine cmd /c exit </dev/null >/dev/null 2>>"$SERVICES_STDERR"
  e2e_log "prefix $WINEPREFIX, display $DISPLAY, session warm"
}

e2e_end() {
  if [ "$E2E_FAILED" -ne 0 ]; then
    e2e_log "FAILED (work folder: $E2E_WORK)"
    exit 1
  fi
  e2e_log "passed"
}

# --- what an administrator types -------------------------------------------

wn() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# Queries print nothing and fail for a missing service; callers read the text.
sc_query() { wn sc query "$1" || true; }

# The state name of `sc query` ("RUNNING", "STOPPED"...), empty when the query failed.
service_state() {
  sc_query "$1" | sed -n 's/^ *STATE *: *[0-9]* *\([A-Z_]*\).*/\1/p'
}

sc_field() {  # sc_field NAME FIELD   e.g. WIN32_EXIT_CODE -> the decimal number
  sc_query "$1" | sed -n "s/^ *$2 *: *\\([0-9]*\\).*/\\1/p"
}

# The error code of a failed `sc query`: Wine's sc prints it only on its err channel.
sc_query_error() {
  { WINEDEBUG=-all,err+sc wine sc query "$1" </dev/null >/dev/null; } 2>&1 |
    sed -n 's/.*failed to open service \([0-9]*\).*/\1/p' | tr -d '\r' || true
}

state_is() { [ "$(service_state "$1")" == "$2" ]; }

# Registry view of a registration, one "Name Type Data" line per value; Wine has
# no `sc qc`, so this is where the service manager's stored configuration is read.
# Prints nothing when the key does not exist.
reg_service() {
  local out
  if out=$(wn reg query "HKLM\\System\\CurrentControlSet\\Services\\$1"); then
    printf '%s\n' "$out"
  fi
}

# `reg` takes about a second here: read the key once, then pick values from it.
reg_value() {  # reg_value DUMP VALUE -> the data column
  sed -n "s/^ *$2 *REG_[A-Z_]* *//p" <<<"$1"
}

# Visible top-level windows with a title, "id<TAB>title" per line.
visible_windows() {
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    printf '%s\t%s\n' "$id" "$(xdotool getwindowname "$id" 2>/dev/null)"
  done
}

# Runs a command line through runexit.exe, the way a prompt would start it, and
# watches the display meanwhile: every visible window that comes up is recorded
# and closed with Return, so a dialog never blocks the run. When RUN_ON_WINDOW
# names a command, it runs with the window's id and title before the window is
# closed (to read the window, for instance).
#   run_admin LABEL DEADLINE WINDOWS-COMMAND-LINE-ARGS...
# Sets RUN_EXIT (the whole 32-bit exit code, or "" when none was printed),
# RUN_WINDOWS (titles of the windows seen, one per line) and RUN_STDERR (file
# with the program's debug channels: msgbox texts and event-log entries).
run_admin() {
  local label=$1 limit=$2; shift 2
  local out=$E2E_WORK/$label.out
  RUN_STDERR=$E2E_WORK/$label.stderr
  RUN_WINDOWS=""
  RUN_EXIT=""
  WINEDEBUG=-all,trace+msgbox,err+eventlog,warn+eventlog \
    wine "$TOOLS_WIN\\runexit.exe" "$@" </dev/null >"$out" 2>"$RUN_STDERR" &
  local pid=$! deadline=$((SECONDS + limit)) line id title
  while kill -0 "$pid" 2>/dev/null; do
    while IFS=$'\t' read -r id title; do
      [ -n "$id" ] || continue
      RUN_WINDOWS+="$title"$'\n'
      if [ -n "${RUN_ON_WINDOW:-}" ]; then "$RUN_ON_WINDOW" "$id" "$title" || true; fi
      xdotool key --window "$id" Return 2>/dev/null || true
      # Wait for it to go so it is not counted twice.
      wait_until 20 bash -c "! xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx '$id'" || true
    done < <(visible_windows)
    if [ "$SECONDS" -ge "$deadline" ]; then
      kill "$pid" 2>/dev/null || true
      break
    fi
    sleep 0.1
  done
  wait "$pid" 2>/dev/null || true
  line=$(tr -d '\r' <"$out" | sed -n 's/^exit=//p' | tail -1)
  RUN_EXIT=$line
  RUN_WINDOWS=${RUN_WINDOWS%$'\n'}
}

# The texts of every message box the last run_admin showed, one per box; Wine's
# msgbox channel prints them as L"..." with \r\n escaped.
msgbox_texts() {
  sed -n 's/.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"$/\1/p' "$RUN_STDERR" | tr -d '\r'
}

# The texts of error entries ReportEventW received, from a debug stream file.
eventlog_errors() {
  sed -n 's/.*err:eventlog:ReportEventW L"\(.*\)"$/\1/p' "$1" | tr -d '\r'
}

# The texts of warning entries ReportEventW received, from a debug stream file.
eventlog_warnings() {
  sed -n 's/.*warn:eventlog:ReportEventW L"\(.*\)"$/\1/p' "$1" | tr -d '\r'
}

# Live (not <defunct>) Wine processes of this prefix whose command line holds
# TEXT; other prefixes on the machine may run the same programs.
prefix_pids() {  # prefix_pids TEXT
  local stat pid args
  while read -r stat pid args; do
    [[ $stat == Z* ]] && continue
    [[ $args == *"$1"* ]] || continue
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    echo "$pid"
  done < <(ps -eo stat=,pid=,args=)
}

no_prefix_process() { [ -z "$(prefix_pids "$1")" ]; }

net_start() { wn net start "$1" >/dev/null; }

# Register and start the stand-in database service our service depends on.
start_db_stub() {
  wn sc create "$E2E_DB_SERVICE" binpath= "$TOOLS_WIN\\pgstub.exe" >/dev/null
  wn net start "$E2E_DB_SERVICE" >/dev/null
  wait_until 30 state_is "$E2E_DB_SERVICE" RUNNING
}

stop_db_stub() {
  wn net stop "$E2E_DB_SERVICE" >/dev/null || true
  wait_until 30 state_is "$E2E_DB_SERVICE" STOPPED || true
  wn sc delete "$E2E_DB_SERVICE" >/dev/null || true
}
