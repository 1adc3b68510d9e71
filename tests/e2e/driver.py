"""Drives the real "Zefra INDIR.exe" under Wine from outside, as a person would: a program
folder with its files and ayar.xml, the manifest row in MariaDB, the files on the web server,
real clicks on the display (xdotool), screenshots (ImageMagick), and the window probe for
reading and answering windows. Shared by the end-to-end tests and `make demo`."""

import hashlib
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

UPDATER_TITLE = "Zefra iNDiR Ovantis"
BOX_CLASS = "#32770"


def win_path(path):
    return "Z:" + str(path).replace("/", "\\")


def sha256(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


class WineDesk:
    """Wine programs, windows, clicks and screenshots in one test environment."""

    def __init__(self, env, build_dir, display=None):
        self.env = dict(os.environ)
        for key in ("LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANGUAGE"):
            self.env.pop(key, None)
        self.env.update(env)
        self.env.update(WINEPREFIX=env["ZEFRA_WINEPREFIX_DEFAULT"], LANG="C.UTF-8")
        self.wine = env["ZEFRA_WINE"]
        if display:
            self.env["DISPLAY"] = display
        self.build = Path(build_dir)
        self.probe_exe = self.build / "tools" / "window_probe.exe"
        self.started = []

    def start(self, exe, *args, cwd=None):
        """Starts a Windows program without waiting for it."""
        process = subprocess.Popen([self.wine, str(exe), *args], env=self.env, cwd=cwd or Path(exe).parent,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.started.append(process)
        return process

    def probe(self, *args, timeout=60):
        # Output goes through a file, not a pipe: a Wine service that this call happens to start
        # (the desktop, say) would inherit a pipe and keep it open long after the window probe ends.
        with tempfile.TemporaryFile() as out:
            process = subprocess.Popen([self.wine, str(self.probe_exe), *args], env=self.env,
                                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
            try:
                code = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise
            out.seek(0)
            return code, out.read().decode("utf-8", "replace").splitlines()

    def wait_window(self, title, window_class=None, timeout=30):
        extra = ["--class", window_class] if window_class else []
        code, lines = self.probe("wait", title, *extra, "--timeout", str(timeout), timeout=timeout + 30)
        if code != 0:
            raise AssertionError(f"no window titled {title!r} within {timeout} s")
        return parse_control(lines[0])

    def wait_gone(self, title, timeout=30):
        code, _ = self.probe("gone", title, "--timeout", str(timeout), timeout=timeout + 30)
        if code != 0:
            raise AssertionError(f"window {title!r} still there after {timeout} s")

    def controls(self, title):
        code, lines = self.probe("texts", title, "--timeout", "10")
        if code != 0:
            raise AssertionError(f"no window titled {title!r}")
        return [parse_control(line) for line in lines]

    def progress_between(self, title, low, high, timeout=30):
        """Waits until the window's progress bar shows a value from low to high; returns it, or None
        when the bar did not get there in time."""
        code, lines = self.probe("progress", title, "--at-least", str(low), "--at-most", str(high),
                                 "--timeout", str(timeout), timeout=timeout + 30)
        return int(lines[0]) if code == 0 and lines else None

    def visible_windows(self, title):
        """The mapped X windows on the display whose name begins with title."""
        return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + title], env=self.env,
                              capture_output=True, text=True, timeout=20).stdout.split()

    def press(self, title, button):
        code, _ = self.probe("press", title, button, "--timeout", "10")
        if code != 0:
            raise AssertionError(f"no button {button!r} on {title!r}")

    def click(self, control):
        """A real left click in the middle of a control (X pointer events through xdotool)."""
        x = control["left"] + control["width"] // 2
        y = control["top"] + control["height"] // 2
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], env=self.env, check=True, timeout=20)
        time.sleep(0.3)
        subprocess.run(["xdotool", "click", "1"], env=self.env, check=True, timeout=20)

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def end_all(self):
        """Ends every Windows program of the prefix, then brings a persistent wineserver back:
        one that a later wine started itself would inherit, and hold, a harness's pipes."""
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
        for process in self.started:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.started.clear()
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)
        log = Path(self.env["ZEFRA_TEST_STATE"]) / "wineserver-restarted.log"
        with open(log, "ab") as out:
            subprocess.Popen(["wineserver", "-f", "-p"], env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                             stderr=subprocess.STDOUT, start_new_session=True)
        time.sleep(0.5)


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"r": "\r", "n": "\n"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def parse_control(line):
    window_class, enabled, rect, text = line.split("|", 3)
    text = unescape(text)
    left, top, width, height = (int(v) for v in rect.split(","))
    return {"class": window_class, "text": text, "enabled": enabled == "enabled", "left": left, "top": top,
            "width": width, "height": height}


def find_control(controls, text=None, window_class=None):
    for control in controls:
        if (text is None or control["text"] == text) and (window_class is None or control["class"] == window_class):
            return control
    raise AssertionError(f"no control {text!r} among {[c['text'] for c in controls]}")


def mariadb(env, sql):
    """Runs SQL on the fixture's MariaDB as its administrator."""
    subprocess.run(["mariadb", "--no-defaults", "-S", env["ZEFRA_TEST_DB_SOCKET"], "-uroot", "--default-character-set=utf8mb4"],
                   input=sql, text=True, check=True, timeout=60, capture_output=True)


def sql_text(value):
    if value is None:
        return "NULL"
    return "'" + value.replace("\\", "\\\\").replace("'", "''") + "'"


def set_manifest(env, files, base_url, model="Zefra VUNO", version="9.09 Türkçe"):
    """Puts one manifest row in ovantis.tblayar: five file slots, the base address, the texts."""
    slots = (list(files) + [None] * 5)[:5]
    values = ", ".join(sql_text(v) for v in [*slots, base_url, model, version])
    mariadb(env, "DELETE FROM ovantis.tblayar; INSERT INTO ovantis.tblayar "
                 "(dosya1, dosya2, dosya3, dosya4, dosya5, versite, model, versiyon) VALUES (" + values + ");")


def write_settings(folder, server, port, driver="8"):
    """ayar.xml as a vendor writes it: server, port and driver selector, then the mode."""
    (Path(folder) / "ayar.xml").write_text(
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        f"<ayar>\n  <baglanti>\n    <sunucu>{server}</sunucu>\n    <port>{port}</port>\n"
        f"    <surucu>{driver}</surucu>\n  </baglanti>\n  <mod>\n    <deger>1</deger>\n  </mod>\n</ayar>\n",
        encoding="utf-8")


def make_standin(standin_exe, target, version):
    """A copy of the stand-in application that shows the given version: the text rides at the
    end of the executable, where Windows ignores it, so old and new copies differ in content."""
    data = Path(standin_exe).read_bytes() + b"\0ZEFRA-STANDIN-VERSION=" + version.encode("utf-8") + b"\0"
    Path(target).write_bytes(data)


def log_messages(folder):
    """The messages of the diagnostic log, without their timestamps."""
    path = Path(folder) / "Zefra INDIR-update.log"
    if not path.exists():
        return []
    return [line[20:] for line in path.read_bytes().decode("cp1252", "replace").split("\r\n") if line]


def copy_updater(build_dir, folder):
    shutil.copy2(Path(build_dir) / "Zefra INDIR.exe", Path(folder) / "Zefra INDIR.exe")
