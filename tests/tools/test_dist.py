#!/usr/bin/python3
"""make dist: refuses without a release key, builds the keyless program only when told so in
capitals, and reads the key back from the program it put in the folder."""

import hashlib
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "fixtures"))
from releases import new_key, raw_public_key  # noqa: E402


class Dist(unittest.TestCase):
    def test_the_key_is_named_every_time_and_read_back(self):
        tmp = Path(tempfile.mkdtemp())
        self.addCleanup(subprocess.run, ["rm", "-rf", str(tmp)], check=True)
        _, public = new_key(tmp, "vendor")
        fingerprint = hashlib.sha256(raw_public_key(public)).hexdigest()[:16]
        rows = [  # RELEASE_KEY given, exit code, what it says, whether the folder holds the program
            ([], 2, "*** make dist needs the release key: make dist RELEASE_KEY=vendor.pub.pem, or make dist "
                    "RELEASE_KEY=none for an updater that installs unsigned releases", False),
            (["RELEASE_KEY=none"], 0, "release key: NONE — THIS UPDATER INSTALLS UNSIGNED RELEASES", True),
            ([f"RELEASE_KEY={public}"], 0, f"release key: {fingerprint} (read back from {tmp}/dist/Zefra INDIR.exe",
             True)]
        for key, code, said, built in rows:
            with self.subTest(key=key):
                done = subprocess.run(["make", "--no-print-directory", "dist", f"DIST={tmp}/dist", *key], cwd=ROOT,
                                      capture_output=True, text=True)
                self.assertEqual(done.returncode, code, done.stdout + done.stderr)
                self.assertIn(said, done.stdout if code == 0 else done.stderr)
                if code:
                    self.assertEqual(len(done.stderr.splitlines()), 1, done.stderr)
                self.assertEqual((tmp / "dist" / "Zefra INDIR.exe").exists(), built)


if __name__ == "__main__":
    sys.exit(unittest.main())
