#!/usr/bin/python3
"""The build's check of the two programs a vendor puts into Setup.exe.

Both must be Windows programs (PE files that are not DLLs). The uninstaller is
started the way Setup.exe checks it, where this machine runs the build's
programs, and must end within 10 s with an exit code from 1001 to 1100. The
wizard is not run; the DLLs it imports that are not among Windows's known DLLs
get a warning, since it runs elevated and Windows looks for such a DLL along
the search path, where another program may have put one.
A program without an Authenticode signature gets a warning of what Windows's
app control makes of it; a signature that does not verify stops the build.
The kit's step (make_setup.py) runs check(); windows_missing() says whether
this machine can run the uninstaller at all.

A passed uninstaller is remembered in <build>/program-checks by the file's
SHA-256, so an unchanged one is not run again. CheckFailed carries a message
saying what every customer would see when a program breaks Setup.exe's
contract."""
import hashlib
import os
import re
import shutil
import subprocess
import sys

import pe_file

ACCEPTED = range(1001, 1101)
TIMEOUT_S = 10
SKIP = "Fix the program, or configure with -DSETUP_CHECK_PROGRAMS=OFF to skip this check."

# Windows's known DLLs (the KnownDLLs list of Windows 10 and 11), which are
# always loaded from the system folder, and ntdll, which every process has.
# API set names (api-ms-win-*, ext-ms-win-*) are resolved by the system too.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "wow64.dll", "wow64cpu.dll", "wow64win.dll", "ws2_32.dll",
    "ntdll.dll",
}


def is_known_dll(name: str) -> bool:
    lower = name.lower()
    return lower in KNOWN_DLLS or lower.startswith(("api-ms-win-", "ext-ms-win-"))


def box_texts(strings_rc: str, name: str) -> dict:
    """{language: text} of one string of the loader's table, from its script."""
    texts = {}
    language = None
    with open(strings_rc, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\s*LANGUAGE\s+LANG_(\w+)", line)
            if m:
                language = m.group(1).capitalize()
            m = re.match(r'\s*' + name + r'\s+"(.*)"\s*$', line)
            if m and language:
                texts[language] = m.group(1).replace('""', '"')
    return texts


def box(root: str, exit_code: int, string: str) -> str:
    texts = box_texts(os.path.join(root, "res", "strings.rc"), string)
    english = texts.pop("English", "?")
    others = ", ".join(f'{lang}: "{text}"' for lang, text in sorted(texts.items()))
    return f'exit code {exit_code} and the box "{english}" ({others})'


def customer_sees(root: str, exit_code: int, string: str) -> str:
    return f"every customer's run would end with {box(root, exit_code, string)}."


class CheckFailed(Exception):
    pass


def read_program(role: str, path: str, root: str, exit_code: int, string: str):
    try:
        program = pe_file.read(path)
        if not pe_file.is_program(program):
            raise ValueError("a DLL, not a program" if pe_file.is_dll(program) else "not marked as a program")
        return program
    except (OSError, ValueError) as e:
        raise CheckFailed(f"The {role} {path} is not a Windows program: {e}.\n"
                          f"Setup.exe could not start it: {customer_sees(root, exit_code, string)}\n{SKIP}")


def sha256(path: str) -> str:
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def windows_path(path: str) -> str:
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def windows_missing(root: str) -> str:
    """Why this machine cannot run the 32-bit uninstaller, or empty when it can."""
    done = subprocess.run(["bash", "-c", '. "$root/scripts/wine-env.sh"; windows_missing'],
                          env=dict(os.environ, root=root), stdout=subprocess.PIPE, text=True)
    return done.stdout.strip()


def copy_if_changed(source: str, target: str):
    if not os.path.exists(target) or sha256(source) != sha256(target):
        shutil.copyfile(source, target)


def run_check(root: str, build: str, checker: str, uninstaller: str) -> str:
    """Runs the checker where the build's programs run; returns its report line.
    The checker and the uninstaller are copied into the build folder first:
    the emulated machine shows its job the build folder wherever it lives,
    /tmp included, but not necessarily the folders the programs came from."""
    place = os.path.join(build, "program-checks")
    os.makedirs(os.path.join(place, "bin"), exist_ok=True)
    copy_if_changed(checker, os.path.join(place, "bin", "check_uninstaller.exe"))
    copy_if_changed(uninstaller, os.path.join(place, "VutUndo.exe"))
    script = ('. "$1/scripts/wine-env.sh"; echo "running the uninstaller'"'"'s check ($(windows_runner "$2"));'
              ' a first run also makes the Wine prefix" >&2;'
              ' windows_job "$2" bash "$1/scripts/windows-program.sh" "$2" "$2/bin/check_uninstaller.exe" "$3"')
    env = dict(os.environ, root=root, SETUP_WINEPREFIX=os.environ.get("SETUP_WINEPREFIX", os.path.join(build, "wineprefix")),
               SETUP_VM_DIR=os.environ.get("SETUP_VM_DIR", os.path.join(build, "vm")))
    # What the job says on its way (the prefix being made, the emulated
    # machine) goes straight to the build's output, and is kept to name the
    # cause when no report comes.
    sys.stdout.flush()
    job = subprocess.Popen(["bash", "-c", script, "check", root, place, windows_path(os.path.join(place, "VutUndo.exe"))],
                           env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    said = []
    for line in job.stdout:
        said.append(line.rstrip("\n"))
        if not re.match(r"(exit|timeout|not started|path) ", line):
            print(line, end="", file=sys.stderr, flush=True)
    status = job.wait()
    report = [line for line in said if re.match(r"(exit|timeout|not started) ", line)]
    if not report:
        # The line that names a failure, else the last ones.
        telling = [line.strip() for line in said if re.search(r"(?i)error|panic|no such|cannot|not found|failed", line)]
        last = telling[-1:] or [line for line in said if line.strip()][-3:]
        raise CheckFailed(f"The uninstaller's check did not run: the job that runs Windows programs here ended "
                          f"with exit code {status} before the checker reported, saying: "
                          f"{' / '.join(last) or '(nothing)'}. This says nothing about the uninstaller. "
                          "Set SETUP_CHECK_PROGRAMS to OFF to build without the check.")
    return report[0]


def verdict(report: str, path: str, root: str) -> str:
    """Empty when Setup.exe accepts the uninstaller, else the message."""
    kind, _, value = report.rpartition(" ")
    code = int(value)
    if kind == "exit" and code in ACCEPTED:
        return ""
    if kind == "exit":
        saw = f"it ended with exit code {code}"
    elif kind == "timeout":
        saw = f"it was still running after {TIMEOUT_S} s"
    else:
        saw = f"it could not be started (Windows error {code})"
    return (f"The uninstaller {path} breaks Setup.exe's check: started as Setup.exe starts it "
            f"(from its home, with no arguments), {saw}; Setup.exe needs it to end within {TIMEOUT_S} s "
            f"with an exit code from 1001 to 1100.\n"
            f"Setup.exe tries twice, so {customer_sees(root, 5, 'IDS_ERR_UNDO_BROKEN')}\n{SKIP}")


# What Windows does with each program when it is unsigned, and what the
# customer then sees: (how Setup.exe fails, exit code, string of the box).
UNSIGNED = {
    "installer wizard": ("Setup.exe cannot start the wizard", 3, "IDS_ERR_RUN_INSTALL"),
    "uninstaller": ("the uninstaller fails Setup.exe's check, twice", 5, "IDS_ERR_UNDO_BROKEN"),
}


def signature(role: str, path: str, program, args, say) -> str:
    """Who signed the program, or "unsigned" with a warning; raises
    CheckFailed when a signature is there but does not verify."""
    if not pe_file.is_signed(program):
        failing, code, string = UNSIGNED[role]
        say(f"warning: the {role} {path} is not signed. Windows 11's Smart App Control and App Control "
            "for Business policies block an unsigned program that has no reputation, and SmartScreen "
            f"warns about it. Where it is blocked, {failing}: the run ends with "
            f"{box(args.root, code, string)}, which does not name the cause. "
            "Set up signing (SETUP_SIGN_PKCS11_MODULE with SETUP_SIGN_KEY, SETUP_SIGN_COMMAND or "
            "SETUP_SIGN_PKCS12) to sign both programs.")
        return "unsigned"
    done = subprocess.run(["bash", args.signer, "inspect", path, args.roots], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, errors="replace")
    for line in done.stderr.splitlines():
        if line.startswith("warning: "):
            say(line)
    if done.returncode:
        raise CheckFailed(f'{done.stderr.strip().removeprefix("error: ")}\n{SKIP}')
    return done.stdout.strip()


def check(args) -> list:
    """Runs every check, printing what it finds as it goes; returns the report
    lines. Raises CheckFailed."""
    lines = []

    def say(line):
        lines.append(line)
        print(line, flush=True)

    wizard = read_program("installer wizard", args.installer, args.root, 3, "IDS_ERR_RUN_INSTALL")
    signed = signature("installer wizard", args.installer, wizard, args, say)
    imports = pe_file.imports(wizard)
    foreign = [name for name in imports if not is_known_dll(name)]
    say(f"installer wizard {args.installer}: {pe_file.machine(wizard)} program, {signed}, imports "
        f"{', '.join(imports) or 'nothing'}")
    for name in foreign:
        say(f"warning: the installer wizard imports {name}, which is not one of Windows's known DLLs. "
            "The wizard runs elevated, and Windows looks for such a DLL along the search path after "
            "the system folders, where a DLL of that name planted beforehand would be loaded with "
            "administrator rights.")

    undo = read_program("uninstaller", args.uninstaller, args.root, 5, "IDS_ERR_UNDO_BROKEN")
    undo_signed = signature("uninstaller", args.uninstaller, undo, args, say)
    if pe_file.machine(undo) != "i386":
        say(f"warning: the uninstaller is an {pe_file.machine(undo)} program: on 32-bit Windows, Setup.exe "
            "cannot start it and ends with exit code 5.")
    cache = os.path.join(args.build, "program-checks")
    os.makedirs(cache, exist_ok=True)
    remembered = os.path.join(cache, sha256(args.uninstaller) + ".passed")
    if os.path.exists(remembered):
        with open(remembered, encoding="utf-8") as f:
            report = f.read().strip()
        how = "checked before"
    else:
        report = run_check(args.root, args.build, args.checker, args.uninstaller)
        message = verdict(report, args.uninstaller, args.root)
        if message:
            raise CheckFailed(message)
        with open(remembered, "w", encoding="utf-8") as f:
            f.write(report + "\n")
        how = "checked now"
    say(f"uninstaller {args.uninstaller}: {pe_file.machine(undo)} program, {undo_signed}, answered its check with "
        f"{report} ({how})")
    return lines
