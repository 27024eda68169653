"""Writes a vendor's resources into the prebuilt core of Setup.exe: the
version block, the icon group and the two payload records join the core's
own resources (string tables, dialogs, manifest) in a new resource section.

The core is the finished loader, linked without those resources; only its
resource section changes, and the sections after it (the relocations) move
up to make room. Resource ids come from res/resource_ids.h, the one home the
loader's code and its scripts share."""
import os
import re
import struct
import sys

import pefile

import check_icon
import pe_file

RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_VERSION = pe_file.RT_ICON, pe_file.RT_RCDATA, pe_file.RT_GROUP_ICON, pe_file.RT_VERSION
NEUTRAL = 0
# What may follow the resource section: moved, since nothing else refers to it.
MOVABLE = {b".reloc"}


def resource_ids(kit: str) -> dict:
    with open(os.path.join(kit, "res", "resource_ids.h"), encoding="utf-8") as f:
        return {name: int(value) for name, value in re.findall(r"#define\s+(\w+)\s+(\d+)\s*$", f.read(), re.M)}


def icon_resources(icon: bytes, group_id: int) -> dict:
    """RT_ICON images numbered from 1 in the group's order, and the group."""
    images = check_icon.read_icon(icon)
    found = {}
    group = struct.pack("<HHH", 0, 1, len(images))
    for number, (size, image) in enumerate(images, start=1):
        found[(RT_ICON, number, NEUTRAL)] = image
        group += struct.pack("<BBBBHHIH", size % 256, size % 256, 0, 0, 1, 32, len(image), number)
    found[(RT_GROUP_ICON, group_id, NEUTRAL)] = group
    return found


def align(n: int, to: int) -> int:
    return (n + to - 1) // to * to


def resource_section(resources: dict, rva: int) -> bytes:
    """The section's bytes at <rva>: the three directory levels (type, name,
    language) in id order, breadth first, then the data entries, then the data,
    each aligned to 8 bytes. No time stamp: the same resources give the same bytes."""
    tree = {}
    for (kind, name, language), data in sorted(resources.items()):
        tree.setdefault(kind, {}).setdefault(name, {})[language] = data
    names = [(kind, name) for kind in tree for name in tree[kind]]
    leaves = [(kind, name, language) for kind, name in names for language in tree[kind][name]]
    at = 16 + 8 * len(tree)
    where = {}
    for kind in tree:
        where[kind] = at
        at += 16 + 8 * len(tree[kind])
    for kind, name in names:
        where[(kind, name)] = at
        at += 16 + 8 * len(tree[kind][name])
    for leaf in leaves:
        where[leaf] = at
        at += 16
    data_at = {}
    for leaf in leaves:
        at = align(at, 8)
        data_at[leaf] = at
        at += len(resources[leaf])
    out = bytearray(at)

    def directory(offset: int, children: list, subdirectories: bool):
        struct.pack_into("<IIHHHH", out, offset, 0, 0, 0, 0, 0, len(children))
        for i, (ident, target) in enumerate(children):
            struct.pack_into("<II", out, offset + 16 + 8 * i, ident, target | (0x80000000 if subdirectories else 0))

    directory(0, [(kind, where[kind]) for kind in tree], True)
    for kind in tree:
        directory(where[kind], [(name, where[(kind, name)]) for name in tree[kind]], True)
    for kind, name in names:
        directory(where[(kind, name)], [(language, where[(kind, name, language)])
                                        for language in tree[kind][name]], False)
    for leaf in leaves:
        data = resources[leaf]
        struct.pack_into("<IIII", out, where[leaf], rva + data_at[leaf], len(data), 0, 0)
        out[data_at[leaf]:data_at[leaf] + len(data)] = data
    return bytes(out)


def checksum(image: bytearray, field: int) -> int:
    """The PE checksum (the one's complement sum of 16-bit words, plus the
    length), over the image with its checksum field as zero."""
    image[field:field + 4] = b"\0\0\0\0"
    words = memoryview(image + b"\0" * (len(image) % 2)).cast("H")
    total = sum(words) if sys.byteorder == "little" else sum(struct.unpack(f"<{len(words)}H", words))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def write(core: str, resources: dict, output: str):
    """<output> is <core> with <resources> added to its own (or replacing those
    of the same type, name and language)."""
    pe = pe_file.read(core)
    merged = dict(pe_file.resources(pe))
    merged.update(resources)
    header = pe.OPTIONAL_HEADER
    directories = header.DATA_DIRECTORY
    resource_rva = directories[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]].VirtualAddress
    index = next(i for i, s in enumerate(pe.sections) if s.VirtualAddress == resource_rva)
    rsrc, after = pe.sections[index], pe.sections[index + 1:]
    if any(s.Name.rstrip(b"\0") not in MOVABLE for s in after):
        raise ValueError(f"{core}: sections after the resources that cannot move")
    data = pe.__data__
    end = (after or [rsrc])[-1]
    if len(data) != end.PointerToRawData + end.SizeOfRawData:
        raise ValueError(f"{core}: data after the last section (a signature?): the core must be unsigned")
    body = resource_section(merged, rsrc.VirtualAddress)
    raw = body + b"\0" * (align(len(body), header.FileAlignment) - len(body))
    tail = data[rsrc.PointerToRawData + rsrc.SizeOfRawData:]
    moved_va = rsrc.VirtualAddress + align(len(body), header.SectionAlignment) - (after or [rsrc])[0].VirtualAddress
    moved_raw = len(raw) - rsrc.SizeOfRawData
    for section in after:
        for entry in directories:
            if entry.VirtualAddress and section.VirtualAddress <= entry.VirtualAddress < (
                    section.VirtualAddress + section.Misc_VirtualSize):
                entry.VirtualAddress += moved_va
        section.VirtualAddress += moved_va
        section.PointerToRawData += moved_raw
    header.SizeOfInitializedData += moved_raw
    rsrc.Misc_VirtualSize, rsrc.SizeOfRawData = len(body), len(raw)
    directories[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]].Size = len(body)
    last = pe.sections[-1]
    header.SizeOfImage = align(last.VirtualAddress + last.Misc_VirtualSize, header.SectionAlignment)
    image = bytearray(pe.write()[:rsrc.PointerToRawData]) + raw + tail
    field = header.get_file_offset() + 64
    struct.pack_into("<I", image, field, checksum(image, field))
    partial = output + ".writing"
    with open(partial, "wb") as f:
        f.write(image)
    os.chmod(partial, 0o755)
    os.replace(partial, output)
