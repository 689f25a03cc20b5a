#!/usr/bin/env python3
"""The real wlan-nvram.exe under Wine, over a table of cases.

Wine's firmware variable services are stubs that fail with ERROR_INVALID_FUNCTION (1)
and report each call on the fixme channel with the variable's name, namespace and size.
That tells a write of L bytes from a read offering 4096 bytes from no call at all.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

DATA_FILE = "bcm943241ipaagb_p100.bin"
GUID = "{74B00BD9-805A-4D61-B51F-43268123D113}"
CALL = re.compile(r'fixme:process:(Set|Get)FirmwareEnvironmentVariableW stub: L"([^"]*)" L"([^"]*)" \S+ (\d+)')

ARGS = None


def pattern(n):
    head = bytes([0x0D, 0x0A, 0x1A, 0x00, 0x0A, 0x0D])
    return (head + bytes((i * 131 + 7) % 251 for i in range(n)))[:n]


def write(n):
    return ("write", n)


READ = ("read", 4096)
NONE = None
SPARSE_4G_PLUS_5 = object()  # a sparse file of 4 GiB + 5 bytes
DIRECTORY = object()  # a folder in the data file's place

# name, data file (bytes, a marker or None for none), arguments, status, firmware call
CASES = [
    ("write", pattern(100), [], 1, write(100)),
    ("write empty image", b"", [], 1, write(0)),
    ("write full image", pattern(4096), [], 1, write(4096)),
    ("write keeps CR LF and 0x1A bytes", b"\r\n\x1a\r\n", [], 1, write(5)),
    ("verify", pattern(100), ["/Verify"], 1, READ),
    ("verify dash upper", pattern(100), ["-VERIFY"], 1, READ),
    ("verify slash lower", pattern(100), ["/verify"], 1, READ),
    ("verify mixed case", pattern(100), ["-vErIfY"], 1, READ),
    ("verify empty image", b"", ["/Verify"], 1, READ),
    ("verify full image", pattern(4096), ["/Verify"], 1, READ),
    ("no data file, write", None, [], 110, NONE),
    ("no data file, verify", None, ["/Verify"], 110, NONE),
    ("no data file, bad command line", None, ["a", "b"], 110, NONE),
    ("directory in the data file's place", DIRECTORY, [], 110, NONE),
    ("data file of 4097 bytes", pattern(4097), [], 122, NONE),
    ("data file of 4097 bytes, verify", pattern(4097), ["/Verify"], 122, NONE),
    ("sparse data file of 4 GiB + 5", SPARSE_4G_PLUS_5, [], 122, NONE),
    ("switch word alone", pattern(10), ["Verify"], 1, NONE),
    ("double dash", pattern(10), ["--Verify"], 1, NONE),
    ("trailing colon", pattern(10), ["/Verify:"], 1, NONE),
    ("short word", pattern(10), ["/Verif"], 1, NONE),
    ("lone slash", pattern(10), ["/"], 1, NONE),
    ("empty argument", pattern(10), [""], 1, NONE),
    ("backslash", pattern(10), ["\\Verify"], 1, NONE),
    ("accented letter", pattern(10), ["/V\u00e9rify"], 1, NONE),
    ("two switches", pattern(10), ["/Verify", "/Verify"], 1, NONE),
    ("three arguments", pattern(10), ["x", "y", "z"], 1, NONE),
]


class ExeUnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # One persistent wineserver for all the runs. Otherwise each run's own server
        # holds the captured stderr open until it lingers out, seconds per run.
        cls.wineserver = os.path.join(os.path.dirname(ARGS.wine), "wineserver")
        cls.server_env = dict(os.environ, WINEPREFIX=ARGS.prefix)
        subprocess.run([cls.wineserver, "-p"], env=cls.server_env, check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        subprocess.run([cls.wineserver, "-k"], env=cls.server_env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def run_exe(self, exe, cwd, args):
        env = dict(os.environ)
        env.update(WINEPREFIX=ARGS.prefix, WINEDEBUG="-all,fixme+process", DISPLAY="",
                   WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8")
        # Files, not pipes: Wine's helper processes inherit the streams and outlive the run.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run([ARGS.wine, exe] + args, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=err, timeout=120)
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read(), err.read()
        calls = [(("write" if m.group(1) == "Set" else "read"), m.group(2), m.group(3), int(m.group(4)))
                 for m in CALL.finditer(stderr.decode(errors="replace"))]
        return done.returncode, stdout, calls

    def test_cases(self):
        for name, data, args, status, call in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory(dir=ARGS.workdir) as cwd:
                path = os.path.join(cwd, DATA_FILE)
                if data is DIRECTORY:
                    os.mkdir(path)
                elif data is SPARSE_4G_PLUS_5:
                    with open(path, "wb") as f:
                        f.truncate(4 * 1024 ** 3 + 5)
                elif data is not None:
                    with open(path, "wb") as f:
                        f.write(data)

                rc, out, calls = self.run_exe(ARGS.exe, cwd, args)

                self.assertEqual(rc, status)
                self.assertEqual(out, b"", "the tool must print nothing")
                if call is None:
                    self.assertEqual(calls, [])
                else:
                    self.assertEqual(calls, [(call[0], "nvram", GUID, call[1])])

    def test_data_file_beside_the_executable_is_not_used(self):
        with tempfile.TemporaryDirectory(dir=ARGS.workdir) as top:
            tool_dir = os.path.join(top, "tool")
            elsewhere = os.path.join(top, "elsewhere")
            os.mkdir(tool_dir)
            os.mkdir(elsewhere)
            exe = shutil.copy(ARGS.exe, tool_dir)
            with open(os.path.join(tool_dir, DATA_FILE), "wb") as f:
                f.write(pattern(64))

            rc, out, calls = self.run_exe(exe, elsewhere, [])
            self.assertEqual((rc, out, calls), (110, b"", []))

            # The same executable finds the file once started in its folder.
            rc, out, calls = self.run_exe(exe, tool_dir, [])
            self.assertEqual((rc, calls), (1, [("write", "nvram", GUID, 64)]))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--workdir", default=None)
    ARGS, rest = parser.parse_known_args()
    ARGS.exe = os.path.abspath(ARGS.exe)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
