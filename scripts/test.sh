#!/usr/bin/env bash
# Installs what the build needs, then builds Kavrin twice (optimised, and with
# AddressSanitizer + UBSan) and runs every test in both builds; every source must also
# compile for AArch64.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
for kind in release asan; do
  dir=build/$kind
  flags=(-DCMAKE_BUILD_TYPE=Release)
  [ "$kind" = asan ] && flags=(-DCMAKE_BUILD_TYPE=Debug -DKAVRIN_SANITIZE=ON)
  echo "=== $kind build"
  cmake -S . -B "$dir" "${flags[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== $kind tests"
  (cd "$dir" && TZ=UTC LC_ALL=C TERM=dumb INPUTRC=/dev/null \
     ctest --output-on-failure -j "$jobs")
done
echo "=== aarch64 compile"
bash scripts/aarch64_check.sh build/release "$jobs"
