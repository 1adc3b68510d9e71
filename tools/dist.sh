#!/bin/bash
# Puts the release folder together: the program, a commented sample ayar.xml and the vendor's guide,
# then reads the release key back from the program it put there and prints its fingerprint (the
# one the updater's first log line shows), or says in capitals that it has none.
#   tools/dist.sh PROGRAM FOLDER KEY     KEY: the public key it was built with, or "none"
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 3 ] || { sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
exe=$1 out=$2 key=$3
[ -f "$exe" ] || { echo "dist: $exe is missing; run make dist" >&2; exit 1; }
rm -rf "$out"
mkdir -p "$out"
cp "$exe" "$out/Zefra INDIR.exe"
cp docs/ayar.xml "$out/ayar.xml"
cp docs/vendor-guide.md "$out/KILAVUZ-GUIDE.md"
# Read back from the file itself with the updater's own resource rules, not from the build's settings.
if [ "$key" = none ]; then
  # Exit 1 with "release key none" is the one answer that says the program carries no key.
  status=0
  found=$(tools/check-release --program-key "$out/Zefra INDIR.exe") || status=$?
  if [ $status -ne 1 ] || [[ $found != *"release key none"* ]]; then
    rm -rf "$out"
    echo "dist: RELEASE_KEY=none, but the program's key could not be read back as none: $found" >&2
    exit 1
  fi
  echo "release key: NONE — THIS UPDATER INSTALLS UNSIGNED RELEASES, AND EVERY SHOP THAT TAKES IT DOES SO FROM THEN ON"
  (cd "$out" && sha256sum "Zefra INDIR.exe" ayar.xml KILAVUZ-GUIDE.md > SHA256SUMS)
else
  if ! found=$(tools/check-release --key "$key" --program-key "$out/Zefra INDIR.exe"); then
    rm -rf "$out"
    echo "dist: the program does not carry the key of $key: $found" >&2
    exit 1
  fi
  fingerprint=$(grep -o 'release key [0-9a-f]\{16\}' <<< "$found" | cut -d' ' -f3)
  echo "release key: $fingerprint (read back from $out/Zefra INDIR.exe; $(realpath "$key"))"
  # A keyed updater takes only a signed SHA256SUMS: an unsigned one must not look like it.
  (cd "$out" && sha256sum "Zefra INDIR.exe" ayar.xml KILAVUZ-GUIDE.md > checksums-not-signed.txt)
fi
echo "$out/ holds:"
ls -l "$out"
