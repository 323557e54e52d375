#!/usr/bin/env bash
# Sets up what is missing, then builds every configuration and runs every test:
# native (stand-in platform), its ASan+UBSan and TSan variants, win64 under Wine
# (Win32 layer and end-to-end), and the win32 product build with its checks.
set -eu
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
presets=${VELMORA_PRESETS:-"native native-asan native-tsan win64 win32"}
for preset in $presets; do
  echo "==== $preset"
  cmake --preset "$preset" >"build-$preset.configure.log" 2>&1 || { cat "build-$preset.configure.log"; exit 1; }
  rm -f "build-$preset.configure.log"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "==== all configurations passed: $presets"
