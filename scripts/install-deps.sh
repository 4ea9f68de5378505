#!/usr/bin/env bash
# Installs every build and test dependency from Debian's packages, only what is missing.
# Safe to run any number of times; uses sudo only when not running as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-multimedia-dev
  libsqlite3-dev libgif-dev libjpeg62-turbo-dev libcurl4-openssl-dev libcanberra-dev libssl-dev openssl
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool xauth x11-utils inetutils-telnetd xdg-utils inetutils-inetd
  fonts-dejavu-core
  desktop-file-utils appstream lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
