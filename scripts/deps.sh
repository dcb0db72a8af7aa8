#!/usr/bin/env bash
# Installs the Debian packages Kavrin builds and tests with, when any is missing.
set -euo pipefail
pkgs=(cmake g++ make pkg-config python3 libreadline-dev giza-dev libeigen3-dev
      libsleef-dev libgtest-dev clang libclang-rt-14-dev xvfb)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
