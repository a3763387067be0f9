#!/usr/bin/env bash
# Installs what building and testing Binorama needs, where it is missing.
set -euo pipefail
PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgtest-dev libgmock-dev
          libbenchmark-dev libsqlite3-dev libssl-dev zlib1g-dev libisal-dev openssl xvfb xauth dbus-daemon
          fonts-dejavu-core xdg-utils shared-mime-info desktop-file-utils python3 python3-yenc par2 7zip unar
          clang libclang-rt-14-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
