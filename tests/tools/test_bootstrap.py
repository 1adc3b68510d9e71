#!/usr/bin/python3
"""tools/bootstrap.sh against a stubbed apt-get: a normal install first, the release's own suite
(-t codename) only when that fails, and exit 1 when both fail on every try."""

import os
import subprocess
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
FALLBACK_LINE = "trying again with the release's own suite (apt-get install -t bookworm)"

# Every stub writes its command line to calls.log; apt-get install succeeds as INSTALL says:
# "normal" (with or without -t), "suite" (only with -t) or "never".
STUBS = {
    "apt-get": """echo "apt-get $*" >> "$STUB_LOG"
case "$1" in update) exit 0 ;; esac
case "$INSTALL:$*" in normal:*|suite:*"-t bookworm"*) exit 0 ;; esac
exit 100""",
    "dpkg": 'echo "dpkg $*" >> "$STUB_LOG"',
    "dpkg-query": '[ "${!#}" = wine32:i386 ] || printf "install ok installed"',
    "id": "echo 0",
    "locale": "echo tr_TR.utf8",
    "localedef": 'echo "localedef $*" >> "$STUB_LOG"',
    "sleep": 'echo "sleep $*" >> "$STUB_LOG"',
}


class BootstrapFallback(unittest.TestCase):
    def run_bootstrap(self, install):
        with tempfile.TemporaryDirectory() as folder:
            stubs = Path(folder)
            for name, body in STUBS.items():
                (stubs / name).write_text("#!/bin/bash\n" + body + "\n")
                (stubs / name).chmod(0o755)
            (stubs / "os-release").write_text("ID=debian\nVERSION_CODENAME=bookworm\n")
            env = dict(os.environ, PATH=f"{stubs}:/usr/bin:/bin", STUB_LOG=str(stubs / "calls.log"),
                       INSTALL=install, ZEFRA_OS_RELEASE=str(stubs / "os-release"))
            done = subprocess.run(["bash", str(ROOT / "tools" / "bootstrap.sh")], env=env, capture_output=True,
                                  text=True, timeout=60)
            calls = (stubs / "calls.log").read_text().splitlines()
        return done, [c for c in calls if c.startswith("apt-get install")], calls

    def test_the_fallback_comes_only_when_the_normal_install_fails(self):
        rows = [
            # INSTALL, exit code, installs with -t among all installs, fallback lines, sleeps
            ("normal", 0, [False], 0, 0),
            ("suite", 0, [False, True], 1, 0),
            ("never", 1, [False, True] * 3, 3, 2),
        ]
        for install, code, with_suite, fallback_lines, sleeps in rows:
            with self.subTest(install=install):
                done, installs, calls = self.run_bootstrap(install)
                self.assertEqual(done.returncode, code, done.stderr)
                self.assertEqual(["-t bookworm" in c for c in installs], with_suite, installs)
                self.assertTrue(all(c.endswith(" wine32:i386") for c in installs), installs)
                self.assertEqual(done.stderr.count(FALLBACK_LINE), fallback_lines, done.stderr)
                self.assertEqual(sum(c.startswith("sleep") for c in calls), sleeps, calls)


if __name__ == "__main__":
    unittest.main(verbosity=2)
