#!/usr/bin/python3
"""The release key as the build puts it into the program: cmake/release_key.cmake must give the
key's raw point X‖Y in the byte order the resource holds, and must refuse a private key."""

import re
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


class ReleaseKeyResource(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp())
        subprocess.run([str(ROOT / "tools" / "sign-release"), "--new-key", str(self.folder / "vendor")],
                       check=True, stdout=subprocess.DEVNULL)

    def tearDown(self):
        subprocess.run(["rm", "-rf", str(self.folder)], check=True)

    def convert(self, key):
        return subprocess.run(["cmake", f"-DKEY={key}", f"-DOUT={self.folder / 'key.rc'}", "-P",
                               str(ROOT / "cmake" / "release_key.cmake")], capture_output=True, text=True)

    def test_the_resource_holds_the_raw_point_in_order(self):
        self.assertEqual(self.convert(self.folder / "vendor.pub.pem").returncode, 0)
        words = re.findall(r"0x([0-9a-f]{4})", (self.folder / "key.rc").read_text())
        self.assertEqual(len(words), 32)
        # RCDATA words are little-endian: the low byte comes first in the file.
        stored = b"".join(bytes.fromhex(w)[::-1] for w in words)
        der = subprocess.run(["openssl", "pkey", "-pubin", "-in", str(self.folder / "vendor.pub.pem"), "-outform",
                              "DER"], capture_output=True, check=True).stdout
        self.assertEqual(stored, der[-64:])

    def test_a_private_key_is_never_built_in(self):
        result = self.convert(self.folder / "vendor.pem")
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("not a PEM public key", result.stderr)
        self.assertFalse((self.folder / "key.rc").exists())


if __name__ == "__main__":
    sys.exit(unittest.main())
