#!/usr/bin/env python3
"""The real Linux executable on this machine, for what needs no firmware: the
privilege check, the data file's statuses and the narrowing of the exit status.
Cases that would reach the firmware run only where the machine has none."""
import argparse
import os
import subprocess
import sys
import tempfile
import unittest

DATA_FILE = "bcm943241ipaagb_p100.bin"
ARGS = None
HAS_EFI = os.path.exists("/sys/firmware/efi")
AS_NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]

# name, data file (bytes, "dir" or None), arguments, run as nobody, exit status
CASES = [
    ("no privilege, write", b"x" * 10, [], True, 34),
    ("no privilege, verify", b"x" * 10, ["/Verify"], True, 34),
    ("no privilege wins over a missing data file", None, [], True, 34),
    ("no privilege wins over a bad command line", b"x", ["a", "b"], True, 34),
    ("no data file", None, [], False, 110),
    ("no data file, verify", None, ["-verify"], False, 110),
    ("folder in the data file's place", "dir", [], False, 110),
    ("data file of 4097 bytes", b"x" * 4097, [], False, 122),
    ("data file of 4097 bytes, bad command line", b"x" * 4097, ["x", "y"], False, 122),
]
# Reaching the firmware: no UEFI services here, which is status 1 as on Windows.
NO_FIRMWARE_CASES = [
    ("write without UEFI", b"x" * 10, [], False, 1),
    ("verify without UEFI", b"x" * 10, ["/VERIFY"], False, 1),
    ("empty image without UEFI", b"", [], False, 1),
]


class LinuxExecutable(unittest.TestCase):
    def run_case(self, data, args, nobody):
        with tempfile.TemporaryDirectory() as cwd:
            os.chmod(cwd, 0o755)
            path = os.path.join(cwd, DATA_FILE)
            if data == "dir":
                os.mkdir(path)
            elif data is not None:
                with open(path, "wb") as f:
                    f.write(data)
            cmd = (AS_NOBODY if nobody else []) + [ARGS.exe] + args
            return subprocess.run(cmd, cwd=cwd, capture_output=True, stdin=subprocess.DEVNULL, timeout=30)

    def check(self, cases):
        for name, data, args, nobody, status in cases:
            with self.subTest(name):
                if nobody and os.geteuid() != 0:
                    self.skipTest("needs root to drop to nobody")
                done = self.run_case(data, args, nobody)
                self.assertEqual(done.returncode, status)
                self.assertEqual((done.stdout, done.stderr), (b"", b""), "the tool must print nothing")

    def test_statuses_before_the_firmware(self):
        self.check(CASES)

    @unittest.skipIf(HAS_EFI, "this machine has UEFI firmware, which these cases would write")
    def test_no_uefi_services(self):
        self.check(NO_FIRMWARE_CASES)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.exe = os.path.abspath(ARGS.exe)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
