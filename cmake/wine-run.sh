#!/usr/bin/env bash
# Runs a Windows test program under Wine in the build's own prefix.
# The prefix and its warm session are made by tests/win/wine-session.sh.
set -eu
exe=$1; shift
source "$(dirname "$0")/wine32-check.sh"
wine32_check "$exe"
bindir=$(cd "$(dirname "$exe")" && pwd)
export WINEPREFIX=${VELMORA_WINEPREFIX:-$bindir/../wine/prefix}
export WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=${VELMORA_WINEDEBUG:--all}
# No display: a dialog shown by mistake returns at once instead of waiting for a click.
unset DISPLAY
exec wine "$exe" "$@"
