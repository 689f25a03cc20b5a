"""A throwaway UEFI machine: QEMU with OVMF under software emulation, a Debian cloud
kernel taken from its package, and a tiny busybox initramfs that runs a guest script.
The firmware's variable store lives in a file, kept between boots."""
import glob
import gzip
import os
import re
import shutil
import subprocess

OVMF_CODE = "/usr/share/OVMF/OVMF_CODE_4M.fd"
OVMF_VARS = "/usr/share/OVMF/OVMF_VARS_4M.fd"
BUSYBOX = "/bin/busybox"
HERE = os.path.dirname(os.path.abspath(__file__))


def run(cmd, **kw):
    if "input" not in kw:
        kw["stdin"] = subprocess.DEVNULL
    return subprocess.run(cmd, check=True, **kw)


def fetch_kernel(cache):
    """Unpacks the cloud kernel's package into cache (once) and returns its folder."""
    root = os.path.join(cache, "kernel")
    if glob.glob(os.path.join(root, "boot", "vmlinuz-*")):
        return root
    os.makedirs(cache, exist_ok=True)
    for deb in glob.glob(os.path.join(cache, "*.deb")):
        os.remove(deb)
    depends = run(["apt-cache", "depends", "linux-image-cloud-amd64"], capture_output=True, text=True).stdout
    names = re.findall(r"Depends:\s*(linux-image-\S+-cloud-amd64)", depends)
    if not names:
        raise RuntimeError("no cloud kernel package known to apt; run apt-get update")
    for attempt in range(2):
        done = subprocess.run(["apt-get", "download", names[0]], cwd=cache, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True)
        if done.returncode == 0:
            break
        if attempt == 0 and os.geteuid() == 0:
            run(["apt-get", "update"], stdout=subprocess.DEVNULL)
        else:
            raise RuntimeError("apt-get download failed: " + done.stderr)
    deb = glob.glob(os.path.join(cache, "*.deb"))[0]
    shutil.rmtree(root, ignore_errors=True)
    run(["dpkg-deb", "-x", deb, root])
    os.remove(deb)
    return root


def shared_libraries(binary):
    # ldd fails on a static binary, which needs nothing.
    out = subprocess.run(["ldd", binary], capture_output=True, text=True, stdin=subprocess.DEVNULL).stdout
    return sorted(set(re.findall(r"(/\S+)\s+\(0x", out)))


class Machine:
    def __init__(self, workdir, kernel_root, memory_mb=256):
        self.workdir = workdir
        self.kernel = glob.glob(os.path.join(kernel_root, "boot", "vmlinuz-*"))[0]
        self.efivarfs = glob.glob(os.path.join(kernel_root, "lib", "modules", "*", "kernel", "fs", "efivarfs",
                                               "efivarfs.ko"))[0]
        self.memory_mb = memory_mb
        self.vars = os.path.join(workdir, "vars.fd")
        self.initrd = os.path.join(workdir, "initrd.gz")
        os.makedirs(workdir, exist_ok=True)
        shutil.copyfile(OVMF_VARS, self.vars)  # a fresh variable store for this machine

    def build_initramfs(self, programs, files):
        """programs: host binaries copied to /usr/bin with their libraries;
        files: guest path -> bytes. The guest script becomes /init."""
        root = os.path.join(self.workdir, "root")
        shutil.rmtree(root, ignore_errors=True)
        for d in ["bin", "usr/bin", "proc", "sys", "dev", "tmp", "etc"]:
            os.makedirs(os.path.join(root, d), exist_ok=True)
        shutil.copy(BUSYBOX, os.path.join(root, "bin", "busybox"))
        shutil.copy(self.efivarfs, os.path.join(root, "efivarfs.ko"))
        shutil.copy(os.path.join(HERE, "guest.sh"), os.path.join(root, "init"))
        os.chmod(os.path.join(root, "init"), 0o755)
        for program in programs:
            shutil.copy(program, os.path.join(root, "usr", "bin", os.path.basename(program)))
            for lib in shared_libraries(program):
                target = root + lib
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copyfile(os.path.realpath(lib), target)
                os.chmod(target, 0o755)
        with open(os.path.join(root, "etc", "passwd"), "w") as f:
            f.write("root:x:0:0:root:/:/bin/sh\nnobody:x:65534:65534:nobody:/:/bin/sh\n")
        with open(os.path.join(root, "etc", "group"), "w") as f:
            f.write("root:x:0:\nnogroup:x:65534:\n")
        for path, data in files.items():
            target = os.path.join(root, path.lstrip("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
        listing = run(["find", "."], cwd=root, capture_output=True).stdout
        archive = run([BUSYBOX, "cpio", "-o", "-H", "newc"], cwd=root, input=listing, capture_output=True).stdout
        with gzip.open(self.initrd, "wb", compresslevel=1) as f:
            f.write(archive)

    def boot(self, stage, timeout=180, extra=""):
        """Boots once, runs the guest script's stage and returns the lines it reported."""
        cmd = ["qemu-system-x86_64", "-machine", "q35", "-accel", "tcg", "-m", str(self.memory_mb),
               "-nographic", "-no-reboot", "-net", "none", "-serial", "mon:stdio",
               "-drive", f"if=pflash,format=raw,readonly=on,file={OVMF_CODE}",
               "-drive", f"if=pflash,format=raw,file={self.vars}",
               "-kernel", self.kernel, "-initrd", self.initrd,
               "-append", f"console=ttyS0 quiet loglevel=1 panic=-1 stage={stage} {extra}"]
        done = subprocess.run(cmd, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
        output = done.stdout.decode(errors="replace").replace("\r", "")
        # The firmware's screen control codes may share the first reported line.
        lines = [line[line.index("@@") + 2:].strip() for line in output.split("\n") if "@@" in line]
        self.last_output = output
        if "END" not in lines:
            raise RuntimeError(f"stage {stage} did not finish; machine output:\n{output[-4000:]}")
        return lines
