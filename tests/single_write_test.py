#!/usr/bin/env python3
"""Each efivarfs write hands the attribute word and the data over in one write() call:
the kernel passes each write to the firmware as one whole SetVariable. Traced with
strace over the layer's own tests, on the new, the existing and the immutable path."""
import os
import re
import subprocess
import sys
import tempfile

# test -> every write() to the variable file: the test's own set-up of an existing
# variable first (one write), then the layer's one write of 4 attribute bytes plus image.
TESTS = {
    "EfivarfsLayer.StoresAttributesAndDataInOneWrite": [4 + 4096],
    "EfivarfsLayer.RewritesAnExistingVariableWhole": [4 + 600, 4 + 3],
    "EfivarfsLayer.ZeroLengthWriteHandsOverTheAttributeWordAlone": [4 + 10, 4],
    "EfivarfsImmutable.IsLiftedForTheWriteAndRestored": [4 + 10, 4 + 32],
}
WRITE = re.compile(r'write\(\d+<[^>]*/nvram-74b00bd9-805a-4d61-b51f-43268123d113>, .*\) = (-?\d+)')


def main(tests_exe):
    failures = 0
    for test, sizes in TESTS.items():
        with tempfile.NamedTemporaryFile(mode="r") as log:
            subprocess.run(["strace", "-f", "-qq", "-y", "-s", "0", "-e", "trace=write", "-o", log.name,
                            tests_exe, "--gtest_filter=" + test], check=True, stdout=subprocess.DEVNULL,
                           # LeakSanitizer cannot run under ptrace; the sanitizer build is traced too.
                           env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
            results = [int(m.group(1)) for m in WRITE.finditer(log.read())]
        ok = results == sizes
        failures += not ok
        print(f"{'ok  ' if ok else 'FAIL'} {test}: writes to the variable {results}, expected {sizes}")
    print(f"{len(TESTS) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
