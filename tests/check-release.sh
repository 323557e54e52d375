#!/usr/bin/env bash
# Checks the executable that ships: small, stripped, with no path of the machine
# that built it, linked to its split debug file, and carrying the project's
# version in its version resource (numbers and texts). With EPOCH, the PE time
# stamps of the executable and of the debug file must be that moment (the
# release's SOURCE_DATE_EPOCH), and the debug file must hold no build path either.
#   check-release.sh EXE OBJDUMP VERSION SOURCE_DIR BUILD_DIR [EPOCH]
set -eu
exe=$1 objdump=$2 version=$3 srcdir=$4 builddir=$5 epoch=${6:-}
# Watch mode, the usage box and the write-access check took the executable past
# 400 KB; the ceiling leaves some room without letting the size run away
# unnoticed.
max=$((448 * 1024))
fail() { echo "release_check: $*" >&2; exit 1; }

size=$(stat -c %s "$exe")
[ "$size" -le "$max" ] || fail "$exe weighs $size bytes, more than $max"

headers=$("$objdump" -h "$exe")
grep -q '\.debug_' <<<"$headers" && fail "the executable still carries debug sections"
grep -q '\.gnu_debuglink' <<<"$headers" || fail "no .gnu_debuglink section"
debug="$exe.debug"
[ -f "$debug" ] || fail "no split debug file $debug"
"$objdump" -h "$debug" | grep -q '\.debug_info' || fail "$debug holds no debug information"

python3 - "$exe" "$version" "$srcdir" "$builddir" "$(basename "$debug")" "$epoch" <<'PY' || exit 1
import struct, sys
exe, version, srcdir, builddir, debugname, epoch = sys.argv[1:]
data = open(exe, "rb").read()
debugdata = open(exe + ".debug", "rb").read()
def fail(msg):
    sys.exit("release_check: " + msg)
for name, content in (("the executable", data), ("the debug file", debugdata)):
    for path in {srcdir, builddir, "/work/", "/home/", "/tmp/"}:
        for enc in ("ascii", "utf-16-le"):
            if path.encode(enc) in content:
                fail("%s holds the build machine's path %r (%s)" % (name, path, enc))
    if epoch:
        stamp = struct.unpack_from("<I", content, struct.unpack_from("<I", content, 0x3C)[0] + 8)[0]
        if stamp != int(epoch):
            fail("%s's PE time stamp is %d, not SOURCE_DATE_EPOCH %s" % (name, stamp, epoch))
# The debug link is the bare file name, then padding and a CRC.
if debugname.encode() + b"\0" not in data:
    fail("the debug link does not name %s" % debugname)
# VS_FIXEDFILEINFO: signature, struct version, then file and product versions.
at = data.find(struct.pack("<I", 0xFEEF04BD))
if at < 0:
    fail("no version resource")
fms, fls, pms, pls = struct.unpack_from("<IIII", data, at + 8)
parts = [int(p) for p in version.split(".")] + [0] * (4 - len(version.split(".")))
numbers = ((parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3])
if (fms, fls) != numbers or (pms, pls) != numbers:
    fail("version numbers %x.%x / %x.%x are not %s" % (fms, fls, pms, pls, version))
text = ".".join(str(p) for p in parts)
for key in ("FileVersion", "ProductVersion"):
    k = (key + "\0").encode("utf-16-le")
    i = data.find(k)
    if i < 0:
        fail("no %s text" % key)
    j = i + len(k)
    j += (-j) % 4 if (j % 4) else 0
    # Values are DWORD-aligned from the start of the block; skip padding NULs.
    while data[j:j + 2] == b"\0\0":
        j += 2
    value = data[j:data.find(b"\0\0", j) + 1].decode("utf-16-le").rstrip("\0")
    if value != text:
        fail("%s text is %r, not %r" % (key, value, text))
print("release_check: %d bytes (at most %d), stripped, debug link %s, version %s%s" % (len(data), 448 * 1024, debugname, text,
      ", PE time stamps %s" % epoch if epoch else ""))
PY
