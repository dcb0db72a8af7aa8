#!/usr/bin/env bash
# Builds the array exp and pow with their check (tests/vmath) for AArch64 and runs it under
# qemu-user: the Advanced SIMD functions within 1 ulp, as on x86-64.
#   bash scripts/aarch64_qemu.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
out=build/aarch64
mkdir -p "$out"
aarch64-linux-gnu-g++ -std=c++20 -O2 -Wall -Wextra -ffp-contract=off -Ifit/theory \
  fit/theory/vmath.cpp tests/vmath/vmath_ulp_check.cpp -lsleef -o "$out/vmath_ulp_check"
qemu-aarch64 -L /usr/aarch64-linux-gnu -E LD_LIBRARY_PATH=/usr/lib/aarch64-linux-gnu \
  "$out/vmath_ulp_check"
