#!/usr/bin/env bash
# Checks the packages the release workflow made: what shops get holds exactly the
# built executable (same bytes), the guide and checksums that verify; the debug
# file travels in an archive of its own.
#   check-package.sh BUILD_DIR VERSION
set -eu
build=$(cd "$1" && pwd) version=$2
zip=$build/ServicoVelmoraNFCe-$version-win32.zip
debugzip=$build/ServicoVelmoraNFCe-$version-win32-debug.zip
fail() { echo "package_check: $*" >&2; exit 1; }
[ -f "$zip" ] || fail "no package $zip"
[ -f "$debugzip" ] || fail "no debug package $debugzip"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir "$work/shop" "$work/debug"
unzip -q "$zip" -d "$work/shop"
unzip -q "$debugzip" -d "$work/debug"
[ "$(cd "$work/shop" && find . -type f | sort | tr '\n' ' ')" == "./LEIA-ME.txt ./SHA256SUMS ./ServicoVelmoraNFCe.exe " ] ||
  fail "the package holds: $(cd "$work/shop" && find . | tr '\n' ' ')"
[ "$(cd "$work/debug" && find . -type f | tr '\n' ' ')" == "./ServicoVelmoraNFCe.exe.debug " ] ||
  fail "the debug package holds: $(cd "$work/debug" && find . | tr '\n' ' ')"
cmp "$work/shop/ServicoVelmoraNFCe.exe" "$build/bin/ServicoVelmoraNFCe.exe" || fail "the packaged executable differs from the build's"
cmp "$work/debug/ServicoVelmoraNFCe.exe.debug" "$build/bin/ServicoVelmoraNFCe.exe.debug" || fail "the packaged debug file differs"
(cd "$work/shop" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not verify"
[ "$(wc -l <"$work/shop/SHA256SUMS")" -eq 2 ] || fail "SHA256SUMS should list the executable and the guide"
# The guide names the version it belongs to, on its third line, and keeps no
# placeholder; it stays UTF-8 with a byte-order mark and CR LF, as Notepad reads it.
guide=$work/shop/LEIA-ME.txt
[ "$(head -c 3 "$guide" | od -An -tx1 | tr -d ' ')" == efbbbf ] || fail "the guide lost its UTF-8 byte-order mark"
[ "$(grep -c $'\r$' "$guide")" -eq "$(wc -l <"$guide")" ] || fail "the guide's lines do not all end in CR LF"
[ "$(sed -n 3p "$guide" | tr -d '\r')" == "Versão $version" ] ||
  fail "the guide's version line is [$(sed -n 3p "$guide" | tr -d '\r')], not [Versão $version]"
! grep -n '@[A-Za-z_]*@' "$guide" || fail "the guide keeps a placeholder"
echo "package_check: $(basename "$zip") ($(stat -c %s "$zip") bytes): executable as built, guide for version $version, SHA256SUMS verified; debug file in $(basename "$debugzip")"
