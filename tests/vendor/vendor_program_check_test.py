"""The build's check of the two programs: an uninstaller that answers its
check wrongly, or not in time, and a wizard that is no program stop the
build with what every customer would see; a wizard importing a DLL of its
own gets the warning; a passed uninstaller is not run again."""
import os
import unittest

import vendor_trees as trees

UNDO_BOX = ('exit code 5 and the box "VutUndo.exe do not work and cannot be installed" '
            '(Czech: "VutUndo.exe nefunguje a nelze jej instalovat", '
            'Polish: "VutUndo.exe niepracuje i nemożna go instalovać")')
SKIP = "configure with -DSETUP_CHECK_PROGRAMS=OFF to skip this check"


class ProgramCheckTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.undo = trees.main_program("VutUndo.exe")
        cls.wizard = trees.main_program("wizard_with_helper.exe")

    def checked(self, tree, wizard, env=None):
        configured = trees.configure(tree, "-DSETUP_INSTALLER_PROGRAM=" + wizard,
                                     "-DSETUP_UNINSTALLER_PROGRAM=" + self.undo)
        self.assertEqual(configured.returncode, 0, configured.stdout)
        return trees.build(tree, "program_checks", env=env)

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
                      "known DLLs. The wizard runs elevated from the user's temporary folder, where a DLL of "
                      "that name planted beforehand would be loaded first", said)
        self.assertIn("answered its check with exit 1001 (checked now)", said)
        self.assertNotIn("imports KERNEL32.dll, which", said)

        # Changed wizard, same uninstaller: the uninstaller is not run again.
        again = self.checked(tree, trees.main_program("VutSetup.exe"))
        self.assertEqual(again.returncode, 0, again.stdout)
        self.assertIn("answered its check with exit 1001 (checked before)", trees.unwrapped(again.stdout))

    def test_wizard_that_is_no_program_stops_the_build(self):
        tree = trees.tree("program-check", fresh=False)  # reuses what the other test compiled
        dll = trees.main_program("vendorhelper.dll")
        built = self.checked(tree, dll)
        self.assertNotEqual(built.returncode, 0, built.stdout)
        said = trees.unwrapped(built.stdout)
        self.assertIn(f"The installer wizard {dll} is not a Windows program: a DLL, not a program.", said)
        self.assertIn('exit code 3 and the box "Cannot run installation" (Czech: "Instalaci nelze spustit", '
                      'Polish: "Nie można uruchomić instalacje")', said)
        self.assertIn(SKIP, said)


if __name__ == "__main__":
    unittest.main()
