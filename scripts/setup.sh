#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine, when missing.
#
# Wine's 32-bit half (wine32, from the i386 architecture) runs the i686 release,
# which is what shops get. It is installed wherever the kernel runs 32-bit
# programs; when the i386 package index cannot be had there, this fails and says
# so. On a kernel that refuses 32-bit programs, wine32 would break Wine as a
# whole (Debian's `wine` starts the 32-bit loader first), so it is left out and
# the 32-bit runs are reported as NOT RUN by the tests, with the reason.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
packages=(cmake g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine64 xvfb xdotool x11-apps zip unzip clang libclang-rt-14-dev
  osslsigncode openssl python3)
sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
apt() { DEBIAN_FRONTEND=noninteractive $sudo apt-get "$@"; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if reason=$(bash "$here/can-run-32bit.sh"); then
  packages+=(wine32:i386)
  run32=yes
else
  run32=no
  if installed wine32:i386; then
    echo "setup: removing wine32: $reason, and with it installed Wine cannot start at all"
    apt remove -y -qq wine32:i386 libwine:i386 >/dev/null
  fi
fi

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ $run32 = yes ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  fi
  # A mirror caught mid-update once served an i386 index with a size mismatch:
  # retry a few times, with a pause, before giving up.
  tries=5
  for i in $(seq 1 $tries); do
    if apt update -qq 2>apt-update.err && ! grep -qE '^(E:|W: Failed)' apt-update.err &&
       { [ $run32 = no ] || apt-cache policy wine32:i386 2>/dev/null | grep -q 'Candidate: [0-9]'; }; then
      break
    fi
    if [ "$i" -eq $tries ]; then
      cat apt-update.err >&2; rm -f apt-update.err
      if [ $run32 = yes ]; then
        echo "setup: FAILED: the i386 package index (needed for wine32, Wine's 32-bit support, which runs the release build's tests) could not be had after $tries tries of 'apt-get update'" >&2
      else
        echo "setup: FAILED: 'apt-get update' failed $tries times" >&2
      fi
      exit 1
    fi
    echo "setup: apt-get update failed or gave no i386 index (try $i of $tries); retrying in $((i * 10)) s" >&2
    sleep $((i * 10))
  done
  rm -f apt-update.err
  apt install -y -qq --no-install-recommends "${missing[@]}" >apt-install.log 2>&1 ||
    { cat apt-install.log >&2; rm -f apt-install.log; exit 1; }
  rm -f apt-install.log
fi
for p in "${packages[@]}"; do
  installed "$p" || { echo "setup: FAILED: package $p is not installed" >&2; exit 1; }
done
[ -f /usr/src/googletest/CMakeLists.txt ] || { echo "setup: GoogleTest sources missing" >&2; exit 1; }
if [ $run32 = yes ]; then
  echo "setup: all build and test tools present, Wine's 32-bit support included"
else
  echo "setup: all build and test tools present; WARNING: no Wine 32-bit support: $reason"
fi
