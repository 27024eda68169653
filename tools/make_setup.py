#!/usr/bin/python3
"""The kit's step: a vendor's Setup.exe and Setup.json from the prebuilt core
and the settings, with no compiler. The kit's command and the developers'
build both make Setup.exe through it.

  make_setup.py --kit ROOT --core DIR --settings DIR --out DIR

ROOT holds tools/, scripts/ and res/; DIR of the core holds SetupCore.exe and
check_uninstaller.exe; the settings folder one file per setting, as
cmake/VendorKit.cmake writes them. In OUT: carried/ (the programs as signed),
payloads/ (the two records), program-checks/, unsigned/Setup.exe when
signing, and bin/Setup.exe with bin/Setup.json (and bin/Setup.winget.yaml
when the winget settings are given). When nothing it reads has
changed since its last run, it does nothing."""
import argparse
import hashlib
import os
import subprocess
import sys

import build_summary
import check_programs
import make_payload
import setup_resources
import version_names
import winget_manifest

CARRIED = (("VutSetup.exe", "SETUP_INSTALLER_FILE", "installer", "IDR_INSTALLER"),
           ("VutUndo.exe", "SETUP_UNINSTALLER_FILE", "uninstaller", "IDR_UNINSTALLER"))


class StepFailed(Exception):
    pass


def settings(folder: str) -> dict:
    values = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            with open(path, encoding="utf-8", errors="surrogateescape") as f:
                values[name] = f.read()
    return values


def fingerprint(args, values: dict) -> str:
    """What the step reads: the settings, and each file's path, size and time."""
    files = [os.path.join(args.core, "SetupCore.exe"), os.path.join(args.core, "check_uninstaller.exe")]
    files += [values[name] for name in values if name.endswith(("_FILE", "PKCS12", "CERTS", "ROOTS")) and values[name]]
    for folder in ("tools", "scripts", "res"):
        top = os.path.join(args.kit, folder)
        files += sorted(os.path.join(top, name) for name in os.listdir(top) if os.path.isfile(os.path.join(top, name)))
    digest = hashlib.sha256(repr(sorted(values.items())).encode("utf-8", "surrogateescape"))
    for path in files:
        stat = os.stat(path) if os.path.exists(path) else None
        digest.update(repr((path, stat and (stat.st_size, stat.st_mtime_ns))).encode("utf-8", "surrogateescape"))
    return digest.hexdigest()


def sign(args, *command: str):
    if subprocess.run(["bash", os.path.join(args.kit, "scripts", "sign-setup.sh"), *command]).returncode:
        raise StepFailed("")


def write_if_changed(path: str, data: bytes):
    """Tests and the developers' build compile the records into programs of
    their own: an unchanged record keeps its time."""
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path + ".writing", "wb") as f:
        f.write(data)
    os.replace(path + ".writing", path)


def program_check(args, values: dict, programs: dict, bin_dir: str) -> list:
    """The check's warnings, or the one that says why it was skipped."""
    mode = values["SETUP_CHECK_PROGRAMS"]
    if mode == "OFF":
        return ["the program check was skipped (SETUP_CHECK_PROGRAMS=OFF)"]
    missing = check_programs.windows_missing(args.kit)
    if missing and mode == "AUTO":
        skipped = f"the program check was skipped: {missing} (SETUP_CHECK_PROGRAMS=AUTO; ON stops the build here)"
        print("note: " + skipped, flush=True)
        return [skipped]
    if missing:
        raise StepFailed(f"SETUP_CHECK_PROGRAMS is ON, but the uninstaller cannot be run here: {missing}. "
                         "Set it to AUTO to build without the check where it cannot run, or OFF.")
    checks = os.path.join(args.out, "program-checks")
    os.makedirs(checks, exist_ok=True)
    check = argparse.Namespace(root=args.kit, build=args.out, checker=os.path.join(args.core, "check_uninstaller.exe"),
                               signer=os.path.join(args.kit, "scripts", "sign-setup.sh"),
                               roots=values["SETUP_SIGN_TRUSTED_ROOTS"],
                               installer=programs["VutSetup.exe"], uninstaller=programs["VutUndo.exe"])
    try:
        lines = check_programs.check(check)
    except check_programs.CheckFailed as e:
        raise StepFailed(str(e))
    return [line.removeprefix("warning: ").strip() for line in lines if line.startswith("warning: ")]


def make(args, values: dict):
    bin_dir = os.path.join(args.out, "bin")
    for folder in ("bin", "payloads"):
        os.makedirs(os.path.join(args.out, folder), exist_ok=True)
    setup = os.path.join(bin_dir, "Setup.exe")
    signing = values["SETUP_SIGNING"]
    sources = {name: values[setting] for name, setting, _, _ in CARRIED}
    programs = dict(sources)
    if signing:
        os.makedirs(os.path.join(args.out, "carried"), exist_ok=True)
        for name, source in sources.items():
            programs[name] = os.path.join(args.out, "carried", name)
            sign(args, "carry", source, programs[name], setup, args.settings)
    warnings = program_check(args, values, programs, bin_dir)

    ids = setup_resources.resource_ids(args.kit)
    resources = {}
    for name, _, record, rid in CARRIED:
        with open(programs[name], "rb") as f:
            data = make_payload.make_record(f.read())
        write_if_changed(os.path.join(args.out, "payloads", record + ".rec"), data)
        resources[(setup_resources.RT_RCDATA, ids[rid], setup_resources.NEUTRAL)] = data
    names, version = version_names.read_names(args.settings)
    resources[(setup_resources.RT_VERSION, 1, setup_resources.NEUTRAL)] = version_names.version_block(names, version)
    with open(values["SETUP_ICON_FILE"], "rb") as f:
        resources.update(setup_resources.icon_resources(f.read(), ids["IDI_SETUP"]))
    unsigned = os.path.join(args.out, "unsigned", "Setup.exe") if signing else setup
    os.makedirs(os.path.dirname(unsigned), exist_ok=True)
    setup_resources.write(os.path.join(args.core, "SetupCore.exe"), resources, unsigned)
    if signing:
        sign(args, "sign", unsigned, setup, args.settings)
    build_summary.write(setup, [(name, sources[name], programs[name]) for name, _, _, _ in CARRIED], signing,
                        values["SETUP_PRODUCT_VERSION"], warnings, values["SETUP_SIGN_TRUSTED_ROOTS"],
                        os.path.join(bin_dir, "Setup.json"))
    winget_manifest.write(setup, values["SETUP_WINGET_IDENTIFIER"], values["SETUP_WINGET_URL"],
                          values["SETUP_PRODUCT_VERSION"], os.path.join(bin_dir, "Setup.winget.yaml"))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("kit", "core", "settings", "out"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()
    values = settings(args.settings)
    stamp = os.path.join(args.out, "vendor", "made.txt")
    now = fingerprint(args, values)
    done = [os.path.join(args.out, "bin", name) for name in ("Setup.exe", "Setup.json")]
    try:
        with open(stamp, encoding="utf-8") as f:
            if f.read() == now and all(map(os.path.exists, done)):
                print(f"{done[0]} is up to date: no work to do")
                return 0
    except OSError:
        pass
    try:
        make(args, values)
    except (StepFailed, ValueError, OSError) as e:
        if str(e):
            print(f"error: {e}", file=sys.stderr)
        return 1
    with open(stamp, "w", encoding="utf-8") as f:
        f.write(now)
    print(f"made {done[0]} and {done[1]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
