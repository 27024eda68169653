"""Trees of the project that the vendor tests configure and build themselves,
under <build>/vendor-tests, with the settings a vendor gives."""
import glob
import os
import re
import shutil
import subprocess

ROOT = os.environ["SETUP_VENDOR_TEST_ROOT"]
BUILD = os.environ["SETUP_VENDOR_TEST_BUILD"]
TREES = os.path.join(BUILD, "vendor-tests")


def tree(name: str, fresh: bool = True) -> str:
    path = os.path.join(TREES, name)
    if fresh:
        shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path, exist_ok=True)
    return path


def configure(path: str, *settings: str) -> subprocess.CompletedProcess:
    return subprocess.run(
        ["cmake", "-S", ROOT, "-B", path, "-G", "Ninja",
         "-DCMAKE_TOOLCHAIN_FILE=" + os.environ["SETUP_VENDOR_TEST_TOOLCHAIN"],
         "-DBOOST_FILESYSTEM_SOURCE_DIR=" + os.environ["SETUP_VENDOR_TEST_BOOST"],
         "-DCMAKE_BUILD_TYPE=MinSizeRel", "-DBUILD_TESTING=OFF", *settings],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")


def build(path: str, *targets: str, env: dict = None) -> subprocess.CompletedProcess:
    command = ["cmake", "--build", path]
    for target in targets:
        command += ["--target", target]
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          errors="replace", env=dict(os.environ, **(env or {})))


def unwrapped(output: str) -> str:
    """CMake and ninja break long messages: one blank for every run of them."""
    return re.sub(r"\s+", " ", output)


def main_program(name: str) -> str:
    """A program of the main build, which the host tests run after."""
    path = os.path.join(BUILD, "bin", name)
    if not os.path.exists(path):
        raise FileNotFoundError(f"{path} is missing: build the project first (scripts/build.sh)")
    return path


SOFTHSM_MODULE = "/usr/lib/softhsm/libsofthsm2.so"
TOKEN_PIN = "1234"


def softhsm_token(folder: str, key: str, cert: str) -> str:
    """A SoftHSM2 token of its own in <folder>, holding <key> and <cert> (PEM)
    as "codesign", loaded with opensc's pkcs11-tool. Sets SOFTHSM2_CONF for
    this process and what it starts; returns the key's pkcs11: URI, whose
    ';' a build must pass on whole."""
    tokens = os.path.join(folder, "tokens")
    shutil.rmtree(tokens, ignore_errors=True)
    os.makedirs(tokens)
    config = os.path.join(folder, "softhsm2.conf")
    with open(config, "w") as f:
        f.write(f"directories.tokendir = {tokens}\nobjectstore.backend = file\nlog.level = ERROR\n")
    os.environ["SOFTHSM2_CONF"] = config
    tool = ["pkcs11-tool", "--module", SOFTHSM_MODULE]
    subprocess.run(tool + ["--init-token", "--slot", "0", "--label", "Kvalita", "--so-pin", "5678",
                           "--init-pin", "--pin", TOKEN_PIN], check=True, capture_output=True)
    for kind, pem, convert in (("privkey", key, ["openssl", "pkey"]), ("cert", cert, ["openssl", "x509"])):
        der = subprocess.run(convert + ["-in", pem, "-outform", "DER"], check=True, capture_output=True).stdout
        path = os.path.join(folder, kind + ".der")
        with open(path, "wb") as f:
            f.write(der)
        subprocess.run(tool + ["--token-label", "Kvalita", "--login", "--pin", TOKEN_PIN, "--write-object", path,
                               "--type", kind, "--id", "01", "--label", "codesign"], check=True, capture_output=True)
    return "pkcs11:token=Kvalita;object=codesign;type=private"


def make_kit(folder: str) -> str:
    """The vendor kit of the main build, made into <folder>; its archive."""
    made = subprocess.run(["bash", os.path.join(ROOT, "scripts", "make-kit.sh"), folder], env=dict(os.environ, BUILD_DIR=BUILD),
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    assert made.returncode == 0, made.stdout
    return made.stdout.strip().splitlines()[-1].split(":")[0]


DEBIAN13_PACKAGES = "cmake,python3-pefile,osslsigncode,openssl,libengine-pkcs11-openssl,softhsm2"


def debian13_root() -> str:
    """A Debian 13 root file system with only a vendor's packages, made once
    per build folder with mmdebstrap from this machine's own archive."""
    root = os.path.join(BUILD, "debian13-root")
    stamp = os.path.join(root, ".vendor-packages")
    if os.path.exists(stamp) and open(stamp).read() == DEBIAN13_PACKAGES:
        return root
    address = subprocess.run(["awk", "/^URIs:/ { print $2; exit }", *glob.glob("/etc/apt/sources.list.d/*.sources")],
                             stdout=subprocess.PIPE, text=True).stdout.strip()
    shutil.rmtree(root, ignore_errors=True)
    subprocess.run(["mmdebstrap", "--variant=essential", "--include=" + DEBIAN13_PACKAGES, "trixie", root, address],
                   check=True, stdout=subprocess.DEVNULL)
    with open(stamp, "w") as f:
        f.write(DEBIAN13_PACKAGES)
    return root
