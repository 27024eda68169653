"""A vendor's Setup.exe from one configure and build of the vendor file: its
names and version in all three version tables, its icon in the group's order,
signed with a throwaway key on a SoftHSM2 token and time-stamped by a
responder on 127.0.0.1 (after a server that refuses and one that never
answers), verified, summed up in Setup.json, run for real, and no longer
verifying once a record is changed. The wizard arrives signed by another
certificate and keeps that signature; the uninstaller arrives unsigned and is
signed with the vendor's. Signing that cannot be done stops the build; a .p12
file and a signing command then sign the same tree."""
import http.server
import json
import hashlib
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zlib

import yaml

import pe_file
import vendor_trees as trees
from vendor_configure_test import bitmap_image

COMPANY = 'Firma "Kvalita" s.r.o. \\ Brno'
PRODUCT = "Žluťoučký instalátor; edice 😀"
COPYRIGHT = "© 2026 Firma Kvalita, všechna práva vyhrazena"
VERSION = "2.5.1.7"  # as the vendor file gives it
FIXED = {"FileDescription": "Setup Loader", "FileVersion": VERSION, "InternalName": "SETUP",
         "OriginalFilename": "Setup.exe", "ProductVersion": VERSION}
TIMESTAMP_TIMEOUT_S = 5
SIZES = (64, 48, 32, 24, 16)
VENDOR, OTHER, TSA = "/CN=Firma Kvalita Test", "/CN=Other Vendor Test", "/CN=Kvalita Test Time Stamps"


def coloured_image(size: int, shade: int) -> bytes:
    image = bytearray(bitmap_image(size))
    image[40:40 + size * size * 4] = bytes([shade, 0x40, 0x80, 0xFF]) * (size * size)
    return bytes(image)


def run_windows(tree: str, program: str, *args: str, env: dict) -> subprocess.CompletedProcess:
    script = '. "$1/scripts/wine-env.sh"; shift; windows_job "$1" bash "$root/scripts/windows-program.sh" "$@"'
    return subprocess.run(["bash", "-c", script, "run", trees.ROOT, tree, program, *args],
                          env=dict(os.environ, root=trees.ROOT, **env), stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, errors="replace", timeout=1200)


def certificate(folder: str, name: str, subject: str, usage: str = "", issuer: str = "") -> tuple:
    """A throwaway key and certificate, self-signed or issued by <issuer>'s:
    (key, certificate) paths. Without a usage it is a certificate authority."""
    key, cert = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    extensions = ["-addext", "extendedKeyUsage=" + usage] if usage else []
    if not issuer:
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "2", "-subj", subject, *extensions], check=True, capture_output=True)
        return key, cert
    request = subprocess.run(["openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                              "-subj", subject], check=True, capture_output=True).stdout
    with tempfile.NamedTemporaryFile("w", dir=folder, suffix=".ext") as ext:
        ext.write(f"extendedKeyUsage={usage}\n")
        ext.flush()
        subprocess.run(["openssl", "x509", "-req", "-CA", issuer + ".pem", "-CAkey", issuer + ".key", "-days", "2",
                        "-out", cert, "-extfile", ext.name], input=request, check=True, capture_output=True)
    return key, cert


def signed_copy(program: str, output: str, key: str, cert: str) -> str:
    subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-h", "sha256", "-in", program,
                    "-out", output], check=True, capture_output=True)
    return output


def broken_copy(signed: str, output: str) -> str:
    """The signed program with one byte of its code changed after signing."""
    with open(signed, "rb") as f:
        data = bytearray(f.read())
    data[pe_file.read(signed).sections[0].PointerToRawData + 64] ^= 0x01
    with open(output, "wb") as f:
        f.write(data)
    return output


class TimeStampResponder:
    """An RFC 3161 time stamp authority on 127.0.0.1 alone: Debian's openssl ts
    makes each reply, http.server carries it, one request at a time (openssl
    ts keeps its serial number in a file). It stops at stop() or when its
    lifetime is over, whichever comes first."""
    LIFETIME_S = 2400

    def __init__(self, folder: str, key: str, cert: str, chain: str):
        config = os.path.join(folder, "tsa.cnf")
        with open(os.path.join(folder, "tsa.serial"), "w") as f:
            f.write("01\n")
        with open(config, "w") as f:
            f.write(f"[tsa]\ndefault_tsa = test\n[test]\nserial = {folder}/tsa.serial\n"
                    f"signer_cert = {cert}\nsigner_key = {key}\ncerts = {chain}\nsigner_digest = sha256\n"
                    "default_policy = 1.2.3.4.1\ndigests = sha1, sha256, sha384, sha512\n"
                    "ess_cert_id_alg = sha256\n")
        responder = self
        self.answered = 0

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
                with tempfile.TemporaryDirectory(dir=folder) as work:
                    with open(os.path.join(work, "query.tsq"), "wb") as f:
                        f.write(query)
                    made = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile",
                                           os.path.join(work, "query.tsq"), "-out", os.path.join(work, "reply.tsr")],
                                          capture_output=True, timeout=60)
                    if made.returncode:
                        self.send_error(500, "openssl ts made no reply")
                        return
                    with open(os.path.join(work, "reply.tsr"), "rb") as f:
                        reply = f.read()
                self.send_response(200)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)
                responder.answered += 1

            def log_message(self, *args):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/"
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        self.lifetime = threading.Timer(self.LIFETIME_S, self.server.shutdown)
        self.lifetime.daemon = True
        self.lifetime.start()

    def stop(self):
        self.lifetime.cancel()
        self.server.shutdown()
        self.server.server_close()
        self.thread.join(timeout=30)


class VendorKitTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tree = trees.tree("kit")
        files = cls.files = trees.tree("kit-files")
        # A test root issues the vendor's certificate and the time stamp
        # authority's; the certificate file carries the root, as a vendor's
        # carries its chain. Another vendor's certificate signed the wizard.
        certificate(files, "root", "/CN=Kvalita Test Root")
        cls.root = os.path.join(files, "root.pem")
        key, cert = certificate(files, "vendor", VENDOR, "codeSigning", issuer=os.path.join(files, "root"))
        tsa_key, tsa_cert = certificate(files, "tsa", TSA, "critical,timeStamping", issuer=os.path.join(files, "root"))
        other_key, cls.other = certificate(files, "other", OTHER, "codeSigning")
        cls.password = os.path.join(files, "password.txt")
        with open(cls.password, "w") as f:
            f.write("right horse\n")
        # The vendor's key lives on a token; the certificate file carries the chain.
        cls.certs = os.path.join(files, "vendor-chain.pem")
        with open(cls.certs, "w") as out, open(cert) as own, open(cls.root) as root:
            out.write(own.read() + root.read())
        cls.key = trees.softhsm_token(files, key, cert)
        cls.pin = os.path.join(files, "pin.txt")
        with open(cls.pin, "w") as f:
            f.write(trees.TOKEN_PIN + "\n")
        cls.other_key = other_key
        cls.p12 = os.path.join(files, "vendor.p12")
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-certfile", cls.root,
                        "-out", cls.p12, "-passout", "file:" + cls.password], check=True, capture_output=True)
        cls.wizard = signed_copy(trees.main_program("VutSetup.exe"), os.path.join(files, "wizard-signed.exe"),
                                 other_key, cls.other)
        cls.broken = broken_copy(cls.wizard, os.path.join(files, "wizard-broken.exe"))
        cls.responder = TimeStampResponder(files, tsa_key, tsa_cert, cls.root)
        cls.addClassCleanup(cls.responder.stop)
        # The vendor's icon lists its images out of order; the group needs 64 to 16.
        cls.images = {size: coloured_image(size, shade) for size, shade in zip(SIZES, (10, 20, 30, 40, 50))}
        from vendor_configure_test import icon_file
        cls.icon = icon_file(os.path.join(files, "vendor.ico"), [(s, cls.images[s]) for s in (16, 64, 32, 48, 24)])

        # Time stamp servers in order: one refuses (bound, never listening),
        # one accepts and never answers (a backlog nobody reads), the last one
        # answers.
        cls.refusing, cls.silent = socket.socket(), socket.socket()
        for server in (cls.refusing, cls.silent):
            cls.addClassCleanup(server.close)
            server.bind(("127.0.0.1", 0))
        cls.silent.listen(8)
        cls.servers = [f"http://127.0.0.1:{s.getsockname()[1]}/" for s in (cls.refusing, cls.silent)]

        cls.settings = {"SETUP_INSTALLER_PROGRAM": cls.wizard, "SETUP_ICON": cls.icon,
                        "SETUP_SIGN_PKCS11_MODULE": trees.SOFTHSM_MODULE, "SETUP_SIGN_KEY": cls.key,
                        "SETUP_SIGN_CERTS": cls.certs, "SETUP_SIGN_PIN_FILE": cls.pin,
                        "SETUP_SIGN_TIMESTAMP_URL": ";".join(cls.servers + [cls.responder.url]),
                        "SETUP_SIGN_TIMESTAMP_TIMEOUT": str(TIMESTAMP_TIMEOUT_S), "SETUP_SIGN_COMMAND": "",
                        "SETUP_SIGN_PKCS12": "", "SETUP_SIGN_PASSWORD_FILE": "", "SETUP_CHECK_PROGRAMS": "ON",
                        "SETUP_SIGN_TRUSTED_ROOTS": cls.root}
        configured = trees.configure(cls.tree, "-DSETUP_VENDOR_FILE=" + os.path.join(trees.ROOT, "tests", "vendor",
                                                                                    "kvalita.cmake"),
                                     *cls.defined(cls.settings))
        assert configured.returncode == 0, configured.stdout
        started = time.monotonic()
        cls.built = trees.build(cls.tree)
        assert cls.built.returncode == 0, cls.built.stdout
        print(f"the signed tree built in {time.monotonic() - started:.0f} s", file=sys.stderr)
        cls.stamps = cls.responder.answered
        cls.setup = os.path.join(cls.tree, "bin", "Setup.exe")
        cls.program = pe_file.read(cls.setup)

    @staticmethod
    def defined(settings: dict) -> list:
        return [f"-D{name}={value}" for name, value in settings.items()]

    def verify(self, path: str, trusted: str = "") -> subprocess.CompletedProcess:
        trusted = trusted or self.root
        return subprocess.run(["osslsigncode", "verify", "-CAfile", trusted, "-TSA-CAfile", trusted, "-in", path],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")

    def test_names_stand_in_all_three_version_tables(self):
        tables = pe_file.version_tables(self.program)
        self.assertEqual(list(tables), ["04090000", "040504e2", "041504e2"])  # in the order stored
        for key, table in tables.items():
            self.assertEqual(table, dict(FIXED, CompanyName=COMPANY, ProductName=PRODUCT, LegalCopyright=COPYRIGHT),
                             key)

    def test_version_stands_in_the_fixed_block(self):
        fixed = self.program.VS_FIXEDFILEINFO[0]
        for ms, ls in ((fixed.FileVersionMS, fixed.FileVersionLS), (fixed.ProductVersionMS, fixed.ProductVersionLS)):
            self.assertEqual((ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF), (2, 5, 1, 7))

    def test_icon_group_carries_the_vendor_images_from_64_to_16_pixels(self):
        resources = pe_file.resources(self.program)
        for number, size in enumerate(SIZES, start=1):
            self.assertEqual(resources[(pe_file.RT_ICON, number, 0)], self.images[size], f"image {number}")

    def test_signed_file_verifies_names_the_product_and_carries_a_time_stamp(self):
        verified = self.verify(self.setup)
        self.assertEqual(verified.returncode, 0, verified.stdout)
        self.assertIn("Subject: " + VENDOR, verified.stdout)
        self.assertIn(PRODUCT, verified.stdout)
        self.assertIn("https://kvalita.example/", verified.stdout)
        self.assertIn("Timestamp time:", verified.stdout)
        self.assertIn("Subject: " + TSA, verified.stdout)
        self.assertIn("Timestamp Server Signature verification: ok", verified.stdout)
        # Setup.exe and the uninstaller; the wizard kept its own signature.
        self.assertEqual(self.stamps, 2)

    def test_records_carry_the_signed_uninstaller_and_the_wizard_as_it_came(self):
        resources = pe_file.resources(self.program)
        carried = os.path.join(self.tree, "carried")
        self.assertFalse(pe_file.is_signed(pe_file.read(os.path.join(self.tree, "bin", "VutUndo.exe"))),
                         "the stand-in arrives unsigned")
        # (record, the file it must hold byte for byte, trusted root, signer)
        for number, expected, trusted, signer in (
                (1, self.wizard, self.other, OTHER),
                (2, os.path.join(carried, "VutUndo.exe"), self.root, VENDOR)):
            with self.subTest(record=number):
                record = resources[(pe_file.RT_RCDATA, number, 0)]
                program = zlib.decompress(record[4:])
                self.assertEqual(int.from_bytes(record[:4], "little"), len(program))
                with open(expected, "rb") as f:
                    self.assertEqual(program, f.read())
                inflated = os.path.join(self.files, f"record{number}.exe")
                with open(inflated, "wb") as f:
                    f.write(program)
                verified = self.verify(inflated, trusted)
                self.assertEqual(verified.returncode, 0, verified.stdout)
                self.assertIn("Subject: " + signer, verified.stdout)

    def test_build_reports_every_signature(self):
        said = trees.unwrapped(self.built.stdout)
        self.assertIn(f"kept the signature of {self.wizard}, signed by {OTHER}, in ", said)
        self.assertIn(f"warning: the signer of {self.wizard}, {OTHER}, chains to no root of SETUP_SIGN_TRUSTED_ROOTS "
                      f"('{self.root}')", said)
        self.assertIn(f"signed {self.tree}/carried/VutUndo.exe: {VENDOR}, time stamp of ", said)
        self.assertIn(f"signed {self.setup}: {VENDOR}, time stamp of ", said)
        refusing, silent = self.servers
        self.assertIn(f"time stamp for {self.tree}/unsigned/Setup.exe from {self.responder.url}, after: {refusing} "
                      f"failed: HTTP failure: Failed to get data from {refusing} (Connection refused); {silent} did "
                      f"not answer within {TIMESTAMP_TIMEOUT_S} s", said)
        self.assertIn(f"installer wizard {self.tree}/carried/VutSetup.exe: i386 program, signed by {OTHER}, ", said)
        self.assertIn(f"uninstaller {self.tree}/carried/VutUndo.exe: i386 program, signed by {VENDOR}, ", said)
        self.assertNotIn("is not signed", said)

    def test_setup_json_names_every_file_its_signer_and_the_warnings(self):
        with open(os.path.join(self.tree, "bin", "Setup.json"), encoding="utf-8") as f:
            summary = json.load(f)
        carried = os.path.join(self.tree, "carried")
        files = [summary["setup"]] + summary["carried"]
        self.assertEqual([entry["path"] for entry in files],
                         [self.setup, os.path.join(carried, "VutSetup.exe"), os.path.join(carried, "VutUndo.exe")])
        for entry in files:
            with open(entry["path"], "rb") as f:
                data = f.read()
            self.assertEqual((entry["size"], entry["sha256"]), (len(data), hashlib.sha256(data).hexdigest()))
        self.assertEqual([(e.get("done"), e["signature"]["signer"]) for e in files],
                         [(None, VENDOR), ("kept", OTHER), ("signed", VENDOR)])
        self.assertEqual([bool(e["signature"]["timestamp"]) for e in files], [True, False, True])
        self.assertEqual((summary["version"], summary["signing"]), (VERSION, "pkcs11"))
        self.assertIn(f"the signer of {carried}/VutSetup.exe, {OTHER}, chains to no root", summary["warnings"][0])
        self.assertEqual(summary["trusted_roots"]["path"], self.root)
        for warning in summary["warnings"]:
            self.assertIn("warning: " + warning, trees.unwrapped(self.built.stdout))

    def test_winget_manifest_installs_the_built_file_silently_and_waits(self):
        with open(os.path.join(self.tree, "bin", "Setup.winget.yaml"), encoding="utf-8") as f:
            manifest = yaml.safe_load(f)
        # The installer manifest's required fields, and the types and patterns
        # its published schema (1.12.0) gives them.
        for field, kind in (("PackageIdentifier", str), ("PackageVersion", str), ("InstallerType", str),
                            ("Installers", list), ("ManifestType", str), ("ManifestVersion", str)):
            self.assertIsInstance(manifest.get(field), kind, field)
        self.assertRegex(manifest["PackageIdentifier"],
                         r'^[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}){1,7}$')
        self.assertEqual((manifest["PackageVersion"], manifest["ManifestType"], manifest["ManifestVersion"]),
                         (VERSION, "installer", "1.12.0"))
        with open(self.setup, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest().upper()
        self.assertEqual(manifest["Installers"], [{"Architecture": "x86", "InstallerSha256": digest,
                                                   "InstallerUrl": "https://kvalita.example/download/Setup.exe"}])
        self.assertEqual((manifest["InstallerType"], manifest["Scope"], manifest["ElevationRequirement"]),
                         ("exe", "machine", "elevatesSelf"))
        self.assertEqual(manifest["InstallerSwitches"],
                         {"Silent": "/s /w", "SilentWithProgress": "/w", "Log": '/log="<LOGPATH>"'})
        codes = {c["InstallerReturnCode"]: c["ReturnResponse"] for c in manifest["ExpectedReturnCodes"]}
        self.assertEqual(sorted(codes), [1, 2, 3, 4, 5])
        self.assertEqual(manifest["InstallerSuccessCodes"], [3010, 1641])
        responses = {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse",
                     "missingDependency", "diskFull", "insufficientMemory", "invalidParameter", "noNetwork",
                     "contactSupport", "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated",
                     "cancelledByUser", "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported",
                     "custom"}
        self.assertLessEqual(set(codes.values()), responses)

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
        # and the uninstaller in its home is the signed one, byte for byte.
        homes = [os.path.join(prefix, "drive_c", folder, "Quelt", "vutundo.exe")
                 for folder in ("Program Files", "Program Files (x86)")]
        home = next(path for path in homes if os.path.exists(path))
        with open(home, "rb") as placed, open(os.path.join(self.tree, "carried", "VutUndo.exe"), "rb") as own:
            self.assertEqual(placed.read(), own.read())

    def test_rebuild_runs_nothing_again(self):
        again = trees.build(self.tree)
        self.assertEqual(again.returncode, 0, again.stdout)
        self.assertIn("no work to do", again.stdout)

    def test_signing_that_fails_leaves_no_file_under_the_output_name(self):
        # Runs after the cases above (tests run in the order of their names):
        # each case changes the configured tree and puts it back. Nothing
        # listens on the closed port.
        previous = os.path.join(self.files, "previous-Setup.exe")
        shutil.copy(self.setup, previous)
        refusing = self.servers[0]
        command = {"SETUP_SIGN_PKCS11_MODULE": "", "SETUP_SIGN_KEY": "", "SETUP_SIGN_PIN_FILE": "",
                   "SETUP_SIGN_TIMESTAMP_URL": ""}
        # (case, PIN, changed settings, what the build says)
        for case, pin, settings, said in (
                ("wrong PIN", "4321", {},
                 (f"SETUP_SIGN_PIN_FILE: the token refused the PIN in '{self.pin}' for {self.key}",)),
                ("no time stamp server answering", trees.TOKEN_PIN, {"SETUP_SIGN_TIMESTAMP_URL": refusing},
                 ("no time stamp server (SETUP_SIGN_TIMESTAMP_URL, tried in order) stamped ",
                  f"which was not signed: {refusing} failed: HTTP failure: Failed to get data from {refusing} "
                  "(Connection refused)")),
                ("wizard with a broken signature", trees.TOKEN_PIN, {"SETUP_INSTALLER_PROGRAM": self.broken},
                 (f"{self.broken} carries an Authenticode signature that does not verify", "MISMATCH",
                  "the build does not sign over a broken signature")),
                ("signing command failing", trees.TOKEN_PIN, dict(command, SETUP_SIGN_COMMAND="false {in} {out}"),
                 ("the signing command (SETUP_SIGN_COMMAND) failed on ", "with exit code 1")),
                ("signing command writing an unsigned file", trees.TOKEN_PIN,
                 dict(command, SETUP_SIGN_COMMAND="cp {in} {out}"),
                 ("/VutUndo.exe does not verify against SETUP_SIGN_CERTS: ",))):
            with self.subTest(case):
                shutil.copy(previous, self.setup)  # what the last build left
                with open(self.pin, "w") as f:
                    f.write(pin + "\n")
                if settings:
                    self.assertEqual(trees.configure(self.tree, *self.defined(settings)).returncode, 0)
                built = trees.build(self.tree)
                if settings:
                    self.assertEqual(trees.configure(self.tree, *self.defined(self.settings)).returncode, 0)
                self.assertNotEqual(built.returncode, 0, built.stdout)
                for text in said:
                    self.assertIn(text, trees.unwrapped(built.stdout))
                self.assertFalse(os.path.exists(self.setup))
                self.assertFalse(os.path.exists(os.path.join(self.tree, "bin", "Setup.json")))
                self.assertTrue(os.path.exists(os.path.join(self.tree, "unsigned", "Setup.exe")))

    def test_then_a_p12_file_and_a_signing_command_sign_the_same_tree(self):
        # Runs last; without the program check, which the signed tree ran.
        service = os.path.join(self.files, "service.sh")
        with open(service, "w") as f:
            f.write("# Stands in for a remote signing service: another certificate signs.\n"
                    f'osslsigncode sign -certs {self.other} -key {self.other_key} -h sha256 -in "$1" -out "$2"\n')
        none = {"SETUP_SIGN_PKCS11_MODULE": "", "SETUP_SIGN_KEY": "", "SETUP_SIGN_PIN_FILE": "",
                "SETUP_SIGN_CERTS": "", "SETUP_SIGN_PKCS12": "", "SETUP_SIGN_PASSWORD_FILE": "",
                "SETUP_SIGN_COMMAND": "", "SETUP_SIGN_TIMESTAMP_URL": "", "SETUP_CHECK_PROGRAMS": "OFF",
                "SETUP_SIGN_TRUSTED_ROOTS": ""}
        # (case, settings, trusted root, signer, time-stamped)
        for case, settings, trusted, signer, stamped in (
                (".p12 file", dict(none, SETUP_SIGN_PKCS12=self.p12, SETUP_SIGN_PASSWORD_FILE=self.password,
                                   SETUP_SIGN_TIMESTAMP_URL=self.responder.url), self.root, VENDOR, True),
                ("signing command", dict(none, SETUP_SIGN_COMMAND=f"bash {service} {{in}} {{out}}",
                                         SETUP_SIGN_CERTS=self.other),
                 self.other, OTHER, False)):
            with self.subTest(case):
                self.assertEqual(trees.configure(self.tree, *self.defined(settings)).returncode, 0)
                built = trees.build(self.tree)
                self.assertEqual(built.returncode, 0, built.stdout)
                # Without a file of roots nothing is said of whom Windows would trust.
                self.assertNotIn("chains to no root", built.stdout)
                with open(os.path.join(self.tree, "bin", "Setup.json"), encoding="utf-8") as f:
                    self.assertIsNone(json.load(f)["trusted_roots"])
                for name, root, by in (("bin/Setup.exe", trusted, signer), ("carried/VutSetup.exe", self.other, OTHER),
                                       ("carried/VutUndo.exe", trusted, signer)):
                    verified = self.verify(os.path.join(self.tree, name), root)
                    self.assertEqual(verified.returncode, 0, verified.stdout)
                    self.assertIn("Subject: " + by, verified.stdout)
                    self.assertEqual("Timestamp time:" in verified.stdout, stamped and "VutSetup" not in name, name)


if __name__ == "__main__":
    unittest.main()
