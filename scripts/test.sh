#!/usr/bin/env bash
# Sets up what is missing, then builds every configuration and runs every test:
# native (stand-in platform), its ASan+UBSan and TSan variants, the fuzz targets
# (30 s each), win64 under Wine
# (Win32 layer and end to end), and the release: the i686 build shops get, with
# its Win32-layer and end-to-end tests under Wine's 32-bit support, its checks,
# its packages and a rebuild that must give the same bytes.
set -eu
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
presets=${VELMORA_PRESETS:-"native native-asan native-tsan fuzz win64 release"}
for preset in $presets; do
  echo "==== $preset"
  if [ "$preset" == release ]; then
    # Configure, build, test and package, as `cmake --workflow --preset release`.
    cmake --workflow --preset release
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
    bash tests/check-package.sh build/release "$version"
    # Two more builds of the committed release, from clean clones elsewhere:
    # the same bytes (about two minutes; tests are not rebuilt).
    if git rev-parse --verify -q HEAD >/dev/null 2>&1; then
      bash scripts/check-reproducible.sh
    else
      echo "==== NOT RUN: the reproducibility check, because this is not a git checkout"
    fi
    continue
  fi
  cmake --preset "$preset" >"build-$preset.configure.log" 2>&1 || { cat "build-$preset.configure.log"; exit 1; }
  rm -f "build-$preset.configure.log"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "==== all configurations passed: $presets"
if [[ " $presets " == *" release "* ]] && ! reason=$(bash scripts/can-run-32bit.sh); then
  echo "==== NOT RUN: the release build's Win32-layer and end-to-end tests (32-bit), because $reason"
fi
