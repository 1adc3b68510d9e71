#!/bin/bash
# Puts the release folder together: the program, a commented sample ayar.xml and the vendor's guide.
set -euo pipefail
cd "$(dirname "$0")/.."
exe="build/win32/Zefra INDIR.exe"
[ -f "$exe" ] || { echo "dist: $exe is missing; run make win32 first" >&2; exit 1; }
rm -rf dist
mkdir -p dist
cp "$exe" dist/
cp docs/ayar.xml dist/ayar.xml
cp docs/vendor-guide.md dist/KILAVUZ-GUIDE.md
(cd dist && sha256sum "Zefra INDIR.exe" ayar.xml KILAVUZ-GUIDE.md > SHA256SUMS)
echo "dist/ holds:"
ls -l dist
