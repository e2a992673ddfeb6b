#!/usr/bin/env bash
# Installs what building, testing and the demo need on Debian 12; skips what is there already.
set -euo pipefail

packages=(
    build-essential cmake ccache pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libcli11-dev nlohmann-json3-dev librapidxml-dev
    clang-14 libfuzzer-14-dev libclang-rt-14-dev
    iproute2 xvfb xauth fonts-dejavu-core tshark
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386 nsis
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
    echo "install-deps: everything is installed"
    exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
echo "install-deps: installing ${missing[*]}"
# 32-bit Wine for the Windows DLL comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
