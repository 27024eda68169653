"""What the build and its checks read from a Windows program file, through
Debian's pefile (python3-pefile, importable from /usr/bin/python3): the
machine type, program or DLL, the DLLs it imports, whether it carries an
Authenticode signature, its resources and the version block's string tables.
read() raises ValueError, saying why, for anything that is not a PE file of a
machine Windows runs Setup.exe's programs on."""
import pefile

MACHINES = {pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_" + name.upper()]: name
            for name in ("i386", "amd64", "arm64")}
RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_VERSION = (
    pefile.RESOURCE_TYPE[name] for name in ("RT_ICON", "RT_RCDATA", "RT_GROUP_ICON", "RT_VERSION"))
IMAGE_FILE_DLL = pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"]
IMAGE_FILE_EXECUTABLE_IMAGE = pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_EXECUTABLE_IMAGE"]
SECURITY = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]
# Only what the callers use is parsed: a large wizard's relocations are not.
PARSED = [pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_" + name]
          for name in ("IMPORT", "DELAY_IMPORT", "RESOURCE")]


def read(path: str) -> pefile.PE:
    with open(path, "rb") as f:
        data = f.read()
    try:
        pe = pefile.PE(data=data, fast_load=True)
    except pefile.PEFormatError as e:
        raise ValueError(f"not a Windows program ({e.value})") from None
    if pe.FILE_HEADER.Machine not in MACHINES:
        raise ValueError(f"unknown machine type 0x{pe.FILE_HEADER.Machine:04x}")
    pe.parse_data_directories(directories=PARSED)
    return pe


def machine(pe: pefile.PE) -> str:
    return MACHINES[pe.FILE_HEADER.Machine]


def is_dll(pe: pefile.PE) -> bool:
    return bool(pe.FILE_HEADER.Characteristics & IMAGE_FILE_DLL)


def is_program(pe: pefile.PE) -> bool:
    return bool(pe.FILE_HEADER.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) and not is_dll(pe)


def is_signed(pe: pefile.PE) -> bool:
    """Whether it carries an Authenticode signature at all (verifying it is
    osslsigncode's part)."""
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY
    return len(directory) > SECURITY and directory[SECURITY].VirtualAddress != 0


def imports(pe: pefile.PE) -> list:
    """The DLLs of the import table, in its order, then the delay-loaded ones."""
    return [entry.dll.decode("latin-1")
            for table in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT")
            for entry in getattr(pe, table, [])]


def resources(pe: pefile.PE) -> dict:
    """{(type, name, language): bytes} of every resource with numeric ids."""
    found = {}
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in root.entries if root else []:
        for name in kind.directory.entries if kind.id is not None else []:
            for language in name.directory.entries if name.id is not None else []:
                leaf = language.data.struct
                found[(kind.id, name.id, language.id)] = pe.get_data(leaf.OffsetToData, leaf.Size)
    return found


def version_tables(pe: pefile.PE) -> dict:
    """The version block's string tables in their stored order:
    {"040504e2": {"CompanyName": ...}}."""
    tables = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                values = {}
                for key, (_, value_at) in table.entries_offsets.items():
                    values[key.decode("utf-8")] = utf16_at(pe, value_at, len(table.entries[key]))
                tables[table.LangID.decode("ascii")] = values
    if not tables:
        raise ValueError("no version block with string tables")
    return tables


def utf16_at(pe: pefile.PE, offset: int, most: int) -> str:
    # pefile turns each UTF-16 unit into a character of its own, so a pair
    # for one character beyond the first 65,536 comes back as two escapes:
    # the value is decoded again from where pefile found it.
    raw = pe.__data__[offset:offset + 2 * most + 2]
    end = next((i for i in range(0, len(raw) - 1, 2) if raw[i:i + 2] == b"\0\0"), len(raw) & ~1)
    return raw[:end].decode("utf-16-le")
