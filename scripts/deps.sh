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

# INN, the news server the integration tests start privately on 127.0.0.1.
# Its package must not leave a system-wide server running, so service starts
# are refused while it installs. Its set-up stops on a host name without a
# domain: a domain is then set in its configuration and the set-up finished.
if ! dpkg-query -W -f='${Status}' inn2 2>/dev/null | grep -q 'install ok installed'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  POLICY=/usr/sbin/policy-rc.d
  ADDED_POLICY=""
  if [ ! -e "$POLICY" ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$POLICY" >/dev/null
    $SUDO chmod 755 "$POLICY"
    ADDED_POLICY=1
  fi
  $SUDO apt-get update -qq
  if ! $SUDO apt-get install -y --no-install-recommends inn2; then
    if ! grep -q '^domain:' /etc/news/inn.conf; then
      echo 'domain: localdomain' | $SUDO tee -a /etc/news/inn.conf >/dev/null
    fi
    $SUDO dpkg --configure -a
  fi
  [ -z "$ADDED_POLICY" ] || $SUDO rm -f "$POLICY"
  # Whatever started anyway is stopped: the tests run their own instance.
  if [ -x /usr/lib/news/bin/ctlinnd ] && pgrep -x innd >/dev/null; then
    $SUDO su news -s /bin/sh -c '/usr/lib/news/bin/ctlinnd -t 20 shutdown "tests run their own"' || true
  fi
fi
