#!/usr/bin/env python3
"""Checks the vendor's names and version for the version block and writes them
as a header for the resource script:  version_names.py <folder>

<folder> holds one file per cache variable (SETUP_COMPANY_NAME.txt,
SETUP_PRODUCT_NAME.txt, SETUP_LEGAL_COPYRIGHT.txt, SETUP_PRODUCT_VERSION.txt),
each the variable's text; <folder>/version_names.h gets the names as resource
strings and the version as the fixed numbers and the FileVersion and
ProductVersion strings, and is rewritten only when they change. Exits 1,
naming the variable, for text the version block cannot hold: bytes that are
not UTF-8, control characters, a block longer than its 16-bit length field
allows, or a version that is not one to four numbers of 0 to 65535."""
import os
import sys

VARIABLES = ("SETUP_COMPANY_NAME", "SETUP_PRODUCT_NAME", "SETUP_LEGAL_COPYRIGHT")
ENTRIES = {"SETUP_COMPANY_NAME": "CompanyName", "SETUP_PRODUCT_NAME": "ProductName",
           "SETUP_LEGAL_COPYRIGHT": "LegalCopyright"}
# The entries every table holds besides the vendor's, as res/version.rc has them.
FIXED = {"FileDescription": "Setup Loader", "FileVersion": "1.0", "InternalName": "SETUP",
         "OriginalFilename": "Setup.exe", "ProductVersion": "1.0"}
TABLES = ("04090000", "040504e2", "041504e2")
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


def rc_string(text: str) -> str:
    """A resource script string literal: quotes doubled, backslashes escaped."""
    return '"' + text.replace("\\", "\\\\").replace('"', '""') + '"'


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: version_names.py <folder>", file=sys.stderr)
        return 2
    folder = sys.argv[1]
    values = {}
    try:
        for variable in VARIABLES:
            with open(os.path.join(folder, variable + ".txt"), "rb") as f:
                values[variable] = check_text(variable, f.read())
        with open(os.path.join(folder, "SETUP_PRODUCT_VERSION.txt"), "rb") as f:
            version = check_text("SETUP_PRODUCT_VERSION", f.read()) or DEFAULT_VERSION
        numbers = check_version(version)
        size = block_size({ENTRIES[v]: t for v, t in values.items()}, version)
        if size > BLOCK_LIMIT:
            longest = max(VARIABLES, key=lambda v: utf16_units(values[v]))
            raise ValueError(f"{longest}: {utf16_units(values[longest])} characters make the version block "
                             f"{size} bytes, more than the {BLOCK_LIMIT} it can hold (each name is stored "
                             "in three tables); shorten it by "
                             f"{(size - BLOCK_LIMIT + 5) // 6} characters or more")
    except ValueError as e:
        print(e, file=sys.stderr)
        return 1
    header = "// Made by the build from the vendor's names: do not edit.\n" + "".join(
        f"#define {variable}_TEXT {rc_string(values[variable])}\n" for variable in VARIABLES) + (
        f"#define SETUP_VERSION_NUMBERS {','.join(map(str, numbers))}\n"
        f"#define SETUP_VERSION_TEXT {rc_string(version)}\n")
    path = os.path.join(folder, "version_names.h")
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == header:
                return 0
    except OSError:
        pass
    with open(path, "w", encoding="utf-8") as f:
        f.write(header)
    return 0


if __name__ == "__main__":
    sys.exit(main())
