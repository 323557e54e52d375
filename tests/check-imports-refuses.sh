#!/usr/bin/env bash
# check-imports.sh must refuse a list that misses an import, names a version
# newer than Windows 7 SP1, or keeps a function no longer imported, each with a
# message that names the function.   check-imports-refuses.sh OBJDUMP EXE LIST
set -eu
objdump=$1 exe=$2 list=$3
check=$(dirname "$0")/check-imports.sh
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fail() { echo "imports_refuses: $*" >&2; exit 1; }
# The first listed function stands for any import.
read -r dll function _ < <(grep -v '^#' "$list" | grep . | head -1)
refused() {  # refused WHAT MESSAGE-PART < LIST
  cat >"$work/list"
  if out=$(bash "$check" "$objdump" "$exe" "$work/list" 2>&1); then
    fail "$1: the check passed"
  fi
  grep -qF "$2" <<<"$out" || fail "$1: the message does not say [$2]: $out"
  echo "imports_refuses: $1: refused ($2)"
}
grep -v "^$dll *$function " "$list" |
  refused "an import missing from the list" "imports $dll!$function, which list does not list"
sed "s/^\\($dll *$function *\\)[a-z0-9]*/\\18/" "$list" |
  refused "a version newer than Windows 7 SP1" "$dll!$function is listed for '8'"
{ cat "$list"; echo "kernel32.dll NotImportedAnywhere xp"; } |
  refused "a function no longer imported" "kernel32.dll!NotImportedAnywhere, which"
