#!/usr/bin/python3
"""tools/sign-release: a list that GNU sha256sum -c accepts, files the web server can read, no
release number that is not greater than the one it replaces, and the smaller forms of each file."""

import hashlib
import os
import random
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

    def test_each_file_gets_a_compressed_copy_and_patches_from_the_last_three_releases(self):
        words = random.Random(27)
        text = " ".join(str(words.randrange(5000)) for _ in range(30000)).encode()
        for number in range(1, 6):  # a.dll changes in each release, sub/c.dll is incompressible
            files = self.folder / f"r{number}"
            (files / "sub").mkdir(parents=True)
            (files / "a.dll").write_bytes(text[:number * 999] + b"release %d" % number + text[number * 999:])
            (files / "sub" / "c.dll").write_bytes(random.Random(number).randbytes(70000))
            self.assertEqual(self.sign("--release", str(number), folder=f"r{number}").returncode, 0)
        r5 = self.folder / "r5"
        rows = [("6", [], ["r4", "r3", "r2"]), ("7", ["--patch-from-release", str(self.folder / "r1")], ["r1"])]
        for number, options, sources in rows:
            with self.subTest(sources=sources):
                self.assertEqual(self.sign("--release", number, *options, folder="r5").returncode, 0)
                digests = {r: hashlib.sha256((self.folder / r / "a.dll").read_bytes()).hexdigest() for r in sources}
                patches = {f"a.dll.patch-{digest}.zst": r for r, digest in digests.items()}
                listed = [line.split("  ", 1)[1] for line in (r5 / "SHA256SUMS").read_text().splitlines()
                          if not line.startswith("#")]
                self.assertEqual(listed, sorted(["a.dll", "a.dll.zst", "sub/c.dll", *patches]))
                check = subprocess.run(["sha256sum", "-c", "--strict", "SHA256SUMS"], cwd=r5, capture_output=True)
                self.assertEqual(check.returncode, 0, check.stdout)
                for name, source in [("a.dll.zst", None), *patches.items()]:
                    reference = [f"--patch-from={self.folder / source / 'a.dll'}"] if source else []
                    decoded = subprocess.run(["zstd", "-dcq", "--long=31", *reference, str(r5 / name)],
                                             capture_output=True)
                    self.assertTrue(decoded.stdout == (r5 / "a.dll").read_bytes(), name)
        (r5 / "sub" / "c.dll.zst").write_bytes(b"the vendor's own file")
        refused = self.sign("--release", "8", folder="r5")
        self.assertIn('"sub/c.dll.zst" is the name of a smaller form of "sub/c.dll"', refused.stderr)
        self.assertEqual(len(list(r5.glob("a.dll.patch-*"))), 1, "a refused folder keeps its forms")


if __name__ == "__main__":
    sys.exit(unittest.main())
