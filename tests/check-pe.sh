#!/usr/bin/env bash
# Checks a Windows build of the service: machine, windowed subsystem, resources,
# and its import table: exactly kernel32, user32, advapi32 and the C runtime.
# Everything else (shell32, ole32 and what they pull in) is loaded from System32
# on first use, so a DLL planted beside the executable is never imported.
set -eu
objdump=$1 exe=$2 arch=$3
dump=$("$objdump" -p "$exe")
fail() { echo "pe_check: $*" >&2; exit 1; }
case $arch in
  i686) grep -q 'file format pei-i386' <<<"$dump" || fail "not a PE32 (i386) image" ;;
  x86_64) grep -q 'file format pei-x86-64' <<<"$dump" || fail "not a PE32+ (x86-64) image" ;;
esac
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$dump" || fail "subsystem is not Windows GUI"
imports=$(grep -i 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' | sort -u)
expected=$(printf '%s\n' advapi32.dll kernel32.dll msvcrt.dll user32.dll)
[ "$imports" == "$expected" ] ||
  fail "imports [$(tr '\n' ' ' <<<"$imports")], expected exactly [$(tr '\n' ' ' <<<"$expected")]"
# The version information and manifest resources are present.
"$objdump" -h "$exe" | grep -q '\.rsrc' || fail "no resource section"
echo "pe_check: $arch image, GUI subsystem, imports: $(tr '\n' ' ' <<<"$imports")"
