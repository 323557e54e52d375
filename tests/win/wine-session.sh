#!/usr/bin/env bash
# Keeps one warm Wine session for the Win32 tests of a build:
#   wine-session.sh start DIR [EXE]   makes DIR/prefix (once) and starts a persistent wineserver
#   wine-session.sh stop DIR          ends the session
# With EXE, a 32-bit test program, the session is not started where Wine's
# 32-bit support cannot run (reported as NOT RUN).
# A cold Wine start costs seconds per process; a warm one, milliseconds.
set -eu
cmd=$1 dir=$2
if [ $# -ge 3 ]; then
  source "$(dirname "$0")/../../cmake/wine32-check.sh"
  wine32_check "$3"
fi
mkdir -p "$dir"
export WINEPREFIX=$dir/prefix WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset DISPLAY
case $cmd in
  start)
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      # The first session of a new prefix is not reliable for services: end it.
      wineboot --init >"$dir/boot.log" 2>&1 </dev/null
      wineserver -w
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    # The first process of a session decides where services' stderr goes.
    wine cmd /c exit </dev/null >/dev/null 2>>"$dir/services.stderr"
    echo "wine session warm in $WINEPREFIX"
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    echo "wine session ended"
    ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
