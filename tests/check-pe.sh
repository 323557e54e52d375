#!/usr/bin/env bash
# Checks a Windows build of the service: machine, windowed subsystem, resources,
# and that it imports nothing but DLLs that every Windows has.
set -eu
objdump=$1 exe=$2 arch=$3
dump=$("$objdump" -p "$exe")
fail() { echo "pe_check: $*" >&2; exit 1; }
case $arch in
  i686) grep -q 'file format pei-i386' <<<"$dump" || fail "not a PE32 (i386) image" ;;
  x86_64) grep -q 'file format pei-x86-64' <<<"$dump" || fail "not a PE32+ (x86-64) image" ;;
esac
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$dump" || fail "subsystem is not Windows GUI"
allowed='^(kernel32|user32|advapi32|shell32|ole32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$'
imports=$(grep -i 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' | sort -u)
[ -n "$imports" ] || fail "no imports found"
while read -r dll; do
  [[ $dll =~ $allowed ]] || fail "imports $dll, which is not a system DLL every Windows has"
done <<<"$imports"
# The version information and manifest resources are present.
"$objdump" -h "$exe" | grep -q '\.rsrc' || fail "no resource section"
echo "pe_check: $arch image, GUI subsystem, imports: $(tr '\n' ' ' <<<"$imports")"
