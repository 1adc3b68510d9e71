#!/bin/bash
# Installs every Debian package that the build, the tests and the demo need.
# Does nothing when all of them are present; tells a non-root user the command to run.
set -euo pipefail

packages=(
  cmake ninja-build make g++ python3 python3-pil googletest
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 libwine:i386 xvfb xauth xdotool x11-apps imagemagick
  mariadb-server mariadb-client odbc-mariadb:i386 libodbc2:i386 unixodbc-common
  curl locales openssl
  libcurl4-openssl-dev libssl-dev libmariadb-dev pkg-config
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
turkish_locale_missing=0
locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$' || turkish_locale_missing=1

if [ ${#missing[@]} -eq 0 ] && [ $turkish_locale_missing -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Some packages are missing: ${missing[*]:-none} (Turkish locale missing: $turkish_locale_missing)." >&2
  echo "Install them once with:  sudo $(realpath "$0")" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# The release's own suite (bookworm, ...): the target of the fallback below.
codename=$(. "${ZEFRA_OS_RELEASE:-/etc/os-release}" && echo "${VERSION_CODENAME:-}")
install() { apt-get install -y -q --no-install-recommends "$@" "${missing[@]}"; }
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  dpkg --add-architecture i386
  # A mirror in the middle of a sync fails one index now and then. The install is tried anyway,
  # first as usual, so security updates come whenever the mirror has them. When a lagging index
  # leaves one architecture without the other's versions, Multi-Arch pairs cannot match: taking
  # both from the release's own suite (-t codename) makes them agree again.
  for attempt in 1 2 3; do
    apt-get update -q || echo "bootstrap: apt-get update reported errors; trying the install anyway" >&2
    install && break
    if [ -n "$codename" ]; then
      echo "bootstrap: the install failed; trying again with the release's own suite (apt-get install -t $codename)" >&2
      install -t "$codename" && break
    fi
    [ "$attempt" -lt 3 ] || exit 1
    sleep 20
  done
fi
# The Turkish locale lets the tests run Wine under Turkish regional settings.
if ! locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$'; then
  localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
fi
