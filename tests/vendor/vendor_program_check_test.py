"""The build's check of the two programs: an uninstaller that answers its
check wrongly, or not in time, and a wizard that is no program or whose
signature does not verify stop the build with what every customer would see;
a wizard importing a DLL of its own, and each unsigned program, get their
warnings; a passed uninstaller is not run again."""
import os
import unittest

import vendor_trees as trees
from vendor_kit_test import broken_copy, certificate, signed_copy

UNDO_BOX = ('exit code 5 and the box "VutUndo.exe do not work and cannot be installed" '
            '(Czech: "VutUndo.exe nefunguje a nelze jej instalovat", '
            'Polish: "VutUndo.exe niepracuje i nemożna go instalovać")')
SKIP = "configure with -DSETUP_CHECK_PROGRAMS=OFF to skip this check"
UNSIGNED = ("is not signed. Windows 11's Smart App Control and App Control for Business policies block an "
            "unsigned program that has no reputation, and SmartScreen warns about it. Where it is blocked, ")
WIZARD_BOX = ('exit code 3 and the box "Cannot run installation" (Czech: "Instalaci nelze spustit", '
              'Polish: "Nie można uruchomić instalacje")')


class ProgramCheckTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.undo = trees.main_program("VutUndo.exe")
        cls.wizard = trees.main_program("wizard_with_helper.exe")

    def checked(self, tree, wizard, env=None):
        configured = trees.configure(tree, "-DSETUP_INSTALLER_PROGRAM=" + wizard,
                                     "-DSETUP_UNINSTALLER_PROGRAM=" + self.undo)
        self.assertEqual(configured.returncode, 0, configured.stdout)
        return trees.build(tree, "setup_exe", env=env)

    def test_uninstaller_breaking_its_check_stops_the_build(self):
        tree = trees.tree("program-check")
        # The stand-in answers as its test controls say.
        answered = self.checked(tree, self.wizard, env={"VUT_STANDIN_UNDO_EXIT": "7"})
        self.assertNotEqual(answered.returncode, 0, answered.stdout)
        said = trees.unwrapped(answered.stdout)
        self.assertIn(f"The uninstaller {self.undo} breaks Setup.exe's check: started as Setup.exe starts it "
                      "(from its home, with no arguments), it ended with exit code 7; Setup.exe needs it to end "
                      "within 10 s with an exit code from 1001 to 1100.", said)
        self.assertIn(UNDO_BOX, said)
        self.assertIn(SKIP, said)

        hung = self.checked(tree, self.wizard, env={"VUT_STANDIN_UNDO_SLEEP_MS": "30000"})
        self.assertNotEqual(hung.returncode, 0, hung.stdout)
        said = trees.unwrapped(hung.stdout)
        self.assertIn("it was still running after 10 s", said)
        self.assertIn(UNDO_BOX, said)

        # Answering within the range passes; the wizard's own DLL is warned of.
        passed = self.checked(tree, self.wizard)
        self.assertEqual(passed.returncode, 0, passed.stdout)
        said = trees.unwrapped(passed.stdout)
        self.assertIn("warning: the installer wizard imports vendorhelper.dll, which is not one of Windows's "
                      "known DLLs. The wizard runs elevated, and Windows looks for such a DLL along the search path "
                      "after the system folders, where a DLL of that name planted beforehand would be loaded",
                      said)
        self.assertIn("answered its check with exit 1001 (checked now)", said)
        self.assertNotIn("imports KERNEL32.dll, which", said)
        # Nothing is signed without a certificate: both are warned of.
        self.assertIn(f"warning: the installer wizard {self.wizard} {UNSIGNED}Setup.exe cannot start the wizard: "
                      f"the run ends with {WIZARD_BOX}, which does not name the cause. Set up signing "
                      "(SETUP_SIGN_PKCS11_MODULE with SETUP_SIGN_KEY, SETUP_SIGN_COMMAND or SETUP_SIGN_PKCS12) to sign "
                      "both programs.", said)
        self.assertIn(f"warning: the uninstaller {self.undo} {UNSIGNED}the uninstaller fails Setup.exe's check, "
                      f"twice: the run ends with {UNDO_BOX}, which does not name the cause.", said)

        # Changed wizard, same uninstaller: the uninstaller is not run again.
        again = self.checked(tree, trees.main_program("VutSetup.exe"))
        self.assertEqual(again.returncode, 0, again.stdout)
        self.assertIn("answered its check with exit 1001 (checked before)", trees.unwrapped(again.stdout))

    def test_wizard_that_is_no_program_or_badly_signed_stops_the_build(self):
        tree = trees.tree("program-check", fresh=False)  # reuses what the other test compiled
        files = trees.tree("program-check-files")
        key, cert = certificate(files, "signer", "/CN=Wizard Signer Test", "codeSigning")
        broken = broken_copy(signed_copy(self.wizard, os.path.join(files, "signed.exe"), key, cert),
                             os.path.join(files, "broken.exe"))
        dll = trees.main_program("vendorhelper.dll")
        # (wizard, what the build says)
        for wizard, said in (
                (dll, f"The installer wizard {dll} is not a Windows program: a DLL, not a program. "
                      f"Setup.exe could not start it: every customer's run would end with {WIZARD_BOX}."),
                (broken, f"{broken} carries an Authenticode signature that does not verify")):
            with self.subTest(wizard=os.path.basename(wizard)):
                built = self.checked(tree, wizard)
                self.assertNotEqual(built.returncode, 0, built.stdout)
                self.assertIn(said, trees.unwrapped(built.stdout))
                self.assertIn(SKIP, trees.unwrapped(built.stdout))


if __name__ == "__main__":
    unittest.main()
