#!/usr/bin/env python3
"""Checks a vendor's .ico file for Setup.exe's icon group:  check_icon.py <icon>
read_icon() gives its images in the group's order, which the kit's step
writes into Setup.exe (setup_resources.py).

The group carries exactly five images, 64, 48, 32, 24 and 16 pixels square,
each a 32-bit device-independent bitmap (alpha and a 1-bit mask), one plane.
A file with those five in any order is accepted; anything else exits 1 with
what the file has and what is needed.

The icon directory (6 bytes, then 16 an image) is read here rather than with
Pillow: Pillow decodes the images, and the group needs their bytes unchanged."""
import struct
import sys

SIZES = (64, 48, 32, 24, 16)
NEEDED = "exactly five 32-bit bitmap images of 64, 48, 32, 24 and 16 pixels"


def describe(width, height, image: bytes, bits: int) -> str:
    if image[:8] == b"\x89PNG\r\n\x1a\n":
        return f"{width}x{height} PNG"
    if len(image) >= 40 and struct.unpack_from("<I", image)[0] == 40:
        bits = struct.unpack_from("<H", image, 14)[0]
    return f"{width}x{height} {bits}-bit"


def read_icon(data: bytes):
    """[(size, image bytes)] of a valid file; raises ValueError saying what it has."""
    if len(data) < 6:
        raise ValueError("is not an icon file (too short)")
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if reserved != 0 or kind != 1:
        raise ValueError("is not an icon file (no icon header)")
    if len(data) < 6 + 16 * count:
        raise ValueError("is cut short: its directory lists more images than it holds")
    images, described, faults = [], [], []
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h = w or 256, h or 256
        image = data[offset:offset + size]
        described.append(describe(w, h, image, bits))
        if len(image) != size:
            faults.append(f"image {i + 1} is cut short")
            continue
        if image[:8] == b"\x89PNG\r\n\x1a\n" or len(image) < 40:
            faults.append(f"image {i + 1} is not a bitmap")
            continue
        _, bw, bh, bplanes, bbits, compression = struct.unpack_from("<IiiHHI", image)
        mask_row = (w + 31) // 32 * 4
        if (w != h or w not in SIZES or bw != w or bh != 2 * h or bplanes != 1 or bbits != 32
                or compression != 0 or len(image) < 40 + w * h * 4 + mask_row * h):
            faults.append(f"image {i + 1} is not a 32-bit bitmap of a needed size")
            continue
        images.append((w, image))
    sizes = sorted((w for w, _ in images), reverse=True)
    if faults or count != len(SIZES) or tuple(sizes) != SIZES:
        has = f"{count} image{'s' if count != 1 else ''}" + (f" ({', '.join(described)})" if described else "")
        raise ValueError(f"has {has}; needed: {NEEDED}")
    return sorted(images, key=lambda item: -item[0])


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: check_icon.py <icon>", file=sys.stderr)
        return 2
    try:
        with open(sys.argv[1], "rb") as f:
            read_icon(f.read())
    except (OSError, ValueError, struct.error) as e:
        print(f"SETUP_ICON: '{sys.argv[1]}' {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
