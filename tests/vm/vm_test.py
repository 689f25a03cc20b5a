#!/usr/bin/env python3
"""The Linux executable on real UEFI firmware: OVMF in a throwaway QEMU machine, two
boots over one variable store, as root and as an unprivileged user, with the efivar
tool as a second, independent reader and writer."""
import argparse
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import uefi_vm  # noqa: E402

ARGS = None
ATTRIBUTES = bytes([7, 0, 0, 0])


def pattern(n, seed):
    return bytes((i * 131 + seed * 17 + (i >> 8)) % 256 for i in range(n))


IMAGE = pattern(4096, 1)
SMALL = pattern(1000, 2)
OTHER = pattern(777, 3)
FILES = {
    "/data/image": IMAGE,
    "/data/image_flipped": IMAGE[:2048] + bytes([IMAGE[2048] ^ 0x01]) + IMAGE[2049:],
    "/data/image_4097": IMAGE + b"\x00",
    "/data/small": SMALL,
    "/data/small_long": SMALL + b"\x5a",
    "/data/other": OTHER,
    "/data/big": pattern(5000, 4),
    "/data/empty": b"",
}

# name -> (exit status, how the variable must look after it: "same" or "changed")
FIRST_BOOT = {
    "absent_verify": (203, "same"),
    "nopriv_write": (34, "same"),
    "nopriv_verify": (34, "same"),
    "write": (0, "changed"),
    "verify": (0, "same"),
    "verify_dash_upper": (0, "same"),
    "verify_lower": (0, "same"),
    "nopriv_write_existing": (34, "same"),
    "nopriv_verify_existing": (34, "same"),
    "one_byte_differs": (13, "same"),
    "no_data_file": (110, "same"),
    "no_data_file_verify": (110, "same"),
    "data_folder": (110, "same"),
    "data_too_long": (122, "same"),
    "data_too_long_verify": (122, "same"),
    "dangling_link": (110, "same"),
    "link_to_dev_zero": (110, "same"),
    "fifo": (110, "same"),
    "shrinks_while_read": (30, "same"),
    "shrinks_while_read_verify": (30, "same"),
    "link_to_huge_file": (122, "same"),
    "two_arguments": (1, "same"),
    "not_the_switch": (1, "same"),
    "short_switch": (1, "same"),
    "trailing_colon": (1, "same"),
    "lone_slash": (1, "same"),
    "empty_argument": (1, "same"),
    "unconvertible_argument": (1, "same"),
    "long_argument": (1, "same"),
    "write_small_long": (0, "changed"),
    "longer_variable": (13, "same"),
    "write_small": (0, "changed"),
    "shorter_variable": (13, "same"),
    "verify_efivar_written": (0, "same"),
    "larger_than_capacity": (122, "same"),
    "write_empty": (0, "changed"),
    "verify_empty_absent": (203, "same"),
    "delete_absent": (203, "same"),
    "no_efivarfs_write": (1, "same"),
    "no_efivarfs_verify": (1, "same"),
    "write_final": (0, "changed"),
}


def parse(lines):
    cases, hexes, efivar_rc, efivar_out, current = {}, {}, {}, {}, None
    for line in lines:
        if line.startswith("CASE "):
            m = re.match(r"CASE (\S+) rc=(\d+) before=(\S+) after=(\S+)", line)
            cases[m.group(1)] = (int(m.group(2)), m.group(3), m.group(4))
        elif line.startswith("HEX "):
            _, name, value = line.split(" ", 2)
            hexes[name] = None if value == "absent" else bytes.fromhex(value)
        elif line.startswith("EFIVAR_READ ") or line.startswith("EFIVAR_WRITE "):
            _, name, rc = line.split(" ")
            efivar_rc[name] = int(rc.split("=")[1])
            current = name
            efivar_out[name] = []
        elif line.startswith("EFIVAR ") and current:
            efivar_out[current].append(line[len("EFIVAR "):])
        elif line.startswith("EFIVAR_DONE"):
            current = None
    return cases, hexes, efivar_rc, efivar_out


def efivar_value(lines):
    """The bytes of efivar --print's hex dump ("00000000  21 97 ...  |...|")."""
    data = bytearray()
    for line in lines:
        m = re.match(r"\s*[0-9a-f]{8}\s+((?:[0-9a-f]{2}\s+)+)", line)
        if m and "Value:" not in line:
            data += bytes.fromhex(m.group(1).replace(" ", ""))
    return bytes(data)


class OnOvmf(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        kernel = uefi_vm.fetch_kernel(os.path.join(ARGS.workdir, "cache"))
        machine = uefi_vm.Machine(os.path.join(ARGS.workdir, "machine"), kernel)
        machine.build_initramfs([ARGS.exe, "/usr/bin/efivar"], FILES)
        cls.first = parse(machine.boot("first"))
        cls.second = parse(machine.boot("second"))

    def test_every_case_ends_with_its_status_and_touches_the_variable_only_when_it_writes(self):
        cases = self.first[0]
        for name, (status, effect) in FIRST_BOOT.items():
            with self.subTest(name):
                self.assertIn(name, cases, "the case did not run")
                rc, before, after = cases[name]
                self.assertEqual(rc, status)
                if effect == "same":
                    self.assertEqual(after, before, "the variable changed")
                else:
                    self.assertNotEqual(after, before, "the write changed nothing")

    def test_the_variable_file_holds_the_attributes_and_exactly_the_image(self):
        hexes = self.first[1]
        self.assertEqual(hexes["after_write"], ATTRIBUTES + IMAGE)
        self.assertEqual(hexes["before_reboot"], ATTRIBUTES + IMAGE)

    def test_a_zero_length_write_deletes_the_variable(self):
        cases = self.first[0]
        self.assertEqual(cases["write_empty"][2], "absent")
        self.assertEqual(cases["delete_absent"][1:], ("absent", "absent"))

    def test_the_variable_persists_across_a_reboot(self):
        cases, hexes = self.second[0], self.second[1]
        self.assertEqual(hexes["after_reboot"], ATTRIBUTES + IMAGE)
        self.assertEqual(cases["verify_after_reboot"][0], 0)

    def test_efivar_reads_back_what_the_tool_wrote(self):
        for boot, name in [(self.first, "after_write"), (self.second, "after_reboot")]:
            with self.subTest(name):
                rc, out = boot[2][name], boot[3][name]
                self.assertEqual(rc, 0, "\n".join(out))
                self.assertEqual(efivar_value(out), IMAGE)
                text = "\n".join(out)
                for attribute in ["Non-Volatile", "Boot Service Access", "Runtime Service Access"]:
                    self.assertIn(attribute, text)

    def test_the_tool_verifies_what_efivar_wrote(self):
        self.assertEqual(self.first[2]["by_efivar"], 0)
        self.assertEqual(self.first[1]["after_efivar_write"][4:], OTHER)
        self.assertEqual(self.first[0]["verify_efivar_written"][0], 0)
        self.assertEqual(self.first[2]["larger_than_capacity"], 0)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--workdir", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.exe = os.path.abspath(ARGS.exe)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
