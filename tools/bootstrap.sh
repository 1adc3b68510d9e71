#!/bin/bash
# Installs every Debian package that the build, the tests and the demo need, and fetches the
# sources the build compiles itself (zstd's decoder) into build/third_party.
# Does nothing when all of them are present; tells a non-root user the command to run.
#   tools/bootstrap.sh --bench-data   also fetches what only make bench reads (build/bench-cache)
set -euo pipefail

packages=(
  cmake ninja-build make g++ python3 python3-pil googletest
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 libwine:i386 xvfb xauth xdotool x11-apps imagemagick
  mariadb-server mariadb-client libodbc2:i386 unixodbc-common
  curl locales openssl zstd dpkg-dev xz-utils
  libcurl4-openssl-dev libssl-dev libmariadb-dev pkg-config
)

# The ODBC driver of the Windows tests' own architecture: its two architectures cannot both be
# installed. Where the kernel runs no 32-bit programs, the Windows tests run on a 64-bit build
# under 64-bit Wine (tools/windows-arch), which needs the rest too; the 32-bit program is still built.
packages_32=(odbc-mariadb:i386)
packages_64=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine64 libwine:amd64 odbc-mariadb:amd64 libodbc2:amd64
)

missing_of() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || echo "$package"
  done
}

export DEBIAN_FRONTEND=noninteractive
# The release's own suite (bookworm, ...): the target of the fallback below.
codename=$(. "${ZEFRA_OS_RELEASE:-/etc/os-release}" && echo "${VERSION_CODENAME:-}")

install() { apt-get install -y -q --no-install-recommends "$@"; }

# Installs those of the given packages that are missing.
install_missing() {
  local missing
  mapfile -t missing < <(missing_of "$@")
  [ ${#missing[@]} -gt 0 ] || return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Some packages are missing: ${missing[*]}." >&2
    echo "Install them once with:  sudo $(realpath "$0")" >&2
    exit 1
  fi
  echo "bootstrap: installing ${missing[*]}"
  dpkg --add-architecture i386
  # A mirror in the middle of a sync fails one index now and then. The install is tried anyway,
  # first as usual, so security updates come whenever the mirror has them. When a lagging index
  # leaves one architecture without the other's versions, Multi-Arch pairs cannot match: taking
  # both from the release's own suite (-t codename) makes them agree again.
  local attempt
  for attempt in 1 2 3; do
    apt-get update -q || echo "bootstrap: apt-get update reported errors; trying the install anyway" >&2
    install "${missing[@]}" && return 0
    if [ -n "$codename" ]; then
      echo "bootstrap: the install failed; trying again with the release's own suite (apt-get install -t $codename)" >&2
      install -t "$codename" "${missing[@]}" && return 0
    fi
    [ "$attempt" -lt 3 ] || exit 1
    sleep 20
  done
}

install_missing "${packages[@]}"
if [ "$("$(dirname "$0")/windows-arch")" = win32 ]; then
  install_missing "${packages_32[@]}"
else
  [ -z "$(missing_of "${packages_64[@]}")" ] ||
    echo "bootstrap: this machine runs no 32-bit programs; adding 64-bit Wine and MinGW-w64 for the Windows tests"
  install_missing "${packages_64[@]}"
fi
# The Turkish locale lets the tests run Wine under Turkish regional settings.
if ! locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The Turkish locale is missing. Make it once with:  sudo $(realpath "$0")" >&2
    exit 1
  fi
  localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
fi

# zstd's decoder, built by CMake for every target from Debian's source package of libzstd: apt
# fetches it from a deb-src entry of the release's own suite and checks it against the signed
# index, as any package. A private source list and index folder leave the system's apt alone.
third_party=${ZEFRA_THIRD_PARTY:-$(cd "$(dirname "$0")/.." && pwd)/build/third_party}

# Sets apt_options to an apt of its own in apt_dir, reading only the one source line given (types
# and suite), from the mirror the system already uses for its release.
private_apt() {
  local apt_dir=$1 types=$2 suite=$3 uri
  if [ -z "$codename" ]; then
    echo "bootstrap: no release codename in /etc/os-release; cannot fetch from Debian's $suite" >&2
    exit 1
  fi
  uri=$(apt-get indextargets --format '$(REPO_URI)' "Codename: $codename" "Identifier: Packages" 2>/dev/null |
        head -n 1)
  rm -rf "$apt_dir"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache" "$apt_dir/parts"
  echo "$types ${uri:-http://deb.debian.org/debian/} $suite main" > "$apt_dir/sources.list"
  apt_options=(-q -o "Dir::Etc::SourceList=$(realpath "$apt_dir")/sources.list"
    -o "Dir::Etc::SourceParts=$(realpath "$apt_dir")/parts" -o "Dir::State::Lists=$(realpath "$apt_dir")/lists"
    -o "Dir::Cache=$(realpath "$apt_dir")/cache")
}

fetch_source() {
  local package=$1 target=$2 apt_dir="$third_party/apt" apt_options
  echo "bootstrap: fetching Debian's source package $package ($codename) into $target"
  rm -rf "$target.new"
  mkdir -p "$target.new"
  private_apt "$apt_dir" deb-src "$codename"
  local options=("${apt_options[@]}")
  if ! apt-get "${options[@]}" update ||
     ! (cd "$target.new" && apt-get "${options[@]}" source --download-only "$package" &&
        { dpkg-source -x ./*.dsc source > unpack.log 2>&1 || { cat unpack.log >&2; false; }; }) ||
     [ ! -f "$target.new/source/lib/zstd.h" ]; then
    rm -rf "$target.new" "$apt_dir"
    echo "bootstrap: could not fetch the source package $package (see above); try again later" >&2
    exit 1
  fi
  rm -rf "$target" && mv "$target.new/source" "$target" && rm -rf "$target.new" "$apt_dir"
}
[ -f "$third_party/zstd/lib/zstd.h" ] || fetch_source libzstd "$third_party/zstd"

# make bench's stand-in for the vendor's program: Wine's own Windows DLLs of the installed version
# against those of the next Debian release's package, which apt fetches and checks against its
# signed index like any other; its Windows DLLs are unpacked into build/bench-cache/libwine-NEXT.
[ "${1:-}" = --bench-data ] || exit 0
bench_cache=$(cd "$(dirname "$0")/.." && pwd)/build/bench-cache
bench_suite=trixie
bench_target="$bench_cache/libwine-$bench_suite"
[ ! -f "$bench_target/VERSION" ] || exit 0
echo "bootstrap: fetching Debian's libwine:i386 ($bench_suite) into $bench_target for make bench"
private_apt "$bench_cache/apt" "deb [arch=i386]" "$bench_suite"
rm -rf "$bench_target.new"
mkdir -p "$bench_target.new"
if ! apt-get "${apt_options[@]}" update ||
   ! (cd "$bench_target.new" && apt-get "${apt_options[@]}" download libwine:i386 &&
      mkdir unpacked && dpkg-deb --fsys-tarfile ./libwine_*.deb |
        tar -x -C unpacked ./usr/lib/i386-linux-gnu/wine/i386-windows &&
      dpkg-deb -f ./libwine_*.deb Version > VERSION && rm ./libwine_*.deb); then
  rm -rf "$bench_target.new" "$bench_cache/apt"
  echo "bootstrap: could not fetch libwine:i386 from $bench_suite (see above); try again later" >&2
  exit 1
fi
rm -rf "$bench_target" "$bench_cache/apt" && mv "$bench_target.new" "$bench_target"
