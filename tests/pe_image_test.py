#!/usr/bin/env python3
"""Checks the built wlan-nvram.exe as a user's machine would load it: what it imports,
its manifest, its version resource and its loader hardening."""
import argparse
import re
import sys
import unittest
import xml.etree.ElementTree as ET

import pefile

ARGS = None
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "msvcrt.dll"}


class PeImage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(ARGS.exe)

    def test_is_a_64_bit_console_program(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"])
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"])

    def test_imports_only_windows_system_dlls(self):
        names = {entry.dll.decode().lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertIn("kernel32.dll", names)
        self.assertIn("advapi32.dll", names)
        foreign = {n for n in names if n not in SYSTEM_DLLS and not n.startswith("api-ms-win-crt-")}
        self.assertEqual(foreign, set(), "a DLL that may be missing or planted beside the tool")

    def test_imports_the_firmware_and_privilege_calls(self):
        imported = {imp.name.decode() for entry in self.pe.DIRECTORY_ENTRY_IMPORT
                    for imp in entry.imports if imp.name}
        for name in ["SetFirmwareEnvironmentVariableW", "GetFirmwareEnvironmentVariableW", "OpenProcessToken",
                     "LookupPrivilegeValueW", "AdjustTokenPrivileges", "CloseHandle", "SetLastError"]:
            self.assertIn(name, imported)
        self.assertNotIn("SetFirmwareEnvironmentVariableExW", imported)

    def test_loader_hardening_is_on(self):
        flags = self.pe.OPTIONAL_HEADER.DllCharacteristics
        for flag in ["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE", "IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA",
                     "IMAGE_DLLCHARACTERISTICS_NX_COMPAT"]:
            self.assertTrue(flags & pefile.DLL_CHARACTERISTICS[flag], flag)
        self.assertTrue(self.pe.has_relocs(), "dynamic base needs relocations")

    def manifest(self):
        rt_manifest = pefile.RESOURCE_TYPE["RT_MANIFEST"]
        for kind in self.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if kind.id != rt_manifest:
                continue
            for entry in kind.directory.entries:
                if entry.id == 1:
                    data = entry.directory.entries[0].data.struct
                    return self.pe.get_data(data.OffsetToData, data.Size)
        self.fail("no RT_MANIFEST resource with id 1")

    def test_manifest_requires_administrator(self):
        root = ET.fromstring(self.manifest())
        levels = [e for e in root.iter() if e.tag.endswith("}requestedExecutionLevel")]
        self.assertEqual(len(levels), 1)
        self.assertEqual(levels[0].get("level"), "requireAdministrator")
        self.assertEqual(levels[0].get("uiAccess"), "false")
        supported = [e.get("Id") for e in root.iter() if e.tag.endswith("}supportedOS")]
        self.assertIn("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", supported)  # Windows 10 and 11

    def test_version_resource_carries_the_project_version(self):
        strings = {}
        for info in self.pe.FileInfo[0]:
            for table in getattr(info, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        self.assertEqual(strings.get("ProductName"), "wlan-nvram")
        self.assertEqual(strings.get("FileVersion"), ARGS.version)
        self.assertTrue(strings.get("FileDescription"))
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        numbers = [int(n) for n in re.findall(r"\d+", ARGS.version)][:3]
        self.assertEqual([fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16],
                         numbers)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--version", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
