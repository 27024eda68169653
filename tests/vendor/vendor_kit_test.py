"""A vendor's Setup.exe from one configure and build: its names in all three
version tables, its icon in the group's order, signed with a throwaway
certificate, verified, run for real, and no longer verifying once a record
is changed."""
import os
import subprocess
import unittest

import pe_file
import vendor_trees as trees
from vendor_configure_test import bitmap_image

COMPANY = 'Firma "Kvalita" s.r.o. \\ Brno'
PRODUCT = "Žluťoučký instalátor; edice 😀"
COPYRIGHT = "© 2026 Firma Kvalita, všechna práva vyhrazena"
FIXED = {"FileDescription": "Setup Loader", "FileVersion": "1.0", "InternalName": "SETUP",
         "OriginalFilename": "Setup.exe", "ProductVersion": "1.0"}
SIZES = (64, 48, 32, 24, 16)


def coloured_image(size: int, shade: int) -> bytes:
    image = bytearray(bitmap_image(size))
    image[40:40 + size * size * 4] = bytes([shade, 0x40, 0x80, 0xFF]) * (size * size)
    return bytes(image)


def run_windows(tree: str, program: str, *args: str, env: dict) -> subprocess.CompletedProcess:
    script = '. "$1/scripts/wine-env.sh"; shift; windows_job "$1" bash "$root/scripts/windows-program.sh" "$@"'
    return subprocess.run(["bash", "-c", script, "run", trees.ROOT, tree, program, *args],
                          env=dict(os.environ, root=trees.ROOT, **env), stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, errors="replace", timeout=1200)


class VendorKitTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tree = trees.tree("kit")
        files = cls.files = trees.tree("kit-files")
        key, cls.cert = os.path.join(files, "key.pem"), os.path.join(files, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-keyout", key, "-out", cls.cert,
                        "-days", "2", "-nodes", "-subj", "/CN=Firma Kvalita Test", "-addext",
                        "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
        cls.password = os.path.join(files, "password.txt")
        with open(cls.password, "w") as f:
            f.write("right horse\n")
        cls.p12 = os.path.join(files, "vendor.p12")
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cls.cert, "-out", cls.p12,
                        "-passout", "file:" + cls.password], check=True, capture_output=True)
        # The vendor's icon lists its images out of order; the group needs 64 to 16.
        cls.images = {size: coloured_image(size, shade) for size, shade in zip(SIZES, (10, 20, 30, 40, 50))}
        from vendor_configure_test import icon_file
        cls.icon = icon_file(os.path.join(files, "vendor.ico"), [(s, cls.images[s]) for s in (16, 64, 32, 48, 24)])

        configured = trees.configure(
            cls.tree, "-DSETUP_COMPANY_NAME=" + COMPANY, "-DSETUP_PRODUCT_NAME=" + PRODUCT,
            "-DSETUP_LEGAL_COPYRIGHT=" + COPYRIGHT, "-DSETUP_PRODUCT_URL=https://kvalita.example/",
            "-DSETUP_ICON=" + cls.icon, "-DSETUP_SIGN_PKCS12=" + cls.p12,
            "-DSETUP_SIGN_PASSWORD_FILE=" + cls.password)
        assert configured.returncode == 0, configured.stdout
        cls.built = trees.build(cls.tree)
        assert cls.built.returncode == 0, cls.built.stdout
        cls.setup = os.path.join(cls.tree, "bin", "Setup.exe")
        cls.program = pe_file.read(cls.setup)

    def verify(self, path: str) -> subprocess.CompletedProcess:
        return subprocess.run(["osslsigncode", "verify", "-CAfile", self.cert, "-in", path],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")

    def test_names_stand_in_all_three_version_tables(self):
        tables = pe_file.version_tables(self.program)
        self.assertEqual(list(tables), ["04090000", "040504e2", "041504e2"])  # in the order stored
        for key, table in tables.items():
            self.assertEqual(table, dict(FIXED, CompanyName=COMPANY, ProductName=PRODUCT, LegalCopyright=COPYRIGHT),
                             key)

    def test_icon_group_carries_the_vendor_images_from_64_to_16_pixels(self):
        resources = pe_file.resources(self.program)
        for number, size in enumerate(SIZES, start=1):
            self.assertEqual(resources[(pe_file.RT_ICON, number, 0)], self.images[size], f"image {number}")

    def test_signed_file_verifies_and_names_the_product(self):
        verified = self.verify(self.setup)
        self.assertEqual(verified.returncode, 0, verified.stdout)
        self.assertIn("Firma Kvalita Test", verified.stdout)
        self.assertIn(PRODUCT, verified.stdout)
        self.assertIn("https://kvalita.example/", verified.stdout)
        self.assertIn("Signing", self.built.stdout)

    def test_changed_record_breaks_the_signature(self):
        with open(self.setup, "rb") as f:
            data = bytearray(f.read())
        record = pe_file.resources(self.program)[(pe_file.RT_RCDATA, 1, 0)]
        at = data.find(record)
        self.assertGreater(at, 0)
        data[at + len(record) // 2] ^= 0x01
        changed = os.path.join(self.files, "changed.exe")
        with open(changed, "wb") as f:
            f.write(data)
        verified = self.verify(changed)
        self.assertNotEqual(verified.returncode, 0, verified.stdout)
        self.assertIn("MISMATCH", verified.stdout)

    def test_signed_file_runs_end_to_end(self):
        prefix = os.environ["SETUP_WINEPREFIX"]
        ran = run_windows(self.tree, self.setup, "/s", env={})
        self.assertEqual(ran.returncode, 0, ran.stdout)
        # Both records were found: the wizard started (exit code 0, not 2 or 4)
        # and the uninstaller in its home is the tree's own, byte for byte.
        homes = [os.path.join(prefix, "drive_c", folder, "Quelt", "vutundo.exe")
                 for folder in ("Program Files", "Program Files (x86)")]
        home = next(path for path in homes if os.path.exists(path))
        with open(home, "rb") as placed, open(os.path.join(self.tree, "bin", "VutUndo.exe"), "rb") as own:
            self.assertEqual(placed.read(), own.read())

    def test_rebuild_runs_nothing_again(self):
        again = trees.build(self.tree)
        self.assertEqual(again.returncode, 0, again.stdout)
        self.assertIn("no work to do", again.stdout)

    def test_signing_that_fails_leaves_no_file_under_the_output_name(self):
        # Runs last (tests run in the order of their names): the password
        # file changes under the configured tree.
        with open(self.password, "w") as f:
            f.write("battery staple\n")
        built = trees.build(self.tree)
        self.assertNotEqual(built.returncode, 0, built.stdout)
        self.assertIn(f"SETUP_SIGN_PASSWORD_FILE: the password in '{self.password}' does not open",
                      trees.unwrapped(built.stdout))
        self.assertFalse(os.path.exists(self.setup))
        self.assertTrue(os.path.exists(os.path.join(self.tree, "unsigned", "Setup.exe")))

if __name__ == "__main__":
    unittest.main()
