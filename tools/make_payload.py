#!/usr/bin/env python3
"""Writes a payload record: the program's size as 4 bytes little-endian, then
the program compressed by zlib at level 9 (header 0x78 0xDA, no dictionary)."""
import struct
import sys
import zlib


def make_record(data: bytes) -> bytes:
    if not data:
        raise ValueError("program is empty")
    if len(data) >= 1 << 32:
        raise ValueError("program is 4 GiB or larger")
    stream = zlib.compress(data, 9)
    assert stream[:2] == b"\x78\xda"
    return struct.pack("<I", len(data)) + stream


def main() -> int:
    if len(sys.argv) != 3:
        print("usage: make_payload.py PROGRAM RECORD", file=sys.stderr)
        return 2
    program, record = sys.argv[1], sys.argv[2]
    try:
        with open(program, "rb") as f:
            data = f.read()
        out = make_record(data)
    except (OSError, ValueError) as e:
        print(f"make_payload.py: {program}: {e}", file=sys.stderr)
        return 1
    with open(record, "wb") as f:
        f.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
