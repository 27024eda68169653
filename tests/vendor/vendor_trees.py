"""Trees of the project that the vendor tests configure and build themselves,
under <build>/vendor-tests, with the settings a vendor gives."""
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
