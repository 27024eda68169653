#!/usr/bin/python3
"""Prints the machine type of a Windows program (i386, amd64 or arm64) from
its PE header; exits 1, saying why, when the file is not a PE program."""
import sys

import pe_file


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: pe_machine.py PROGRAM", file=sys.stderr)
        return 2
    try:
        print(pe_file.machine(pe_file.read(sys.argv[1])))
    except (OSError, ValueError) as e:
        print(f"pe_machine.py: {sys.argv[1]}: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
