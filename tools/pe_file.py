"""Reads what the build and its checks need from a Windows program file: the
machine type, whether it is a program or a DLL, the DLLs it imports, and its
resources (the version block among them). Raises ValueError, saying why, for
anything that is not a well-formed PE file."""
import struct

MACHINES = {0x014C: "i386", 0x8664: "amd64", 0xAA64: "arm64"}
IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002
IMAGE_FILE_DLL = 0x2000
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


class PeFile:
    def __init__(self, data: bytes):
        self.data = data
        if len(data) < 0x40 or data[:2] != b"MZ":
            raise ValueError("not a Windows program (no MZ header)")
        (pe,) = struct.unpack_from("<I", data, 0x3C)
        if pe + 24 > len(data) or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a Windows program (no PE header)")
        machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
        if machine not in MACHINES:
            raise ValueError(f"unknown machine type 0x{machine:04x}")
        self.machine = MACHINES[machine]
        optional = pe + 24
        if optional + optional_size > len(data) or optional_size < 2:
            raise ValueError("truncated optional header")
        (magic,) = struct.unpack_from("<H", data, optional)
        if magic == 0x10B:
            directories = optional + 96
        elif magic == 0x20B:
            directories = optional + 112
        else:
            raise ValueError(f"unknown optional header 0x{magic:04x}")
        (self.timestamp,) = struct.unpack_from("<I", data, pe + 8)
        (count,) = struct.unpack_from("<I", data, directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(min(count, 16))]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), vaddr, max(vsize, rawsize), rawptr, rawsize))

    @property
    def is_program(self) -> bool:
        return bool(self.characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) and not self.characteristics & IMAGE_FILE_DLL

    def offset(self, rva: int) -> int:
        for _, vaddr, size, rawptr, rawsize in self.sections:
            if vaddr <= rva < vaddr + size and rva - vaddr < rawsize:
                return rawptr + rva - vaddr
        raise ValueError(f"address 0x{rva:x} is in no section")

    def directory(self, index: int):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def cstring(self, rva: int) -> str:
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("latin-1")

    def imports(self) -> list:
        """The DLLs of the import table, in its order, then the delay-loaded ones."""
        names = []
        # (directory, descriptor size, index of the name's address in it)
        for index, size, name_field in ((1, 20, 3), (13, 32, 1)):
            rva, length = self.directory(index)
            if not rva or not length:
                continue
            at = self.offset(rva)
            while True:
                descriptor = struct.unpack_from(f"<{size // 4}I", self.data, at)
                if not any(descriptor):
                    break
                names.append(self.cstring(descriptor[name_field]))
                at += size
        return names

    def resources(self) -> dict:
        """{(type, name, language): bytes} of every resource with numeric ids."""
        rva, size = self.directory(2)
        found = {}
        if not rva or not size:
            return found
        base = self.offset(rva)

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, at + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                yield ident, target

        for type_id, type_at in entries(base):
            for name_id, name_at in entries(base + (type_at & 0x7FFFFFFF)):
                for lang_id, leaf in entries(base + (name_at & 0x7FFFFFFF)):
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(type_id, name_id, lang_id)] = self.data[start:start + data_size]
        return found


def read(path: str) -> PeFile:
    with open(path, "rb") as f:
        return PeFile(f.read())


def version_tables(block: bytes) -> dict:
    """The string tables of a version block: {"040504e2": {"CompanyName": ...}}."""

    def node(at):
        length, value_length, kind = struct.unpack_from("<HHH", block, at)
        key_end = at + 6
        while block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = block[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if kind == 1 else value_length
        children_at = (value_at + value_size + 3) & ~3
        return key, length, block[value_at:value_at + value_size], children_at, at + length

    def children(start, end):
        at = start
        while at < end:
            child = node(at)
            yield child
            at = (child[4] + 3) & ~3

    key, length, _, first, end = node(0)
    if key != "VS_VERSION_INFO":
        raise ValueError("no VS_VERSION_INFO block")
    tables = {}
    for name, _, _, inner, inner_end in children(first, end):
        if name != "StringFileInfo":
            continue
        for table, _, _, strings, strings_end in children(inner, inner_end):
            values = {}
            for entry, _, value, _, _ in children(strings, strings_end):
                values[entry] = value.decode("utf-16-le").rstrip("\0")
            tables[table] = values
    return tables
