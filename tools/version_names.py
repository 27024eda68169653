#!/usr/bin/env python3
"""Checks the vendor's names and version for the version block, and makes
the block:  version_names.py <folder>

<folder> holds one file per setting (SETUP_COMPANY_NAME, SETUP_PRODUCT_NAME,
SETUP_LEGAL_COPYRIGHT, SETUP_PRODUCT_VERSION), each the setting's text. Exits
1, naming the setting, for text the version block cannot hold: bytes that are
not UTF-8, control characters, a block longer than its 16-bit length field
allows, or a version that is not one to four numbers of 0 to 65535.
version_block() gives the block's bytes, as the kit writes them into
Setup.exe: language neutral, one string table per interface language."""
import os
import struct
import sys

VARIABLES = ("SETUP_COMPANY_NAME", "SETUP_PRODUCT_NAME", "SETUP_LEGAL_COPYRIGHT")
ENTRIES = {"SETUP_COMPANY_NAME": "CompanyName", "SETUP_PRODUCT_NAME": "ProductName",
           "SETUP_LEGAL_COPYRIGHT": "LegalCopyright"}
# The entries every table holds besides the vendor's, in the tables' order.
FIXED = {"FileDescription": "Setup Loader", "FileVersion": "1.0", "InternalName": "SETUP",
         "OriginalFilename": "Setup.exe", "ProductVersion": "1.0"}
ORDER = ("CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
         "OriginalFilename", "ProductName", "ProductVersion")
# English, Czech and Polish; the Translation entry pairs each language with its code page.
TABLES = ("04090000", "040504e2", "041504e2")
TRANSLATION = (0x0409, 0x0000, 0x0405, 0x04E2, 0x0415, 0x04E2)
# VS_FIXEDFILEINFO: signature, structure version, then after the versions the
# flags mask, flags, VOS_DOS_WINDOWS32, VFT_APP, subtype and date.
FIXED_INFO_HEAD = (0xFEEF04BD, 0x00010000)
FIXED_INFO_TAIL = (0x3F, 0, 0x00010004, 1, 0, 0, 0)
BLOCK_LIMIT = 0xFFFF
# Without a version of the vendor's, the block keeps the loader's own.
DEFAULT_VERSION = "1.0"


def check_version(text: str) -> tuple:
    """The four 16-bit numbers of the fixed version, from "2", "2.5.1", ..."""
    parts = text.split(".")
    if not 1 <= len(parts) <= 4 or not all(p.isascii() and p.isdigit() and int(p) <= 0xFFFF for p in parts):
        raise ValueError(f"SETUP_PRODUCT_VERSION: '{text}' is not a version of one to four numbers from 0 to "
                         "65535 separated by dots (for example 2.5.1)")
    return tuple(int(p) for p in parts) + (0,) * (4 - len(parts))


def utf16_units(text: str) -> int:
    return len(text.encode("utf-16-le")) // 2


def align(n: int) -> int:
    return (n + 3) & ~3


def node_size(key: str, value_bytes: int, children=()) -> int:
    """The length field of one version block node with its children."""
    size = align(6 + 2 * (utf16_units(key) + 1)) + value_bytes
    for child in children:
        size = align(size) + child
    return size


def block_size(values: dict, version: str = DEFAULT_VERSION) -> int:
    strings = dict(FIXED, FileVersion=version, ProductVersion=version, **values)
    entries = [node_size(key, 2 * (utf16_units(text) + 1)) for key, text in strings.items()]
    tables = [node_size(name, 0, entries) for name in TABLES]
    string_info = node_size("StringFileInfo", 0, tables)
    var_info = node_size("VarFileInfo", 0, [node_size("Translation", 12)])
    return node_size("VS_VERSION_INFO", 52, [string_info, var_info])


def node(key: str, value: bytes, text: bool, value_length: int, children=()) -> bytes:
    """One version block node: length, value length, type, key, value, children,
    each part aligned to 4 bytes."""
    body = key.encode("utf-16-le") + b"\0\0"
    body += b"\0" * (-(6 + len(body)) % 4) + value
    for child in children:
        body += b"\0" * (-(6 + len(body)) % 4) + child
    return struct.pack("<HHH", 6 + len(body), value_length, int(text)) + body


def version_block(values: dict, version: str) -> bytes:
    """The RT_VERSION resource: <values> the vendor's entries ({"CompanyName": ...})."""
    numbers = check_version(version)
    strings = dict(FIXED, FileVersion=version, ProductVersion=version, **values)
    entries = [node(key, strings[key].encode("utf-16-le") + b"\0\0", True, utf16_units(strings[key]) + 1)
               for key in ORDER]
    tables = [node(name, b"", True, 0, entries) for name in TABLES]
    translation = node("Translation", struct.pack("<6H", *TRANSLATION), False, 12)
    fixed = struct.pack("<13I", *FIXED_INFO_HEAD, numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3],
                        numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3], *FIXED_INFO_TAIL)
    return node("VS_VERSION_INFO", fixed, False, len(fixed),
                [node("StringFileInfo", b"", True, 0, tables), node("VarFileInfo", b"", True, 0, [translation])])


def read_names(folder: str) -> tuple:
    """({entry: text} of the vendor's names, version) from the settings folder,
    checked; raises ValueError naming the setting."""
    values = {}
    for variable in VARIABLES:
        with open(os.path.join(folder, variable), "rb") as f:
            values[ENTRIES[variable]] = check_text(variable, f.read())
    with open(os.path.join(folder, "SETUP_PRODUCT_VERSION"), "rb") as f:
        version = check_text("SETUP_PRODUCT_VERSION", f.read()) or DEFAULT_VERSION
    check_version(version)
    size = block_size(values, version)
    if size > BLOCK_LIMIT:
        longest = max(VARIABLES, key=lambda v: utf16_units(values[ENTRIES[v]]))
        raise ValueError(f"{longest}: {utf16_units(values[ENTRIES[longest]])} characters make the version block "
                         f"{size} bytes, more than the {BLOCK_LIMIT} it can hold (each name is stored "
                         "in three tables); shorten it by "
                         f"{(size - BLOCK_LIMIT + 5) // 6} characters or more")
    return values, version


def check_text(variable: str, raw: bytes) -> str:
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        raise ValueError(f"{variable}: not UTF-8 text (byte 0x{raw[e.start]:02x} at {e.start})")
    for i, c in enumerate(text):
        if ord(c) < 0x20 or 0x7F <= ord(c) < 0xA0:
            raise ValueError(f"{variable}: control character U+{ord(c):04X} at character {i}; "
                             "the version block holds one line of printable text")
    return text


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: version_names.py <folder>", file=sys.stderr)
        return 2
    try:
        read_names(sys.argv[1])
    except ValueError as e:
        print(e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
