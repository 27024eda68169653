#!/usr/bin/python3
"""Setup.json beside Setup.exe, the build's summary for a vendor's CI: each
file's path, size and SHA-256, its signer and time stamp, each carried
program and what the build did to it (signed, kept or warned), the file of
roots the signature checks trusted (null: only the given chain), and the
warnings of the program check. The kit's step (make_setup.py) writes it.

The signatures are read back from the files with osslsigncode, not taken
from the build's messages."""
import hashlib
import json
import os
import re
import subprocess

import pe_file


def signature(path: str):
    """{"signer", "timestamp"} of the file's Authenticode signature, or None."""
    if not pe_file.is_signed(pe_file.read(path)):
        return None  # and no osslsigncode is needed where nothing is signed
    # Read, not verified (signing verified it): no roots are needed for that.
    said = subprocess.run(["osslsigncode", "verify", "-CAfile", os.devnull, "-TSA-CAfile", os.devnull, "-in", path],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace").stdout
    if "No signature found" in said:
        return None
    signer = re.search(r"Signer's certificate:.*?Subject:[ \t]*([^\n]+)", said, re.S)
    stamp = re.search(r"Timestamp time:[ \t]*([^\n]+)", said)
    return {"signer": signer.group(1).strip() if signer else None,
            "timestamp": stamp.group(1).strip() if stamp else None}


def sha256(path: str) -> str:
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def describe(path: str) -> dict:
    return {"path": os.path.abspath(path), "size": os.path.getsize(path), "sha256": sha256(path),
            "signature": signature(path)}


def same_bytes(a: str, b: str) -> bool:
    with open(a, "rb") as f, open(b, "rb") as g:
        return f.read() == g.read()


def write(setup: str, carried: list, signing: str, version: str, warnings: list, roots: str, out: str):
    """<carried>: (name, source, packed) of each program; <roots>: the file of
    roots the signature checks trusted, or empty when they trusted only the
    given chain."""
    entries = []
    for name, source, packed in carried:
        entry = dict(name=name, source=os.path.abspath(source), **describe(packed))
        if entry["signature"] is None:
            entry["done"] = "warned"  # unsigned: nothing to sign it with
        elif signing and not same_bytes(source, packed):
            entry["done"] = "signed"
        else:
            entry["done"] = "kept"
        entries.append(entry)
    summary = {
        "setup": describe(setup),
        "version": version or "1.0",
        "signing": signing or None,
        "trusted_roots": {"path": os.path.abspath(roots), "sha256": sha256(roots)} if roots else None,
        "carried": entries,
        "warnings": warnings,
    }
    partial = out + ".writing"
    with open(partial, "w", encoding="utf-8") as f:
        json.dump(summary, f, indent=2, ensure_ascii=False)
        f.write("\n")
    os.replace(partial, out)
