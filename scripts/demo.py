#!/usr/bin/env python3
"""The tool's main job on a throwaway UEFI machine: write a synthetic image with the
Linux executable, reboot, verify, change one byte and verify again. Prints a short
transcript; exits 0 when every step ended as expected."""
import argparse
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "vm"))
import uefi_vm  # noqa: E402

# The Linux build's exit values: a Windows status's low 8 bits.
MEANINGS = {
    0: "ERROR_SUCCESS",
    1: "ERROR_INVALID_FUNCTION: command line refused, or no UEFI firmware services",
    5: "ERROR_ACCESS_DENIED",
    13: "ERROR_INVALID_DATA: the variable differs from the image",
    19: "ERROR_WRITE_PROTECT: efivarfs is mounted read-only",
    30: "ERROR_READ_FAULT: the data file changed while being read",
    31: "ERROR_GEN_FAILURE: the firmware failed the call",
    34: "ERROR_PRIVILEGE_NOT_HELD (1314): not run as root",
    87: "ERROR_INVALID_PARAMETER: the firmware refused the size or data",
    110: "ERROR_OPEN_FAILED: the data file cannot be opened",
    122: "ERROR_INSUFFICIENT_BUFFER: data file or variable larger than 4096 bytes",
    170: "ERROR_NO_SYSTEM_RESOURCES (1450): the variable store is full",
    203: "ERROR_ENVVAR_NOT_FOUND: the variable does not exist",
}

# stage, case name, command shown, expected status, what it shows
STEPS = [
    ("demo1", "write", "wlan-nvram", 0, "the image is stored in the firmware variable"),
    ("demo1", "verify", "wlan-nvram /Verify", 0, "the variable holds exactly the image"),
    ("demo2", "verify_after_reboot", "wlan-nvram /Verify", 0, "after a reboot: the variable persisted"),
    ("demo2", "verify_changed", "wlan-nvram /Verify", 13, "after changing one byte of the data file"),
]


def sample_image():
    # Synthetic: a small header, then counting bytes with CR, LF and 0x1A among them.
    header = b"WLAN-NVRAM-SAMPLE\x00\r\n\x1a"
    return header + bytes((i * 7 + 3) % 256 for i in range(2048 - len(header)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", default=os.path.join(ROOT, "build", "linux", "wlan-nvram"))
    parser.add_argument("--windows-exe", default=os.path.join(ROOT, "build", "windows", "wlan-nvram.exe"))
    parser.add_argument("--workdir", default=os.path.join(ROOT, "build", "demo"))
    args = parser.parse_args()

    image = sample_image()
    changed = bytearray(image)
    changed[1000] ^= 0xFF
    print(f"A throwaway UEFI machine (QEMU, OVMF firmware, software emulation); data file: "
          f"a synthetic {len(image)}-byte image")
    kernel = uefi_vm.fetch_kernel(os.path.join(ROOT, "build", "linux", "vm", "cache"))
    machine = uefi_vm.Machine(args.workdir, kernel)
    machine.build_initramfs([args.exe], {"/data/sample": image, "/data/sample_changed": bytes(changed)})

    results, ok = {}, True
    for stage in ["demo1", "demo2"]:
        print(f"-- boot {stage[-1]}" + (" (same variable store)" if stage == "demo2" else ""))
        for line in machine.boot(stage):
            if line.startswith("CASE "):
                name, rc = line.split()[1], int(line.split()[2].split("=")[1])
                results[name] = rc
        for step_stage, name, shown, expected, what in STEPS:
            if step_stage != stage:
                continue
            rc = results.get(name)
            ok &= rc == expected
            mark = "ok" if rc == expected else f"UNEXPECTED (wanted {expected})"
            print(f"   {what}:\n     # {shown}\n     exit status {rc}  {MEANINGS.get(rc, '?')}  [{mark}]")

    if os.path.exists(args.windows_exe):
        print(f"Windows executable: {os.path.relpath(args.windows_exe, ROOT)} "
              f"({os.path.getsize(args.windows_exe):,} bytes)")
    else:
        print("Windows executable: not built")
        ok = False
    print("demo " + ("passed" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
