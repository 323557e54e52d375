#!/usr/bin/env bash
# Exit 0 when this machine's kernel runs 32-bit x86 programs, which Wine's 32-bit
# half (wine32) needs; otherwise print why and exit 1. The probe is a 93-byte
# i386 program that only calls exit(0): no 32-bit library is needed to run it.
set -u
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
#       ELF magic, 32-bit, little-endian, version 1; executable for the i386
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00' >"$probe"
#       entry 0x08048054, program headers at 52, no sections, sizes of the headers
printf '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
#       one loadable segment: the whole 93-byte file at 0x08048000, read + execute
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
#       mov eax, 1 (exit); xor ebx, ebx; int 0x80
printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"
chmod +x "$probe"
if err=$("$probe" 2>&1); then
  exit 0
fi
echo "this machine's kernel does not run 32-bit x86 programs (${err##*: }${err:+; }$(dmesg 2>/dev/null | grep -m1 -i 'ia-\?32 emulation' | sed 's/^\[[^]]*\] //'))"
exit 1
