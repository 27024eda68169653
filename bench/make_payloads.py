#!/usr/bin/env python3
"""Makes the benchmark's installer programs and their payload records: the
stand-in wizard followed by real Windows binaries (DLLs, concatenated) up to
the wanted size, so the program still starts and the bytes compress like a
vendor's. Usage: make_payloads.py WIZARD DLL_FOLDER OUT_FOLDER MB...
Writes OUT_FOLDER/wizard-<MB>.exe and OUT_FOLDER/installer-<MB>.rec."""
import os
import sys
from multiprocessing import Pool

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from make_payload import make_record  # noqa: E402


def filler(dll_folder):
    names = sorted(n for n in os.listdir(dll_folder) if n.endswith(".dll"))
    while True:
        for n in names:
            with open(os.path.join(dll_folder, n), "rb") as f:
                yield f.read()


def make(args):
    wizard, dll_folder, out, mb = args
    program = os.path.join(out, f"wizard-{mb}.exe")
    record = os.path.join(out, f"installer-{mb}.rec")
    if os.path.exists(record) and os.path.getmtime(record) >= os.path.getmtime(wizard):
        return record
    size = mb * 1024 * 1024
    with open(wizard, "rb") as f:
        data = bytearray(f.read())
    for block in filler(dll_folder):
        if len(data) >= size:
            break
        data += block[: size - len(data)]
    with open(program, "wb") as f:
        f.write(data)
    with open(record + ".part", "wb") as f:
        f.write(make_record(bytes(data)))
    os.replace(record + ".part", record)
    return record


def main():
    wizard, dll_folder, out = sys.argv[1:4]
    sizes = [int(s) for s in sys.argv[4:]]
    os.makedirs(out, exist_ok=True)
    with Pool(len(sizes)) as pool:
        for record in pool.map(make, [(wizard, dll_folder, out, mb) for mb in sizes]):
            print(f"  {record}: {os.path.getsize(record)} bytes")


if __name__ == "__main__":
    main()
