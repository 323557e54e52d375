#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine, when missing.
set -eu
packages=(cmake g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 xvfb xdotool x11-apps)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  # 64-bit Wine only: the i386 architecture is not added.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
[ -f /usr/src/googletest/CMakeLists.txt ] || { echo "setup: GoogleTest sources missing" >&2; exit 1; }
echo "setup: all build and test tools present"
