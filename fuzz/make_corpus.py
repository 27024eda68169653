#!/usr/bin/env python3
"""Writes the harnesses' seed inputs into corpus/<harness>/. Run once after
changing an input layout; the results are checked in, so the build never
needs this script. The bytes are the same on every run."""
import pathlib
import shutil
import struct
import zlib

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"


def write(harness, seeds):
    folder = ROOT / harness
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in seeds:
        (folder / name).write_bytes(data)


# Command line: control byte (bits 0-2 current directory answer, 3-4 module
# path answer, 5-7 small-buffer capacity), lowest lead byte, text.
def line(control, lead, text):
    return bytes([control, lead]) + text


command_lines = [
    ("empty", line(0x00, 0, b"")),
    ("empty-cwd-fails", line(0x01, 0, b"")),
    ("empty-cwd-root", line(0x02, 0, b"")),
    ("empty-cwd-259", line(0x03, 0, b"")),
    ("empty-cwd-258", line(0x04, 0, b"")),
    ("empty-cwd-too-long", line(0x05, 0, b"")),
    ("empty-cwd-slash", line(0x06, 0, b"")),
    ("name-only", line(0x07, 0, b"Setup.exe")),
    ("slash-first", line(0x20, 0, b"Setup.exe /s /v")),
    ("dir-and-switch", line(0x40, 0, b"Setup.exe D:\\inst /s")),
    ("slash-ends-token", line(0x60, 0, b"Setup.exe D:\\inst/v")),
    ("slash-inside-token", line(0x80, 0, b"Setup.exe D:\\a/s /v")),
    ("quoted", line(0xA0, 0, b'"C:\\Program Files\\Setup.exe" "D:\\my kit" /a')),
    ("unclosed", line(0xC0, 0, b'Setup.exe "C:\\my kit /s /a /v')),
    ("empty-quotes", line(0xE0, 0, b'Setup.exe "" /v')),
    ("upper-case", line(0x08, 0, b"Setup.exe /S /A /V")),
    ("help-glued", line(0x10, 0, b"Setup.exe x/?y")),
    ("long-token", line(0x18, 0, b"Setup.exe " + b"q" * 300 + b" /a")),
    ("long-quoted", line(0xE8, 0, b'Setup.exe "' + b"w" * 258 + b'" /s')),
    ("token-258", line(0xF0, 0, b"Setup.exe " + b"e" * 258)),
    ("dbcs-name", line(0x00, 0x81, b'Set\x81"up.exe /s "\x81" /v')),
    ("dbcs-last-byte", line(0x00, 0x81, b"Setup.exe\x81")),
    ("every-byte-lead", line(0x00, 0x01, b'"a b" c /a')),
    ("control-chars", line(0x00, 0, b"Setup.exe\x01\t\x1f D:\\x\t/v")),
    ("module-long", line(0x10, 0, b"Setup.exe /v")),
    # Module answer 3 by the input's length modulo 3: a share, forward
    # slashes, a drive without a folder.
    ("module-unc", line(0x18, 0, b"Setup.exe /a ")),
    ("module-forward-slashes", line(0x18, 0, b"Setup.exe /v /")),
    ("module-drive-only", line(0x18, 0, b"Setup.exe /s")),
    # The module path's folder is 250 plus the input's length modulo 10 long.
    ("module-folder-255", line(0x10, 0, b"/s/")),
    ("module-folder-256", line(0x10, 0, b"/s/v")),
    ("module-folder-258", line(0x10, 0, b"/s/v/a")),
    ("module-every-byte-lead", line(0x00, 0x01, b"Setup.exe /a")),
]
write("fuzz_command_line", command_lines)


# Payload: control byte (bit 0 window, 1-3 failing write call, 4 short
# write, 5 second extraction goes on from the first one's state), then the
# record: declared size (4 bytes, little-endian) and zlib stream.
def record(declared, control, stream):
    return bytes([control]) + struct.pack("<I", declared) + stream


def sample(size):
    # Text-like and compressible, so that small streams make several passes.
    words = [b"setup ", b"quelt ", b"loader ", b"payload ", b"\x00\x01", b"vut ", b"\xff" * 3]
    out = bytearray()
    i = 0
    while len(out) < size:
        out += words[(i * 7 + i // 5) % len(words)]
        i += 1
    return bytes(out[:size])


small = sample(1000)
multi = sample(20000)
z_small = zlib.compress(small, 9)
z_multi = zlib.compress(multi, 9)
bad_adler = z_multi[:-1] + bytes([z_multi[-1] ^ 1])
damaged = bytes([0]) + z_small[1:]
co = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_DEFAULT_STRATEGY, b"setup quelt")
with_dict = co.compress(small) + co.flush()

payloads = [
    ("exact", record(len(small), 0x01, z_small)),
    ("exact-multi", record(len(multi), 0x21, z_multi)),
    ("no-window", record(len(multi), 0x00, z_multi)),
    ("more-than-declared", record(len(multi) // 2, 0x01, z_multi)),
    ("fewer-than-declared", record(len(multi) * 2, 0x21, z_multi)),
    ("declared-one", record(1, 0x01, z_multi)),
    ("declared-zero", record(0, 0x01, z_small)),
    ("record-too-short", bytes([0x01, 0x10, 0x00, 0x00])),
    ("stored", record(len(small), 0x01, zlib.compress(small, 0))),
    ("empty-stream", record(1, 0x01, zlib.compress(b"", 9))),
    ("truncated", record(len(multi), 0x01, z_multi[: len(z_multi) // 2])),
    ("no-trailer", record(len(multi), 0x01, z_multi[:-4])),
    ("header-only", record(len(small), 0x01, z_small[:2])),
    ("bad-adler", record(len(multi), 0x01, bad_adler)),
    ("damaged-header", record(len(small), 0x01, damaged)),
    ("preset-dictionary", record(len(small), 0x01, with_dict)),
    ("trailing-bytes", record(len(small), 0x01, z_small + b"tail")),
    ("write-refused-first", record(len(multi), 0x03, z_multi)),
    ("write-refused-third", record(len(multi), 0x07, z_multi)),
    ("write-short-second", record(len(multi), 0x15, z_multi)),
]
write("fuzz_payload", payloads)


# Bounded text: capacity byte, filler byte, then opcodes with arguments
# (0 counted append, 1 text append, 2 null append, 3 append unless last,
# 4 reset, 5 attach with length, 6 builder append repeated, 7 builder read).
def ops(*parts):
    return b"".join(parts)


def counted(text):
    return bytes([0, len(text)]) + text


def plain(text):
    return bytes([1, len(text)]) + text


def repeated(text, times):
    return bytes([6, len(text), times - 1]) + text


bounded = [
    ("capacity-1", ops(bytes([0x00, ord("Z")]), counted(b"ab"), bytes([3, ord("\\")]), plain(b"x"))),
    ("fill-exactly", ops(bytes([0x04, 0xFF]), counted(b"abcd"), counted(b"e"), bytes([3, ord("\\")]))),
    ("backslash-twice", ops(bytes([0x10, 0]), plain(b"C:\\dir"), bytes([3, 92, 3, 92]), bytes([4]), bytes([3, 92]))),
    ("embedded-nul", ops(bytes([0x20, ord("q")]), counted(b"a\x00b"), plain(b"c\x00d"), bytes([2]))),
    ("attach-long", ops(bytes([0x08, ord("y")]), bytes([5, 200]), counted(b"zz"), bytes([5, 1]), bytes([5, 0]))),
    ("path-260", ops(bytes([0x40 | 0x3B, 0]), repeated(b"", 1), plain(b"q" * 63), plain(b"q" * 63),
                     plain(b"q" * 63), plain(b"q" * 63), bytes([3, 92]), plain(b"setup.ini"))),
    ("builder-spill", ops(bytes([0x05, 0]), repeated(b"Spusteni v obsolete modu\n", 90), bytes([7, 0]),
                          repeated(b"x", 200), repeated(b"y" * 63, 40), bytes([7, 1]))),
    ("builder-exact-inline", ops(bytes([0x05, 0]), repeated(b"a" * 32, 64), bytes([7, 0]),
                                 repeated(b"b", 1), bytes([7, 0]))),
    ("builder-2047", ops(bytes([0x05, 0]), repeated(b"c" * 23, 89), bytes([7, 0]))),
]
write("fuzz_bounded_text", bounded)
