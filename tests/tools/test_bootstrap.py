#!/usr/bin/python3
"""tools/bootstrap.sh against a stubbed apt-get: a normal install first, the release's own suite
(-t codename) only when that fails, and exit 1 when both fail on every try; the
decoder's sources fetched through a deb-src entry of the release's own suite, or nothing left behind."""

import os
import subprocess
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
FALLBACK_LINE = "trying again with the release's own suite (apt-get install -t bookworm)"
# Each stub logs its command line; one package is missing. apt-get install succeeds as INSTALL
# says: "normal" (always), "suite" (only with -t bookworm) or "never"; apt-get source as FETCH says.
STUBS = {
    "apt-get": '[ "$1" = update ] && exit 0\ncase "$*" in\n'
               '  *" update") cat "$ZEFRA_THIRD_PARTY/apt/sources.list" >> "${0%/*}/calls"; exit 0 ;;\n'
               '  indextargets*) echo http://m.example/d/; exit 0 ;;\n'
               '  *"source --download-only libzstd") [ "$FETCH" = ok ] && touch z.dsc; exit $? ;;\nesac\n'
               'case "$INSTALL:$*" in normal:*|suite:*"-t bookworm"*) exit 0 ;; esac\nexit 100',
    "dpkg-source": 'mkdir -p source/lib && touch source/lib/zstd.h',
    "dpkg-query": '[ "${!#}" = wine32:i386 ] || printf "install ok installed"',
    "id": "echo 0", "locale": "echo tr_TR.utf8", "dpkg": "", "localedef": "", "sleep": "",
}


class BootstrapFallback(unittest.TestCase):
    def run_bootstrap(self, install, fetch="ok"):
        with tempfile.TemporaryDirectory() as stubs:
            for name, body in STUBS.items():
                Path(stubs, name).write_text(f'#!/bin/bash\necho "{name} $*" >> "{stubs}/calls"\n{body}\n')
                Path(stubs, name).chmod(0o755)
            Path(stubs, "os-release").write_text("ID=debian\nVERSION_CODENAME=bookworm\n")
            env = dict(os.environ, PATH=f"{stubs}:/usr/bin:/bin", INSTALL=install, FETCH=fetch,
                       ZEFRA_OS_RELEASE=f"{stubs}/os-release", ZEFRA_THIRD_PARTY=f"{stubs}/third_party")
            done = subprocess.run(["bash", str(ROOT / "tools" / "bootstrap.sh")], env=env, capture_output=True,
                                  text=True, timeout=60)
            self.fetched = sorted(str(p.relative_to(stubs)) for p in Path(stubs, "third_party").rglob("*"))
            return done, Path(stubs, "calls").read_text().splitlines()

    def test_the_fallback_comes_only_when_the_normal_install_fails(self):
        rows = [  # INSTALL, exit code, whether each install had -t bookworm, fallback lines, sleeps
            ("normal", 0, [False], 0, 0), ("suite", 0, [False, True], 1, 0), ("never", 1, [False, True] * 3, 3, 2)]
        for install, code, with_suite, fallback_lines, sleeps in rows:
            with self.subTest(install=install):
                done, calls = self.run_bootstrap(install)
                installs = [c for c in calls if c.startswith("apt-get install")]
                self.assertEqual(done.returncode, code, done.stderr)
                self.assertEqual(["-t bookworm" in c for c in installs], with_suite, installs)
                self.assertEqual(done.stderr.count(FALLBACK_LINE), fallback_lines, done.stderr)
                self.assertEqual(sum(c.startswith("sleep ") for c in calls), sleeps, calls)

    def test_the_decoders_sources_come_from_a_deb_src_entry_of_the_release_or_not_at_all(self):
        for fetch, code, fetched in (("ok", 0, ["third_party/zstd", "third_party/zstd/lib",
                                                "third_party/zstd/lib/zstd.h"]), ("fails", 1, [])):
            with self.subTest(fetch=fetch):
                done, calls = self.run_bootstrap("normal", fetch)
                self.assertEqual((done.returncode, self.fetched), (code, fetched), done.stderr)
                source = [c for c in calls if c.endswith(" source --download-only libzstd")]
                self.assertIn("Dir::Etc::SourceList=", source[0])
                self.assertIn("deb-src http://m.example/d/ bookworm main", calls)


if __name__ == "__main__":
    unittest.main(verbosity=2)
