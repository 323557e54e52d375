"""Sets the Unix owner that zip entries record (the "ux" extra field) to 0:0.

CPack records the owner of the staged files, that is, whoever built the
release; two builders would otherwise make different archives of the same
bytes. The field is rewritten in place, in the local and the central headers;
sizes, offsets and CRCs (which cover only the data) stay as they are.
    python3 zip-owner.py ARCHIVE...
"""
import struct
import sys

UX = 0x7875


def clear_owner(data, start, length):
    """Zeroes uid and gid in the ux fields of one extra-field block."""
    at, end = start, start + length
    while at + 4 <= end:
        tag, size = struct.unpack_from("<HH", data, at)
        body = at + 4
        if tag == UX and size >= 1 and data[body] == 1:
            p = body + 1
            for _ in range(2):  # uid, then gid: a size byte and that many bytes
                n = data[p]
                data[p + 1:p + 1 + n] = bytes(n)
                p += 1 + n
        at = body + size


def main(path):
    data = bytearray(open(path, "rb").read())
    eocd = data.rfind(b"PK\x05\x06")
    if eocd < 0:
        sys.exit("%s: not a zip archive" % path)
    entries, = struct.unpack_from("<H", data, eocd + 10)
    central, = struct.unpack_from("<I", data, eocd + 16)
    at = central
    for _ in range(entries):
        if data[at:at + 4] != b"PK\x01\x02":
            sys.exit("%s: broken central directory" % path)
        name_len, extra_len, comment_len = struct.unpack_from("<HHH", data, at + 28)
        local, = struct.unpack_from("<I", data, at + 42)
        clear_owner(data, at + 46 + name_len, extra_len)
        if data[local:local + 4] != b"PK\x03\x04":
            sys.exit("%s: broken local header" % path)
        lname, lextra = struct.unpack_from("<HH", data, local + 26)
        clear_owner(data, local + 30 + lname, lextra)
        at += 46 + name_len + extra_len + comment_len
    open(path, "wb").write(data)


if __name__ == "__main__":
    for archive in sys.argv[1:]:
        main(archive)
