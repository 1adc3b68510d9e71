#!/usr/bin/python3
"""tools/release-report on the access log the fixture's web server writes (combined format) and on
an IIS log in W3C format: clients per release folder and day, whole or partway, and their updaters."""

import datetime
import http.client
import re
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "fixtures"))
from test_http_server import start_server, stop_server  # noqa: E402

AGENT = "Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)"
NEW = AGENT + " Zefra-INDIR/9.8.0.0 (release {})"
IIS = """#Software: Microsoft Internet Information Services 10.0
#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip cs(User-Agent) cs(Referer) sc-status sc-substatus sc-win32-status sc-bytes time-taken
2026-12-08 10:00:00 10.0.0.1 GET /vuno/9.08/SHA256SUMS - 443 - 203.0.113.5 {old} - 200 0 0 600 15
2026-12-08 10:00:01 10.0.0.1 GET /vuno/9.08/a.dll - 443 - 203.0.113.5 {old} - 200 0 0 5300 90
2026-12-08 10:07:00 10.0.0.1 GET /vuno/9.08/a.dll - 443 - 203.0.113.6 {new} - 200 0 64 2000 90
2026-12-08 10:09:00 10.0.0.1 GET /vuno/9.08/a.dll - 443 - 203.0.113.7 Mozilla/5.0+(Windows+NT+10.0) - 200 0 0 5300 9
""".format(old=AGENT.replace(" ", "+"), new=NEW.format(20261201000000).replace(" ", "+"))


class ReleaseReport(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp())
        self.addCleanup(subprocess.run, ["rm", "-rf", str(self.tmp)], check=True)
        (self.tmp / "root/vuno/9.09").mkdir(parents=True)
        (self.tmp / "root/vuno/9.09/a.dll").write_bytes(b"MZ" + bytes(5000))
        (self.tmp / "root/vuno/9.09/SHA256SUMS").write_text("# product Zefra VUNO\n")
        server, self.port = start_server(str(self.tmp), subprocess.DEVNULL, ["--access-log", str(self.tmp / "access.log")])
        self.addCleanup(stop_server, server)

    def get(self, client, path, agent, range_=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10, source_address=(client, 0))
        connection.request("GET", path, headers={"User-Agent": agent, **({"Range": range_} if range_ else {})})
        try:
            connection.getresponse().read()
        except http.client.IncompleteRead:
            pass
        connection.close()

    def test_clients_per_folder_and_day_from_both_log_formats(self):
        for client, path, agent, range_ in [
                ("127.0.0.1", "/vuno/9.09/SHA256SUMS", NEW.format("none"), None),
                ("127.0.0.1", "/vuno/9.09/a.dll", NEW.format("none"), None),
                ("127.0.0.2", "/vuno/9.09/a.dll?short=100", NEW.format(5), None),
                ("127.0.0.3", "/vuno/9.09/a.dll", AGENT, "bytes=10-"),
                ("127.0.0.4", "/vuno/9.09/a.dll", "curl/7.88.1", None),
                ("127.0.0.5", "/vuno/9.09/missing.dll", NEW.format("none"), None)]:
            self.get(client, path, agent, range_)
        (self.tmp / "u_ex261208.log").write_text(IIS)
        today = datetime.datetime.now(datetime.timezone.utc).date().isoformat()
        expected = [
            ["day", "folder", "clients", "whole", "partway", "resumed", "updaters"],
            ["2026-12-08", "/vuno/9.08", "2", "1", "1", "0", "9.8.0.0 release 20261201000000: 1; before 9.8: 1"],
            [today, "/vuno/9.09", "4", "2", "2", "1", "9.8.0.0 release 5: 1; 9.8.0.0 release none: 2; before 9.8: 1"]]
        for attempt in range(30):  # the server logs a response once it has ended
            done = subprocess.run([str(ROOT / "tools" / "release-report"), str(self.tmp / "access.log"),
                                   str(self.tmp / "u_ex261208.log")], capture_output=True, text=True)
            rows = [re.split(r"  +", line.strip()) for line in done.stdout.splitlines()[:-1]]
            if rows == expected:
                break
            subprocess.run(["sleep", "0.1"])
        self.assertEqual((done.returncode, rows), (0, expected), done.stdout + done.stderr)
        self.assertIn("8 requests of the updater, 2 of other clients left out, 0 lines", done.stdout)


if __name__ == "__main__":
    sys.exit(unittest.main())
