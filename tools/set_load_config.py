#!/usr/bin/python3
"""Points a linked 32-bit program's load configuration entry at its
`_load_config_used` record, found in the link map. Debian 12's linker
(binutils 2.40) leaves the entry empty; newer ones fill it from the same
symbol. The record must declare the size the entry is given.

  set_load_config.py PROGRAM LINK_MAP
"""
import re
import struct
import sys

import pefile

LOAD_CONFIG = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG"]


def record_address(link_map: str) -> int:
    with open(link_map, encoding="utf-8", errors="replace") as f:
        found = re.findall(r"^\s+0x([0-9a-fA-F]+)\s+_load_config_used\s*$", f.read(), re.M)
    if len(found) != 1:
        raise ValueError(f"{link_map} names _load_config_used {len(found)} times, not once")
    return int(found[0], 16)


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    program, link_map = sys.argv[1:]
    try:
        with open(program, "rb") as f:
            data = bytearray(f.read())
        pe = pefile.PE(data=bytes(data), fast_load=True)
        rva = record_address(link_map) - pe.OPTIONAL_HEADER.ImageBase
        size = struct.unpack("<I", pe.get_data(rva, 4))[0]
        if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"] or size != 0x40:
            raise ValueError(f"the record at {rva:#x} declares {size:#x} bytes, not a 32-bit 0x40")
        # Only the entry's eight bytes change: pefile's own writer would
        # write back every structure it parsed, the version texts among them.
        struct.pack_into("<II", data, pe.OPTIONAL_HEADER.DATA_DIRECTORY[LOAD_CONFIG].get_file_offset(), rva, size)
        pe.close()
        with open(program, "wb") as f:
            f.write(data)
    except (OSError, ValueError, pefile.PEFormatError) as e:
        print(f"set_load_config.py: {program}: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
