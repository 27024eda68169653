#!/usr/bin/env python3
"""Prints the machine type of a Windows program (i386, amd64 or arm64) from
its PE header; exits 1, saying why, when the file is not a PE program."""
import struct
import sys

MACHINES = {0x014C: "i386", 0x8664: "amd64", 0xAA64: "arm64"}


def pe_machine(data: bytes) -> str:
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise ValueError("not a Windows program (no MZ header)")
    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    if pe_offset + 6 > len(data) or data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise ValueError("not a Windows program (no PE header)")
    (machine,) = struct.unpack_from("<H", data, pe_offset + 4)
    if machine not in MACHINES:
        raise ValueError(f"unknown machine type 0x{machine:04x}")
    return MACHINES[machine]


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: pe_machine.py PROGRAM", file=sys.stderr)
        return 2
    try:
        with open(sys.argv[1], "rb") as f:
            print(pe_machine(f.read(4096)))
    except (OSError, ValueError) as e:
        print(f"pe_machine.py: {sys.argv[1]}: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
