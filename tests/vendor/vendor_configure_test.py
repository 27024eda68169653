"""The configure step rejects vendor settings that would give a wrong
Setup.exe, each with a message that names the setting and what is wrong."""
import os
import struct
import subprocess
import unittest

import vendor_trees as trees


def bitmap_image(size: int, bits: int = 32) -> bytes:
    mask_row = (size + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, 0, 0, 0, 0, 0)
    return header + b"\x80" * (size * size * bits // 8) + b"\0" * (mask_row * size)


def icon_file(path: str, images) -> str:
    """Writes an .ico of (size, image bytes) pairs, in the order given."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, image in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset + len(body))
        body += image
    with open(path, "wb") as f:
        f.write(out + body)
    return path


class VendorConfigureTest(unittest.TestCase):
    def setUp(self):
        self.files = trees.tree("configure-files")

    def rejects(self, settings, *expected):
        # A fresh tree each time: a cache keeps the settings of earlier runs.
        result = trees.configure(trees.tree("configure"), *settings)
        self.assertNotEqual(result.returncode, 0, result.stdout)
        said = trees.unwrapped(result.stdout)
        for text in expected:
            self.assertIn(text, said)
        return said

    def write(self, name: str, data: bytes) -> str:
        path = os.path.join(self.files, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_names_the_version_block_cannot_hold(self):
        self.rejects(["-DSETUP_COMPANY_NAME=Quelt\tSoftware"],
                     "SETUP_COMPANY_NAME: control character U+0009 at character 5")
        # CMake takes the bytes as they are; a Latin-1 "é" is no UTF-8.
        self.rejects([os.fsdecode(b"-DSETUP_PRODUCT_NAME=Caf\xe9")],
                     "SETUP_PRODUCT_NAME: not UTF-8 text (byte 0xe9 at 3)")
        said = self.rejects(["-DSETUP_LEGAL_COPYRIGHT=" + "©" * 11000],
                            "SETUP_LEGAL_COPYRIGHT: 11000 characters make the version block")
        self.assertIn("more than the 65535 it can hold", said)

    def test_winget_settings_that_make_no_manifest(self):
        self.rejects(["-DSETUP_WINGET_IDENTIFIER=Kvalita.Ucetnictvi"],
                     "SETUP_WINGET_IDENTIFIER and SETUP_WINGET_URL go together")
        url = "-DSETUP_WINGET_URL=https://kvalita.example/Setup.exe"
        for identifier in ("Kvalita", "Kvalita Soft.Ucetnictvi", "Kvalita.Účet/nictví"):
            self.rejects(["-DSETUP_WINGET_IDENTIFIER=" + identifier, url],
                         f"SETUP_WINGET_IDENTIFIER: '{identifier}' is not a winget identifier")
        self.rejects(["-DSETUP_WINGET_IDENTIFIER=Kvalita.Ucetnictvi", "-DSETUP_WINGET_URL=ftp://kvalita.example/"],
                     "SETUP_WINGET_URL: 'ftp://kvalita.example/' is not an http or https address")

    def test_icons_without_the_five_images_of_the_group(self):
        sizes = (64, 48, 32, 24, 16)
        missing = icon_file(os.path.join(self.files, "four.ico"), [(s, bitmap_image(s)) for s in sizes[:4]])
        self.rejects(["-DSETUP_ICON=" + missing],
                     f"SETUP_ICON: '{missing}' has 4 images (64x64 32-bit, 48x48 32-bit, 32x32 32-bit, 24x24 32-bit); "
                     "needed: exactly five 32-bit bitmap images of 64, 48, 32, 24 and 16 pixels")
        paletted = icon_file(os.path.join(self.files, "8bit.ico"),
                             [(s, bitmap_image(s, 8 if s == 32 else 32)) for s in sizes])
        self.rejects(["-DSETUP_ICON=" + paletted], "32x32 8-bit", "needed: exactly five")
        png = icon_file(os.path.join(self.files, "png.ico"),
                        [(s, b"\x89PNG\r\n\x1a\n" + b"\0" * 64 if s == 64 else bitmap_image(s)) for s in sizes])
        self.rejects(["-DSETUP_ICON=" + png], "64x64 PNG", "needed: exactly five")
        text = self.write("notes.ico", b"not an icon at all")
        self.rejects(["-DSETUP_ICON=" + text], f"SETUP_ICON: '{text}' is not an icon file")
        self.rejects(["-DSETUP_ICON=" + os.path.join(self.files, "none.ico")], "SETUP_ICON: icon file", "does not exist")

    def test_signing_inputs_that_cannot_sign(self):
        key, cert = os.path.join(self.files, "key.pem"), os.path.join(self.files, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-keyout", key, "-out", cert, "-days", "2",
                        "-nodes", "-subj", "/CN=Test Vendor"], check=True, capture_output=True)
        password = self.write("password.txt", b"right horse\n")
        wrong = self.write("wrong.txt", b"battery staple\n")
        p12 = os.path.join(self.files, "vendor.p12")
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", p12,
                        "-passout", "file:" + password], check=True, capture_output=True)
        keyless = os.path.join(self.files, "keyless.p12")
        subprocess.run(["openssl", "pkcs12", "-export", "-nokeys", "-in", cert, "-out", keyless,
                        "-passout", "file:" + password], check=True, capture_output=True)

        self.rejects(["-DSETUP_SIGN_PKCS12=" + os.path.join(self.files, "none.p12"), "-DSETUP_SIGN_PASSWORD_FILE=" + password],
                     "SETUP_SIGN_PKCS12: certificate file", "none.p12' does not exist")
        self.rejects(["-DSETUP_SIGN_PKCS12=" + p12], "SETUP_SIGN_PASSWORD_FILE is not set")
        self.rejects(["-DSETUP_SIGN_PKCS12=" + p12, "-DSETUP_SIGN_PASSWORD_FILE=" + os.path.join(self.files, "none.txt")],
                     "SETUP_SIGN_PASSWORD_FILE: password file", "none.txt' does not exist")
        self.rejects(["-DSETUP_SIGN_PKCS12=" + p12, "-DSETUP_SIGN_PASSWORD_FILE=" + wrong],
                     f"SETUP_SIGN_PASSWORD_FILE: the password in '{wrong}' does not open '{p12}'")
        self.rejects(["-DSETUP_SIGN_PKCS12=" + cert, "-DSETUP_SIGN_PASSWORD_FILE=" + password],
                     f"SETUP_SIGN_PKCS12: '{cert}' is not a PKCS#12 (.p12/.pfx) file")
        self.rejects(["-DSETUP_SIGN_PKCS12=" + keyless, "-DSETUP_SIGN_PASSWORD_FILE=" + password],
                     "holds no private key")
        self.rejects(["-DSETUP_SIGN_PASSWORD_FILE=" + password], "SETUP_SIGN_PASSWORD_FILE is set, but no key is")

    def test_a_token_that_cannot_sign(self):
        key, cert = os.path.join(self.files, "key.pem"), os.path.join(self.files, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-keyout", key, "-out", cert, "-days", "2",
                        "-nodes", "-subj", "/CN=Test Vendor"], check=True, capture_output=True)
        uri = trees.softhsm_token(self.files, key, cert)
        pin, wrong = self.write("pin.txt", b"1234\n"), self.write("wrong.txt", b"4321\n")
        token = ["-DSETUP_SIGN_PKCS11_MODULE=" + trees.SOFTHSM_MODULE, "-DSETUP_SIGN_CERTS=" + cert]
        self.rejects(token + ["-DSETUP_SIGN_KEY=" + uri, "-DSETUP_SIGN_PIN_FILE=" + wrong],
                     f"SETUP_SIGN_PIN_FILE: the token refused the PIN in '{wrong}' for {uri} (PIN incorrect)")
        missing = uri.replace("object=codesign", "object=elsewhere")
        self.rejects(token + ["-DSETUP_SIGN_KEY=" + missing, "-DSETUP_SIGN_PIN_FILE=" + pin],
                     f"SETUP_SIGN_KEY: no private key at {missing} behind {trees.SOFTHSM_MODULE}")
        self.rejects(["-DSETUP_SIGN_PKCS11_MODULE=" + key, "-DSETUP_SIGN_CERTS=" + cert, "-DSETUP_SIGN_KEY=" + uri,
                      "-DSETUP_SIGN_PIN_FILE=" + pin], f"SETUP_SIGN_PKCS11_MODULE: '{key}' does not load as a PKCS#11 module")

    def test_settings_the_kit_does_not_know_or_cannot_take(self):
        self.rejects(["-DSETUP_SIGN_PKCS=" + self.files],
                     "SETUP_SIGN_PKCS is not a setting of the vendor kit: did you mean SETUP_SIGN_PKCS12?")
        # The vendor file: a plain set() of a misspelt name is caught as well.
        vendor = self.write("vendor.cmake", b'set(SETUP_PRODUCT_NAME "Kvalita")\nset(SETUP_PRODCT_URL https://k.example/)\n')
        self.rejects(["-DSETUP_VENDOR_FILE=" + vendor],
                     "SETUP_PRODCT_URL is not a setting of the vendor kit: did you mean SETUP_PRODUCT_URL?")
        self.rejects(["-DSETUP_REQUIRE_SIGNING=ON"], "SETUP_REQUIRE_SIGNING is on, but no signing setting is given")
        self.rejects(["-DSETUP_PRODUCT_VERSION=2.5.70000"],
                     "SETUP_PRODUCT_VERSION: '2.5.70000' is not a version of one to four numbers from 0 to 65535")


if __name__ == "__main__":
    unittest.main()
