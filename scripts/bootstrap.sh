#!/usr/bin/env bash
# Installs what the build and the tests need, with apt-get, when it is
# missing. Idempotent and silent when everything is there already.
set -euo pipefail

packages=(
  make cmake g++ python3 bc curl
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 libz-mingw-w64-dev zlib1g-dev
  libgtest-dev libtomlplusplus-dev libcli11-dev
  wine wine32:i386 wine64 xvfb xauth xdotool xclip imagemagick
  openjdk-17-jdk-headless openjdk-17-jre fonts-dejavu-core clang libclang-rt-14-dev osslsigncode openssl
  libexpat1-dev libstb-dev python3-pefile icoutils
  # real applications for the tests and the Linux start-up benchmark: a build
  # tool, a script interpreter and a Swing editor; xprop for window classes
  ant rhino jedit x11-utils
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "bootstrap: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "bootstrap: installing ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >&2
apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
