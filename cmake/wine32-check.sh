#!/usr/bin/env bash
# Sourced by what runs Windows programs under Wine: for a 32-bit (i386) program
# on a machine without Wine's 32-bit support, prints a NOT RUN line with the
# reason and exits 77, which the tests report as skipped, never as passed.
#   wine32_check EXE
wine32_check() {
  local exe=$1 at machine reason
  at=$(od -An -tu4 -j 60 -N 4 "$exe" | tr -d ' ')
  machine=$(od -An -tx2 -j $((at + 4)) -N 2 "$exe" | tr -d ' ')
  [ "$machine" == 014c ] || return 0   # IMAGE_FILE_MACHINE_I386
  if ! reason=$(bash "$(dirname "${BASH_SOURCE[0]}")/../scripts/can-run-32bit.sh"); then
    echo "NOT RUN: $exe is a 32-bit program and $reason, so Wine's 32-bit support cannot run here"
    exit 77
  fi
  if [ ! -x /usr/lib/wine/wine ]; then
    echo "NOT RUN: $exe is a 32-bit program and Wine's 32-bit support (wine32:i386) is not installed (bash scripts/setup.sh)"
    exit 77
  fi
}
