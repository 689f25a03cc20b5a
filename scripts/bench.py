#!/usr/bin/env python3
"""Benchmark, not a test: in one boot of the throwaway UEFI machine, the median time of
N writes and N verifies of a 4096-byte image with wlan-nvram beside the same writes and
reads done by efivar; the syscalls of one verify run; the Windows executable's size and
DLL imports."""
import argparse
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "vm"))
import uefi_vm  # noqa: E402

# What a verify run cannot do without: the privilege check, open/length/read/close of
# the data file, open/read/close of the variable, and the exit.
MINIMUM = ["capget", "openat", "newfstatat|fstat", "read", "close", "openat", "read", "close", "exit_group"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=25)
    parser.add_argument("--exe", default=os.path.join(ROOT, "build", "linux", "wlan-nvram"))
    parser.add_argument("--timer", default=os.path.join(ROOT, "build", "linux", "bench-runs"))
    parser.add_argument("--windows-exe", default=os.path.join(ROOT, "build", "windows", "wlan-nvram.exe"))
    args = parser.parse_args()

    image = bytes((i * 131 + 7) % 251 for i in range(4096))
    kernel = uefi_vm.fetch_kernel(os.path.join(ROOT, "build", "linux", "vm", "cache"))
    machine = uefi_vm.Machine(os.path.join(ROOT, "build", "bench"), kernel)
    machine.build_initramfs([args.exe, "/usr/bin/efivar", "/usr/bin/strace", args.timer], {"/data/image": image})
    lines = machine.boot("bench", timeout=900, extra=f"runs={args.runs}")

    bench = {}
    for line in lines:
        m = re.match(r"BENCH (\S+) runs=(\d+) median_ns=(\d+) min_ns=(\d+) failures=(\d+)", line)
        if m:
            bench[m.group(1)] = (int(m.group(3)), int(m.group(4)), int(m.group(5)))
    print(f"{args.runs} runs each, 4096-byte image, OVMF under QEMU software emulation (TCG), one boot")
    print(f"{'operation':<28}{'median ms':>10}{'fastest ms':>12}{'failed':>8}")
    for key, label in [("tool_write", "wlan-nvram (write)"), ("efivar_write", "efivar -w"),
                       ("tool_verify", "wlan-nvram /Verify"), ("efivar_read", "efivar -p (read)")]:
        median, fastest, failures = bench[key]
        print(f"{label:<28}{median / 1e6:>10.2f}{fastest / 1e6:>12.2f}{failures:>8}")
    print(f"ratio wlan-nvram / efivar: write {bench['tool_write'][0] / bench['efivar_write'][0]:.2f}, "
          f"read {bench['tool_verify'][0] / bench['efivar_read'][0]:.2f}")

    trace = [line[len("STRACE "):] for line in lines if line.startswith("STRACE ")]
    calls = [m.group(1) for m in (re.match(r"(?:\d+\s+)?([a-z_0-9]+)\(", t) for t in trace) if m]
    own_start = calls.index("capget") if "capget" in calls else 0
    # setlocale, the run's first step, comes before the privilege check.
    own = calls[own_start:]
    print(f"syscalls of one verify run: {len(calls)} in all, {own_start} of them start-up "
          f"(loader, C library), {len(own)} from the privilege check on: {' '.join(own)}")
    print(f"minimum a verify needs: {len(MINIMUM)} ({' '.join(MINIMUM)})")

    if os.path.exists(args.windows_exe):
        import pefile
        pe = pefile.PE(args.windows_exe)
        dlls = sorted(e.dll.decode() for e in pe.DIRECTORY_ENTRY_IMPORT)
        print(f"Windows executable: {os.path.getsize(args.windows_exe):,} bytes, imports {', '.join(dlls)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
