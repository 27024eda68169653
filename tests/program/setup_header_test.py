#!/usr/bin/python3
"""The shipping Setup.exe's PE header, read with pefile: a load configuration
whose DependentLoadFlags resolve its static imports from System32 alone, and
the terminal-server flag, without which a terminal server gives it a per-user
Windows folder.

  setup_header_test.py SETUP_EXE
"""
import sys
import unittest

import pefile

LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
TERMINAL_SERVER_AWARE = 0x8000
PROGRAM = sys.argv.pop(1) if len(sys.argv) > 1 else "build/bin/Setup.exe"


class SetupHeader(unittest.TestCase):
    def setUp(self):
        self.pe = pefile.PE(PROGRAM)

    def test_static_imports_are_resolved_from_system32_alone(self):
        entry = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG"]]
        self.assertEqual(entry.Size, 0x40)
        config = self.pe.DIRECTORY_ENTRY_LOAD_CONFIG.struct
        self.assertEqual(config.Size, 0x40, "no SafeSEH table or control-flow guard is declared")
        # Older pefile calls the field by its former name.
        flags = getattr(config, "DependentLoadFlags", getattr(config, "Reserved1", None))
        self.assertEqual(flags, LOAD_LIBRARY_SEARCH_SYSTEM32)
        self.assertEqual(config.SecurityCookie, 0)

    def test_is_terminal_server_aware_with_the_protections_it_had(self):
        # Dynamic base and NX compatible as before, and aware of terminal servers.
        self.assertEqual(self.pe.OPTIONAL_HEADER.DllCharacteristics, 0x0140 | TERMINAL_SERVER_AWARE)


if __name__ == "__main__":
    unittest.main()
