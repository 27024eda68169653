#!/usr/bin/python3
"""Setup.winget.yaml beside Setup.exe: a winget installer manifest of the
built file, for the vendor to publish with its identifier and download
address (SETUP_WINGET_IDENTIFIER, SETUP_WINGET_URL), the product's version
(SETUP_PRODUCT_VERSION) and the file's SHA-256. The switches are the
loader's: "/s /w" installs silently and waits for the wizard, whose exit
code winget then reads; the loader's own failures 1 to 5 are mapped to
winget's responses."""
import hashlib
import os
import re

SCHEMA_VERSION = "1.12.0"
# The documented patterns of the schema's PackageIdentifier and Url.
IDENTIFIER = re.compile(r'^[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]{1,32}){1,7}$')
URL = re.compile(r"^[Hh][Tt][Tt][Pp][Ss]?://.+$")

# The loader's own exit codes, before the wizard has started.
LOADER_CODES = (
    (1, "diskFull"),         # no temporary file could be made or written
    (2, "contactSupport"),   # Setup.exe is damaged: the installer's record is missing
    (3, "blockedByPolicy"),  # the wizard did not start (App Control, Smart App Control)
    (4, "contactSupport"),   # the installer's record does not unpack
    (5, "contactSupport"),   # no working uninstaller, or a home others may change
)
# The wizard's own successes that ask for a restart, passed on by "/w".
SUCCESS_CODES = (3010, 1641)


def check(identifier: str, url: str) -> str:
    """What is wrong with the two settings, or "" when they can be used."""
    if not identifier and not url:
        return ""
    if not identifier or not url:
        return ("SETUP_WINGET_IDENTIFIER and SETUP_WINGET_URL go together: the manifest needs the package's "
                "identifier and the address it is downloaded from")
    if len(identifier) > 128 or not IDENTIFIER.match(identifier):
        return (f"SETUP_WINGET_IDENTIFIER: '{identifier}' is not a winget identifier: two to eight parts of up to "
                "32 characters separated by dots (Publisher.Product), without blanks or \\/:*?\"<>|")
    if len(url) > 2048 or not URL.match(url):
        return f"SETUP_WINGET_URL: '{url}' is not an http or https address"
    return ""


def quoted(text: str) -> str:
    return "'" + text.replace("'", "''") + "'"


def manifest(setup: str, identifier: str, url: str, version: str) -> str:
    with open(setup, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest().upper()
    lines = [
        f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.installer.{SCHEMA_VERSION}.schema.json",
        "",
        f"PackageIdentifier: {quoted(identifier)}",
        f"PackageVersion: {quoted(version or '1.0')}",
        "InstallerType: exe",
        "Scope: machine",
        "InstallModes:",
        "- interactive",
        "- silent",
        "- silentWithProgress",
        "InstallerSwitches:",
        "  Silent: '/s /w'",
        "  SilentWithProgress: '/w'",
        "  Log: '/log=\"<LOGPATH>\"'",
        "InstallerSuccessCodes:",
        *[f"- {code}" for code in SUCCESS_CODES],
        "ExpectedReturnCodes:",
    ]
    for code, response in LOADER_CODES:
        lines += [f"- InstallerReturnCode: {code}", f"  ReturnResponse: {response}"]
    lines += [
        "ElevationRequirement: elevatesSelf",
        "Installers:",
        "- Architecture: x86",
        f"  InstallerUrl: {quoted(url)}",
        f"  InstallerSha256: {digest}",
        "ManifestType: installer",
        f"ManifestVersion: {SCHEMA_VERSION}",
    ]
    return "\n".join(lines) + "\n"


def write(setup: str, identifier: str, url: str, version: str, out: str):
    """Writes the manifest to <out> when the two settings are given, and
    removes an earlier build's when they are not."""
    if not identifier:
        if os.path.exists(out):
            os.remove(out)
        return
    with open(out + ".writing", "w", encoding="utf-8", newline="\n") as f:
        f.write(manifest(setup, identifier, url, version))
    os.replace(out + ".writing", out)


if __name__ == "__main__":
    import sys

    def setting(name: str) -> str:
        with open(os.path.join(sys.argv[1], name), encoding="utf-8") as f:
            return f.read()

    # winget_manifest.py <settings folder>: the configure step's check.
    said = check(setting("SETUP_WINGET_IDENTIFIER"), setting("SETUP_WINGET_URL"))
    if said:
        print(said, file=sys.stderr)
    sys.exit(1 if said else 0)
