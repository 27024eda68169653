"""The vendor kit as a vendor gets it: unpacked into a Debian 13 root file
system with only the vendor's packages and used there by a user who is not
root (the program check skipped for want of Wine, then a build signed
through a SoftHSM2 token); unpacked under /tmp with the programs and the
build folder there too, where the check runs; and a missing tool named."""
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import vendor_trees as trees
from vendor_kit_test import VENDOR, certificate

KVALITA = os.path.join(trees.ROOT, "tests", "vendor", "kvalita.cmake")


class PrebuiltKitTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = trees.tree("prebuilt")
        cls.kit = trees.make_kit(os.path.join(cls.files, "kit"))

    def unpack(self, folder: str) -> str:
        subprocess.run(["tar", "-xzf", self.kit, "-C", folder], check=True)
        return os.path.join(folder, os.path.basename(self.kit).removesuffix(".tar.gz"), "scripts", "build-setup.sh")

    @unittest.skipUnless(os.geteuid() == 0, "mmdebstrap and chroot need root")
    def test_debian13_user_builds_and_signs_without_root(self):
        root = trees.debian13_root()
        home = os.path.join(root, "home", "vendor")
        shutil.rmtree(home, ignore_errors=True)
        os.makedirs(home)
        certificate(home, "root", "/CN=Kvalita Test Root")
        key, cert = certificate(home, "vendor", VENDOR, "codeSigning", issuer=os.path.join(home, "root"))
        with open(os.path.join(home, "chain.pem"), "w") as out, open(cert) as own, open(home + "/root.pem") as top:
            out.write(own.read() + top.read())
        uri = trees.softhsm_token(home, key, cert)
        with open(os.path.join(home, "softhsm2.conf"), "w") as f:  # the token as the user sees it
            f.write("directories.tokendir = /home/vendor/tokens\nobjectstore.backend = file\nlog.level = ERROR\n")
        with open(os.path.join(home, "pin.txt"), "w") as f:
            f.write(trees.TOKEN_PIN + "\n")
        shutil.copy(self.kit, home)
        shutil.copy(KVALITA, home)
        subprocess.run(["chown", "-R", "1000:1000", home], check=True)
        sign = ["-DSETUP_SIGN_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so", f"-DSETUP_SIGN_KEY={uri}",
                "-DSETUP_SIGN_CERTS=/home/vendor/chain.pem", "-DSETUP_SIGN_PIN_FILE=/home/vendor/pin.txt"]
        # (build folder, settings, exit code 0 expected)
        runs = {}
        for out, settings, passes in (("unsigned", [], True), ("on", ["-DSETUP_CHECK_PROGRAMS=ON"], False),
                                      ("signed", sign, True)):
            command = (f"cd /home/vendor && tar -xzf {os.path.basename(self.kit)} && "
                       f"bash setup-kit-*/scripts/build-setup.sh -B {out} kvalita.cmake " + " ".join(
                           f"'{s}'" for s in settings))
            started = time.monotonic()
            ran = subprocess.run(["chroot", "--userspec=1000:1000", root, "/usr/bin/env", "-i", "HOME=/home/vendor",
                                  "PATH=/usr/bin:/bin", "SOFTHSM2_CONF=/home/vendor/softhsm2.conf", "bash", "-c", command],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            print(f"Debian 13, {out}: {time.monotonic() - started:.2f} s", flush=True)
            self.assertEqual(ran.returncode == 0, passes, ran.stdout)
            runs[out] = trees.unwrapped(ran.stdout)
        self.assertIn("note: the program check was skipped: no 32-bit Wine is installed", runs["unsigned"])
        self.assertIn("SETUP_CHECK_PROGRAMS is ON, but the uninstaller cannot be run here: no 32-bit Wine", runs["on"])
        with open(os.path.join(home, "signed", "bin", "Setup.json"), encoding="utf-8") as f:
            summary = json.load(f)
        self.assertEqual((summary["signing"], summary["trusted_roots"], summary["setup"]["signature"]["signer"]),
                         ("pkcs11", None, VENDOR))
        self.assertIn("the program check was skipped: no 32-bit Wine is installed", summary["warnings"][0])
        self.assertEqual(os.stat(os.path.join(home, "signed", "bin", "Setup.exe")).st_uid, 1000)
        verified = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(home, "chain.pem"), "-in",
                                   os.path.join(home, "signed", "bin", "Setup.exe")], stdout=subprocess.PIPE, text=True)
        self.assertEqual(verified.returncode, 0, verified.stdout)
        # The same file as this machine's kit build of the same settings makes.
        with tempfile.TemporaryDirectory() as here:
            built = subprocess.run(["bash", self.unpack(here), "-B", here + "/out", KVALITA, "-DSETUP_CHECK_PROGRAMS=OFF"],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            self.assertEqual(built.returncode, 0, built.stdout)
            with open(here + "/out/bin/Setup.exe", "rb") as a, open(home + "/unsigned/bin/Setup.exe", "rb") as b:
                self.assertEqual(a.read(), b.read())

    def test_check_runs_with_kit_programs_and_build_under_tmp(self):
        with tempfile.TemporaryDirectory(dir="/tmp") as here:
            undo = shutil.copy(trees.main_program("VutUndo.exe"), here)
            built = subprocess.run(["bash", self.unpack(here), "-B", here + "/build", KVALITA,
                                    "-DSETUP_UNINSTALLER_PROGRAM=" + undo],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            self.assertEqual(built.returncode, 0, built.stdout)
            self.assertIn(f"uninstaller {undo}: i386 program, unsigned, answered its check with exit 1001 (checked now)",
                          trees.unwrapped(built.stdout))

    def test_missing_tool_is_named_with_its_packages(self):
        with tempfile.TemporaryDirectory() as here:
            tools = os.path.join(here, "tools")
            os.makedirs(tools)
            for tool in ("bash", "dirname", "realpath"):
                os.symlink(shutil.which(tool), os.path.join(tools, tool))
            ran = subprocess.run([os.path.join(tools, "bash"), self.unpack(here), KVALITA], env={"PATH": tools},
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            self.assertNotEqual(ran.returncode, 0)
            self.assertIn("error: cmake is not installed; the kit needs it to read the vendor file. Install it: on "
                          "Debian and Ubuntu the package cmake, on Fedora cmake.", trees.unwrapped(ran.stdout))


if __name__ == "__main__":
    unittest.main()
