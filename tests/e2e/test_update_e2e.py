#!/usr/bin/python3
"""The whole update, end to end: the real "Zefra INDIR.exe" under Wine on the test display,
the manifest in MariaDB, the files on the HTTP server, a running stand-in for Zefra VUNO,
and a real click on BAŞLAT.

  test_update_e2e.py STATE BUILD   (STATE: the test environment that testenv.py started)
"""

import json
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import driver  # noqa: E402

STATE = BUILD = None
APP = "Zefra VUNO.exe"
FILES = {APP: None, "VunoRapor.dll": b"rapor-v2 " * 5000, "Yenilikler.txt": "Sürüm 9.09\r\n".encode("cp1254")}
OLD = {"VunoRapor.dll": b"rapor-v1 " * 3000, "Yenilikler.txt": b"Surum 9.08\r\n"}


class EndToEnd(unittest.TestCase):
    def setUp(self):
        self.env = json.loads((Path(STATE) / "env.json").read_text())
        self.desk = driver.WineDesk(self.env, BUILD)
        self.addCleanup(self.desk.end_all)
        self.folder = Path(tempfile.mkdtemp(prefix="program-", dir=self.env["ZEFRA_TEST_SCRATCH"]))
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.web = Path(self.env["ZEFRA_TEST_HTTP_ROOT"]) / "e2e" / self.id().rsplit(".", 1)[-1]
        self.web.mkdir(parents=True, exist_ok=True)
        self.addCleanup(shutil.rmtree, self.web, True)
        self.addCleanup(driver.mariadb, self.env, (Path(__file__).resolve().parents[1] / "fixtures" /
                                                   "schema.sql").read_text())

        standin = Path(BUILD) / "tests" / "standin_app.exe"
        driver.copy_updater(BUILD, self.folder)
        driver.write_settings(self.folder, "127.0.0.1", self.env["ZEFRA_TEST_DB_PORT"], "8")
        driver.make_standin(standin, self.folder / APP, "9.08")
        driver.make_standin(standin, self.web / APP, "9.09")
        for name, content in OLD.items():
            (self.folder / name).write_bytes(content)
        for name, content in FILES.items():
            if content is not None:
                (self.web / name).write_bytes(content)
        self.record = self.folder / "started.txt"
        base = f"http://127.0.0.1:{self.env['ZEFRA_TEST_HTTP_PORT']}/e2e/{self.web.name}"
        driver.set_manifest(self.env, list(FILES), base)

    def start_updater(self):
        self.desk.start(self.folder / APP)
        self.desk.wait_window("=Zefra VUNO 9.08")
        self.desk.start(self.folder / "Zefra INDIR.exe")
        window = self.desk.wait_window(driver.UPDATER_TITLE)
        controls = self.desk.controls(driver.UPDATER_TITLE)
        summary = [c["text"] for c in controls if c["text"].startswith("Model: ")]
        self.assertEqual(summary, ["Model: Zefra VUNO  -->  Versiyon: 9.09 Türkçe\r\n\r\nGüncellenecek Dosyalar:\r\n"
                                   "Zefra VUNO.exe  VunoRapor.dll  Yenilikler.txt    "])
        return window

    def press_start(self):
        button = driver.find_control(self.desk.controls(driver.UPDATER_TITLE), "&BAŞLAT")
        self.assertTrue(button["enabled"])
        self.desk.click(button)

    def assert_updated(self):
        self.assertEqual(driver.sha256(self.folder / APP), driver.sha256(self.web / APP))
        for name, content in FILES.items():
            self.assertEqual((self.folder / name).read_bytes(), (self.web / name).read_bytes(), name)
        self.assertFalse(list(self.folder.glob("*.download")))

    def finish_completed_run(self):
        box = self.desk.wait_window("=Zefra INDIR", driver.BOX_CLASS, timeout=60)
        texts = [c["text"] for c in self.desk.controls("=Zefra INDIR")]
        self.assertIn("Güncelleme tamamlandı! Programınız yeniden başlayacak.", texts)
        del box
        self.desk.press("=Zefra INDIR", "OK")
        self.desk.wait_gone(driver.UPDATER_TITLE, timeout=30)
        self.desk.wait_window("=Zefra VUNO 9.09", timeout=30)

    def assert_in_order(self, messages, prefixes):
        position = 0
        for prefix in prefixes:
            while position < len(messages) and not messages[position].startswith(prefix):
                position += 1
            self.assertLess(position, len(messages), f"log line {prefix!r} missing or out of order:\n" +
                            "\n".join(messages))

    def test_a_press_replaces_every_file_and_restarts_the_application(self):
        self.start_updater()
        self.press_start()
        # The running copy is ended once every file is here, then all are placed together.
        self.desk.wait_gone("=Zefra VUNO 9.08", timeout=20)
        self.finish_completed_run()
        self.assert_updated()
        messages = driver.log_messages(self.folder)
        expected_order = ["Updater started; applicationPath=", "Database settings loaded; baseUrl=",
                          "Update started; baseUrl=", "File selected from database; name=Zefra VUNO.exe",
                          "Download start; url=", "HTTP response; status=200", "HTTP body received; bytes=",
                          "Temporary file saved; path=", "Download staged; path=",
                          "File reported downloaded; name=Zefra VUNO.exe", "File selected from database; name=VunoRapor.dll",
                          "File reported downloaded; name=VunoRapor.dll", "File selected from database; name=Yenilikler.txt",
                          "File reported downloaded; name=Yenilikler.txt", "Program closed; pid=",
                          "Placing journal written; path=", "File placed; name=Zefra VUNO.exe", "Placing complete; files=3"]
        self.assert_in_order(messages, expected_order)
        self.assertIn("Download start; url=http://127.0.0.1:" + self.env["ZEFRA_TEST_HTTP_PORT"] +
                      f"/e2e/{self.web.name}/Zefra%20VUNO.exe", "\n".join(messages))

    def test_b_a_failed_file_leaves_the_window_open_and_a_second_press_completes(self):
        (self.web / "Yenilikler.txt").unlink()  # slot 3 answers 404
        self.start_updater()
        self.press_start()
        box = self.desk.wait_window("=Zefra INDIR", driver.BOX_CLASS, timeout=60)
        del box
        texts = [c["text"] for c in self.desk.controls("=Zefra INDIR")]
        self.assertTrue(any(t.startswith("Yenilikler.txt indirilemedi.\r\nhttp://") and t.endswith("HTTP 404 Not Found")
                            for t in texts), texts)
        self.desk.press("=Zefra INDIR", "OK")
        time.sleep(1)
        controls = self.desk.controls(driver.UPDATER_TITLE)
        self.assertTrue(driver.find_control(controls, "&BAŞLAT")["enabled"])
        driver.find_control(controls, "Yenilikler.txt indirilemedi.")
        # Nothing changed and the application still runs: slots 1 and 2 wait beside their files.
        for name in ("VunoRapor.dll", "Yenilikler.txt"):
            self.assertEqual((self.folder / name).read_bytes(), OLD[name])
        self.desk.wait_window("=Zefra VUNO 9.08", timeout=5)

        (self.web / "Yenilikler.txt").write_bytes(FILES["Yenilikler.txt"])  # the vendor mends it
        self.press_start()
        self.finish_completed_run()
        self.assert_updated()

    def test_c_a_manifest_that_lists_the_updater_replaces_it_and_the_next_start_clears_the_old_one(self):
        updater = "Zefra INDIR.exe"
        # A newer updater: the same program with a mark at its end, where Windows ignores it.
        (self.web / updater).write_bytes((Path(BUILD) / updater).read_bytes() + b"\0ZEFRA-E2E-NEW-UPDATER\0")
        base = f"http://127.0.0.1:{self.env['ZEFRA_TEST_HTTP_PORT']}/e2e/{self.web.name}"
        driver.set_manifest(self.env, [updater, "VunoRapor.dll"], base)
        old_updater = self.desk.start(self.folder / updater)
        self.desk.wait_window(driver.UPDATER_TITLE)
        self.press_start()
        self.desk.wait_window("=Zefra INDIR", driver.BOX_CLASS, timeout=60)
        texts = [c["text"] for c in self.desk.controls("=Zefra INDIR")]
        self.assertIn("Güncelleme tamamlandı! Programınız yeniden başlayacak.", texts)
        self.desk.press("=Zefra INDIR", "OK")
        self.desk.wait_gone(driver.UPDATER_TITLE, timeout=30)
        self.desk.wait_window("=Zefra VUNO 9.08", timeout=30)

        self.assertEqual(driver.sha256(self.folder / updater), driver.sha256(self.web / updater))
        self.assertEqual((self.folder / "VunoRapor.dll").read_bytes(), FILES["VunoRapor.dll"])
        self.assertFalse(list(self.folder.glob("*.download")))
        self.assertEqual(len(list(self.folder.glob("*.indir-old"))), 1, "the old updater waits aside")
        messages = driver.log_messages(self.folder)
        expected_order = ["File selected from database; name=Zefra INDIR.exe", "Download staged; path=",
                          "File reported downloaded; name=Zefra INDIR.exe",
                          "File selected from database; name=VunoRapor.dll",
                          "File reported downloaded; name=VunoRapor.dll", "File placed; name=VunoRapor.dll",
                          "Replacing the running updater; path=", "Running updater set aside; path=",
                          "New updater moved into place; path=", "File placed; name=Zefra INDIR.exe"]
        self.assert_in_order(messages, expected_order)

        # The next start, once the old updater has ended, is the new updater's; the file set aside
        # is gone by the time its window shows.
        old_updater.wait(timeout=30)
        self.desk.start(self.folder / updater)
        self.desk.wait_window(driver.UPDATER_TITLE)
        self.assertEqual(list(self.folder.glob("*.indir-old")), [])
        self.assertEqual(driver.sha256(self.folder / updater), driver.sha256(self.web / updater))
        self.assertTrue(driver.log_messages(self.folder)[len(messages)].startswith("Updater started; applicationPath="))

    def test_d_a_second_start_in_the_same_folder_leaves_one_window_and_ends(self):
        self.start_updater()
        # The same folder spelled otherwise: its identity, not its text, makes it the same.
        other_spelling = driver.win_path(self.folder).upper() + "\\.\\Zefra INDIR.exe"
        second = self.desk.start(other_spelling, cwd=self.folder)
        self.assertEqual(second.wait(timeout=30), 0, "the second updater ends by itself, with no box to answer")
        self.assertEqual(len(self.desk.visible_windows(driver.UPDATER_TITLE)), 1)
        messages = driver.log_messages(self.folder)
        self.assertEqual(sum(m.startswith("Updater started;") for m in messages), 1, messages)
        self.assertEqual(sum(m.startswith("Updater already running in this folder;") for m in messages), 1)

if __name__ == "__main__":
    STATE, BUILD = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
