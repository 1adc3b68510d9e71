#!/bin/bash
# Puts the release folder together: the program, a commented sample ayar.xml and the vendor's guide,
# and says which release key the program is built with, by the fingerprint its first log line shows.
set -euo pipefail
cd "$(dirname "$0")/.."
exe="build/win32/Zefra INDIR.exe"
[ -f "$exe" ] || { echo "dist: $exe is missing; run make win32 first" >&2; exit 1; }
# The key of the last build: the Makefile passes RELEASE_KEY (or nothing) to every configuration.
key=$(sed -n "s/^ZEFRA_RELEASE_KEY:[A-Z]*=//p" build/win32/CMakeCache.txt)
rm -rf dist
mkdir -p dist
cp "$exe" dist/
cp docs/ayar.xml dist/ayar.xml
cp docs/vendor-guide.md dist/KILAVUZ-GUIDE.md
if [ -n "$key" ]; then
  # The first 16 hex digits of the SHA-256 of the raw point X‖Y, the last 64 bytes of the DER key.
  fingerprint=$(openssl pkey -pubin -in "$key" -outform DER | tail -c 64 | sha256sum | cut -c1-16)
  echo "release key: $fingerprint (from $key)"
  # A keyed updater takes only a signed SHA256SUMS: an unsigned one must not look like it.
  (cd dist && sha256sum "Zefra INDIR.exe" ayar.xml KILAVUZ-GUIDE.md > checksums-not-signed.txt)
else
  echo "release key: NONE — this updater installs unsigned releases"
  (cd dist && sha256sum "Zefra INDIR.exe" ayar.xml KILAVUZ-GUIDE.md > SHA256SUMS)
fi
echo "dist/ holds:"
ls -l dist
