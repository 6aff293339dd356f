#!/usr/bin/env bash
# Installs whatever the build, the tests and the client need from Debian's
# packages. Silent and quick when everything is already there.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev libzip-dev zlib1g-dev
  fonts-dejavu-core unzip iproute2 xvfb xauth curl
  locales
  wine wine32:i386 wine64 gcc-mingw-w64-i686
  clang-14 libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Run as root to install: ${missing[*]}" >&2; exit 1; }
    as_root=(sudo --preserve-env=DEBIAN_FRONTEND)
  fi
  # Wine for 32-bit programs comes from the i386 half of the archive.
  if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
  fi
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
