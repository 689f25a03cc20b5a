#!/bin/sh
# Installs the Debian packages the build, the tests, the demo and the benchmark need.
# Runs apt-get only when something is missing, so a prepared machine starts at once.
set -eu

packages="cmake ninja-build make g++ python3 googletest
g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 python3-pefile
qemu-system-x86 ovmf busybox-static efivar strace util-linux
clang-14 libclang-rt-14-dev libfuzzer-14-dev"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages:$missing; run as root to install them" >&2
    exit 1
fi
echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update
# shellcheck disable=SC2086
apt-get install -y --no-install-recommends $missing
