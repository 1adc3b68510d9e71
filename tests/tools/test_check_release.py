#!/usr/bin/python3
"""tools/check-release against the fixture's web server, with releases signed by tools/sign-release:
a good release passes, and each fault a shop's run would stop on is named and fails the check."""

import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "fixtures"))
from test_http_server import start_server, stop_server  # noqa: E402

SIGN = ROOT / "tools" / "sign-release"
KEY_RC = ROOT / "cmake" / "release_key.cmake"
CHECK = os.environ.get("ZEFRA_CHECK_RELEASE", str(ROOT / "tools" / "check-release"))
NAMES = ["Zefra VUNO.exe", "sub/b.dll"]


def updater(folder, key=None):
    """A small Windows program, with the release key resource as the build makes it when key is given."""
    objects = []
    if key:
        subprocess.run(["cmake", f"-DKEY={key}", f"-DOUT={folder / 'key.rc'}", "-P", str(KEY_RC)], check=True)
        subprocess.run(["i686-w64-mingw32-windres", str(folder / "key.rc"), "-O", "coff", "-o", str(folder / "key.o")],
                       check=True)
        objects.append(str(folder / "key.o"))
    subprocess.run(["i686-w64-mingw32-gcc", *objects, "-x", "c", "-", "-o", str(folder / "Zefra INDIR.exe")],
                   input=b"int main(void) { return 0; }\n", check=True)


class CheckRelease(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp())
        cls.addClassCleanup(subprocess.run, ["rm", "-rf", str(cls.tmp)], check=True)
        for name in ("vendor", "other"):
            subprocess.run([str(SIGN), "--new-key", str(cls.tmp / name)], check=True, stdout=subprocess.DEVNULL)
        for number, folder in enumerate(("ok", "missing", "changed", "private", "no-mz", "unkeyed", "other-key"), 1):
            files = cls.tmp / "root" / folder
            (files / "sub").mkdir(parents=True)
            if folder in ("unkeyed", "other-key"):
                updater(files, cls.tmp / "other.pub.pem" if folder == "other-key" else None)
                for built in ("key.rc", "key.o"):
                    (files / built).unlink(missing_ok=True)
            (files / "Zefra VUNO.exe").write_bytes((b"ZM" if folder == "no-mz" else b"MZ") + bytes(range(256)) * 8)
            (files / "sub" / "b.dll").write_bytes(b"b.dll 9.09\r\n")
            for path in (files, *files.rglob("*")):
                path.chmod(0o755 if path.is_dir() else 0o644)
            subprocess.run([str(SIGN), "--release", str(number), str(cls.tmp / "vendor.pem"), str(files)],
                           check=True, stdout=subprocess.DEVNULL)
        (cls.tmp / "root/missing/sub/b.dll").unlink()
        changed = cls.tmp / "root/changed/Zefra VUNO.exe"
        changed.write_bytes(b"MZ" + b"\x01" + changed.read_bytes()[3:])
        (cls.tmp / "root/private/sub/b.dll").chmod(0o600)
        words = random.Random(27)
        program = b"MZ" + " ".join(str(words.randrange(5000)) for _ in range(30000)).encode()
        for number, folder in ((8, "forms-before"), (9, "forms")):
            files = cls.tmp / "root" / folder
            files.mkdir()
            (files / "Zefra VUNO.exe").write_bytes(program + b"%d" % number)
            subprocess.run([str(SIGN), "--release", str(number), str(cls.tmp / "vendor.pem"), str(files)],
                           check=True, stdout=subprocess.DEVNULL)
        # A patch damaged before it was signed: listed as it is, it cannot decode.
        bad = shutil.copytree(cls.tmp / "root/forms", cls.tmp / "root/forms-bad")
        patch = next(bad.glob("*.patch-*"))
        listed = subprocess.run(["sha256sum", patch.name], cwd=bad, capture_output=True, text=True).stdout
        patch.write_bytes(patch.read_bytes()[:-12] + bytes(12))
        damaged = subprocess.run(["sha256sum", patch.name], cwd=bad, capture_output=True, text=True).stdout
        (bad / "SHA256SUMS").write_text((bad / "SHA256SUMS").read_text().replace(listed, damaged))
        subprocess.run(["openssl", "dgst", "-sha256", "-sign", str(cls.tmp / "vendor.pem"), "-out",
                        str(bad / "SHA256SUMS.sig"), str(bad / "SHA256SUMS")], check=True)
        for path in (cls.tmp / "root").glob("forms*/*"):
            path.chmod(0o644)
        cls.server, cls.port = start_server(str(cls.tmp), subprocess.DEVNULL, ["--others-only"])
        cls.addClassCleanup(stop_server, cls.server)

    def url(self, folder):
        return f"http://127.0.0.1:{self.port}/{folder}"

    def check(self, folder, names, key="vendor", options=()):
        return subprocess.run([CHECK, "--key", str(self.tmp / f"{key}.pub.pem"), *options, self.url(folder), *names],
                              capture_output=True, text=True)

    def test_a_good_release_passes_with_one_line_per_file(self):
        result = self.check("ok", NAMES)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        files = [line for line in result.stdout.splitlines() if line.startswith("file ")]
        self.assertEqual([line.split(" -> ")[0].split(maxsplit=2)[2] for line in files], NAMES)
        self.assertTrue(all("SHA-256 as listed" in line for line in files), files)
        self.assertNotIn("FAIL", result.stdout)

    def test_each_fault_a_shop_would_stop_on_is_named(self):
        rows = [
            ("a name the rule refuses", "ok", NAMES + ["..\\Muhasebe.dll"], "vendor",
             'dosya3: the updater refuses the name, and then closes and fetches nothing at all: Geçersiz dosya adı'),
            ("a file missing", "missing", NAMES, "vendor", "dosya2 sub/b.dll: HTTP 404 Not Found"),
            ("a file changed after signing", "changed", NAMES, "vendor", "dosya1 Zefra VUNO.exe: Dosyanın SHA-256"),
            ("a list signed by another key", "ok", NAMES, "other", "SHA256SUMS: İmza geçersiz"),
            ("an .exe without MZ", "no-mz", NAMES, "vendor", "Zefra VUNO.exe: Sunucu EXE yerine farklı içerik"),
            ("a file the server may not read", "private", NAMES, "vendor", "dosya2 sub/b.dll: HTTP 403 Forbidden"),
            ("a name not in the list", "ok", NAMES + ["c.dll"], "vendor", "dosya3: Dosya imzalı sürüm listesinde yok"),
            ("a number below the live one", "ok", NAMES, "vendor", "Bu sürüm (1) kurulu sürümden (5) eski", "no-mz"),
            ("an updater without a key", "unkeyed", ["Zefra INDIR.exe"], "vendor", "release key none"),
            ("an updater with another key", "other-key", ["Zefra INDIR.exe"], "vendor", ", not "),
            ("a patch that does not decode", "forms-bad",
             [NAMES[0], "--patch-base", str(self.tmp / "root/forms-before")], "vendor", "….zst: does not decode: "),
        ]
        for row, folder, names, key, finding, *live in rows:
            with self.subTest(row):
                result = self.check(folder, names, key, ["--against", self.url(live[0])] if live else ())
                self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                fails = [line for line in result.stdout.splitlines() if line.startswith("FAIL")]
                self.assertTrue(any(finding in line for line in fails), result.stdout)

    def test_a_proposed_row_is_checked_and_its_statement_printed(self):
        version = "9.09 Türkçe 'son'"
        row = f"dosya1=Zefra VUNO.exe;dosya2=sub/b.dll;versite={self.url('ok')};versiyon={version}"
        result = subprocess.run([CHECK, "--key", str(self.tmp / "vendor.pub.pem"), "--against", self.url("ok"),
                                 "--row", row], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout.splitlines()[-1],
                         f"UPDATE ovantis.tblayar SET dosya1='Zefra VUNO.exe', dosya2='sub/b.dll', dosya3=NULL, "
                         f"dosya4=NULL, dosya5=NULL, versite='{self.url('ok')}', "
                         f"versiyon=X'{version.encode().hex().upper()}';")

    def test_the_smaller_forms_decode_to_their_file_and_a_patch_without_its_older_file_is_named(self):
        rows = [(["--patch-base", str(self.tmp / "root/forms-before")], "form  Zefra VUNO.exe.patch-"),
                ([], "warn  Zefra VUNO.exe.patch-")]
        for options, patch_line in rows:
            with self.subTest(options=options):
                result = self.check("forms", [NAMES[0], *options])
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertIn("form  Zefra VUNO.exe.zst -> ", result.stdout)
                self.assertIn(patch_line, result.stdout)

    def test_input_it_cannot_check_is_refused_clearly(self):
        rows = [(["--key", str(self.tmp / "vendor.pem"), "http://127.0.0.1:1/x", "a.dll"], "not a PEM public key"),
                (["--from-db", "127.0.0.1:1"], "cannot connect to 127.0.0.1:1"),
                (["http://127.0.0.1:1/x"], "at least one name")]
        for arguments, message in rows:
            with self.subTest(message):
                result = subprocess.run([CHECK, *arguments], capture_output=True, text=True)
                self.assertEqual(result.returncode, 2, result.stdout + result.stderr)
                self.assertIn(message, result.stderr)


if __name__ == "__main__":
    sys.exit(unittest.main())
