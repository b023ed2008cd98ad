#!/usr/bin/env bash
# Installs what the build and the tests need, with apt-get, when it is
# missing. Idempotent and silent when everything is there already.
set -euo pipefail

packages=(
  make cmake g++ python3 bc curl
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 libz-mingw-w64-dev zlib1g-dev
  libgtest-dev libtomlplusplus-dev libcli11-dev
  wine wine64 xvfb xauth xdotool xclip imagemagick
  openjdk-17-jdk-headless openjdk-17-jre fonts-dejavu-core clang libclang-rt-14-dev osslsigncode openssl
  libexpat1-dev libstb-dev python3-pefile icoutils
  # real applications for the tests and the Linux start-up benchmark: a build
  # tool, a script interpreter and a Swing editor; xprop for window classes
  ant rhino jedit x11-utils
)

# 32-bit Wine runs the x86 launchers; without it those tests are reported as
# skipped, so a mirror whose i386 index is out of step (or a host without
# i386 packages) costs the x86 coverage, not the build.
optional=(wine32:i386)

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)" = "installed" ]
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
missing_optional=()
for package in "${optional[@]}"; do
  installed "$package" || missing_optional+=("$package")
done
# The optional packages are tried along with the first install only, not on
# every make where they once failed (the test runner says why x86 is skipped).
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "bootstrap: missing packages: ${missing[*]} ${missing_optional[*]} (run as root to install them)" >&2
  exit 1
fi
echo "bootstrap: installing ${missing[*]} ${missing_optional[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync serves an index or two that fail their
# checks; apt keeps the rest, and a second try a little later often gets them.
for attempt in 1 2 3; do
  if apt-get update -q >&2; then
    break
  fi
  echo "bootstrap: apt-get update reported errors (attempt $attempt)" >&2
  [ "$attempt" -lt 3 ] && sleep $((attempt * 10))
done
install=(apt-get install -y -q --no-install-recommends)
if ! "${install[@]}" "${missing[@]}" "${missing_optional[@]}" >&2; then
  [ ${#missing_optional[@]} -gt 0 ] || exit 1
  echo "bootstrap: ${missing_optional[*]} cannot be installed from this mirror;" \
    "installing the rest (x86 Windows tests will be skipped)" >&2
  "${install[@]}" "${missing[@]}" >&2
fi
