#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the tests and the programs need.
# Safe to run again: only what is missing is installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  zlib1g-dev
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6serialport6
  libqcustomplot-dev libqcustomplot2.1-qt6
  libgl-dev libxkbcommon-dev
  qt6-qpa-plugins fonts-dejavu-core
  xvfb xauth
  clang libclang-rt-14-dev libbenchmark-dev
  poppler-utils
  time
  # The manual pages are made at build time from the programs' --help.
  help2man
  # scripts/package.sh checks the Debian package with these.
  lintian appstream desktop-file-utils dpkg-dev man-db bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
