#!/usr/bin/env bash
# Installs everything the build, the tests and the Wine harness need on Debian 12 (run as root).
# Safe to run again: it only calls apt-get when a package is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth x11-utils socat xdotool imagemagick python3
  fp-utils nsis
  chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# The phone page builds with Node 18 or later and npm: Debian's packages, unless a Node of
# another origin (with its own npm) is already on the PATH.
if ! command -v node >/dev/null || ! command -v npm >/dev/null ||
   (($(node -p 'process.versions.node.split(".")[0]' 2>/dev/null || echo 0) < 18)); then
  missing+=(nodejs npm)
fi

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup: all packages present"
