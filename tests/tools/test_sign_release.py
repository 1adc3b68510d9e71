#!/usr/bin/python3
"""tools/sign-release: a list that GNU sha256sum -c accepts, files the web server can read, and
no release number that is not greater than the one it replaces."""

import os
import stat
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SIGN = Path(__file__).resolve().parents[2] / "tools" / "sign-release"


class SignRelease(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp())
        self.addCleanup(subprocess.run, ["rm", "-rf", str(self.folder)], check=True)
        self.release = self.folder / "release"
        (self.release / "sub").mkdir(parents=True)
        (self.release / "Zefra VUNO.exe").write_bytes(b"MZ" + bytes(range(256)) * 40)
        (self.release / "sub" / "kaçış\\y.dll").write_bytes(b"")
        subprocess.run([str(SIGN), "--new-key", str(self.folder / "vendor")], check=True, stdout=subprocess.DEVNULL)

    def sign(self, *options, folder="release"):
        return subprocess.run([str(SIGN), *options, str(self.folder / "vendor.pem"), str(self.folder / folder)],
                              capture_output=True, text=True)

    def test_the_list_carries_its_release_and_sha256sum_still_checks_it(self):
        self.assertEqual(self.sign("--release", "20261209153000").returncode, 0)
        self.assertEqual((self.release / "SHA256SUMS").read_text().splitlines()[:4],
                         ["# product Zefra VUNO", "# release 20261209153000", "# size 10242 Zefra VUNO.exe",
                          "# size 0 sub/kaçış\\\\y.dll"])
        check = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=self.release,
                               capture_output=True, text=True)
        self.assertEqual((check.returncode, check.stdout.count(": OK")), (0, 2), check.stdout + check.stderr)

    def test_the_files_get_the_folders_usual_modes(self):
        for umask, mode in ((0o022, 0o644), (0o002, 0o664)):
            old = os.umask(umask)
            self.assertEqual(self.sign().returncode, 0)
            os.umask(old)
            for name in ("SHA256SUMS", "SHA256SUMS.sig"):
                self.assertEqual(stat.S_IMODE((self.release / name).stat().st_mode), mode, f"{name}, umask {umask:o}")
            (self.release / "SHA256SUMS").unlink()

    def test_a_number_not_greater_than_the_replaced_one_is_refused_and_loses_nothing(self):
        self.assertEqual(self.sign("--release", "20000101000000").returncode, 0)
        signed = [(self.release / name).read_bytes() for name in ("SHA256SUMS", "SHA256SUMS.sig")]
        for number in ("20000101000000", "19991231235959", "18446744073709551616", "12a"):
            result = self.sign("--release", number)
            self.assertEqual(result.returncode, 1, number)
            self.assertIn("sign-release: ", result.stderr)
            self.assertEqual([(self.release / name).read_bytes() for name in ("SHA256SUMS", "SHA256SUMS.sig")],
                             signed, number)
        self.assertEqual(self.sign().returncode, 0, "the clock's number is greater")

    def test_a_new_folder_needs_a_number_greater_than_the_releases_beside_it(self):
        self.assertEqual(self.sign("--release", "20").returncode, 0)
        (self.folder / "next").mkdir()
        (self.folder / "next" / "a.dll").write_bytes(b"MZ")
        refused = self.sign("--release", "9", folder="next")
        self.assertEqual(refused.returncode, 1)
        self.assertIn("not greater than 20, the release of " + str(self.release / "SHA256SUMS"), refused.stderr)
        self.assertFalse((self.folder / "next" / "SHA256SUMS").exists())
        self.assertEqual(self.sign("--release", "9", "--product", "Zefra Başka", folder="next").returncode, 0,
                         "another product")


if __name__ == "__main__":
    sys.exit(unittest.main())
