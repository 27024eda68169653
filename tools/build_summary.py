#!/usr/bin/python3
"""Writes Setup.json beside Setup.exe, the build's summary for a vendor's CI:
each file's path, size and SHA-256, its signer and time stamp, each carried
program and what the build did to it (signed, kept or warned), and the
warnings of the program check.

  build_summary.py --setup EXE --carried NAME SOURCE PACKED [--carried ...]
                   --signing METHOD --version TEXT [--checks FILE] --out FILE

The signatures are read back from the files with osslsigncode, not taken
from the build's messages."""
import argparse
import hashlib
import json
import os
import re
import subprocess
import sys


def signature(path: str):
    """{"signer", "timestamp"} of the file's Authenticode signature, or None."""
    said = subprocess.run(["osslsigncode", "verify", "-in", path], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, errors="replace").stdout
    if "No signature found" in said:
        return None
    signer = re.search(r"Signer's certificate:.*?Subject:[ \t]*([^\n]+)", said, re.S)
    stamp = re.search(r"Timestamp time:[ \t]*([^\n]+)", said)
    return {"signer": signer.group(1).strip() if signer else None,
            "timestamp": stamp.group(1).strip() if stamp else None}


def describe(path: str) -> dict:
    with open(path, "rb") as f:
        data = f.read()
    return {"path": os.path.abspath(path), "size": len(data), "sha256": hashlib.sha256(data).hexdigest(),
            "signature": signature(path)}


def same_bytes(a: str, b: str) -> bool:
    with open(a, "rb") as f, open(b, "rb") as g:
        return f.read() == g.read()


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--setup", required=True)
    parser.add_argument("--carried", nargs=3, action="append", metavar=("NAME", "SOURCE", "PACKED"), default=[])
    parser.add_argument("--signing", default="")
    parser.add_argument("--version", default="")
    parser.add_argument("--checks")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    warnings = []
    if args.checks:
        with open(args.checks, encoding="utf-8") as f:
            warnings = [line.removeprefix("warning: ").strip() for line in f if line.startswith("warning: ")]
    else:
        warnings.append("the program check was skipped (SETUP_CHECK_PROGRAMS=OFF)")
    carried = []
    for name, source, packed in args.carried:
        entry = dict(name=name, source=os.path.abspath(source), **describe(packed))
        if entry["signature"] is None:
            entry["done"] = "warned"  # unsigned: nothing to sign it with
        elif args.signing and not same_bytes(source, packed):
            entry["done"] = "signed"
        else:
            entry["done"] = "kept"
        carried.append(entry)
    summary = {
        "setup": describe(args.setup),
        "version": args.version or "1.0",
        "signing": args.signing or None,
        "carried": carried,
        "warnings": warnings,
    }
    partial = args.out + ".writing"
    with open(partial, "w", encoding="utf-8") as f:
        json.dump(summary, f, indent=2, ensure_ascii=False)
        f.write("\n")
    os.replace(partial, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
