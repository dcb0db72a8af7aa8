#!/usr/bin/env bash
# Installs the Debian packages Kavrin builds and tests with, when any is missing.
set -euo pipefail
# The cross compiler and the arm64 SLEEF headers and libraries: every source is compiled
# for AArch64 too, and the fit library's numeric tests run there under qemu-user.
# ghostscript turns the PostScript plots of the tests into pixels.
pkgs=(cmake g++ make pkg-config python3 libreadline-dev giza-dev libeigen3-dev
      libsleef-dev libgtest-dev clang libclang-rt-14-dev xvfb ghostscript
      g++-aarch64-linux-gnu libsleef-dev:arm64 qemu-user)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  $sudo dpkg --add-architecture arm64
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
