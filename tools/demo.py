#!/usr/bin/python3
"""`make demo`: the updater at work on this machine, under Wine.

It starts a local MariaDB with a manifest row (three files: the application "Zefra VUNO.exe",
a data file "VunoRapor.dll" and a text file "Yenilikler.txt"), a local web server with the new
files, writes a program folder with ayar.xml and the old files, starts the old application and
then "Zefra INDIR.exe".

The web server speaks HTTPS at https://localhost, with a throwaway certificate whose authority
only the demo's Wine prefix trusts. DEMO_HTTP=1 serves plain http://127.0.0.1 instead.

  With a display (DISPLAY set): the window opens; press BAŞLAT yourself.
  Without one: it runs on a virtual display, presses BAŞLAT itself, saves a screenshot of each
  stage and exits 0 only if the update completed.

Ctrl+C at any point stops everything the demo started.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
sys.path.insert(0, str(ROOT / "tests" / "fixtures"))
import driver  # noqa: E402
import testenv  # noqa: E402

BUILD = ROOT / "build" / "win32"
DEMO = ROOT / "build" / "demo"
APP = "Zefra VUNO.exe"
NEW = {"VunoRapor.dll": b"VUNO RAPOR 9.09 " * 524288, "Yenilikler.txt": (
    "Zefra VUNO 9.09\r\n- Yeni müşteri kartı\r\n- Halı teslim listesi yazdırma\r\n").encode("cp1254")}
OLD = {"VunoRapor.dll": b"VUNO RAPOR 9.08 " * 65536, "Yenilikler.txt": b"Zefra VUNO 9.08\r\n"}


def say(text):
    print(f"demo: {text}", flush=True)


def snapshot(folder):
    return {p.name: (p.stat().st_size, driver.sha256(p)) for p in sorted(folder.iterdir())
            if p.is_file() and p.name in (APP, *NEW)}


def prepare(env, base_address):
    program, web = DEMO / "program", DEMO / "www" / "vuno"
    shutil.rmtree(program, ignore_errors=True)
    shutil.rmtree(web, ignore_errors=True)
    program.mkdir(parents=True)
    web.mkdir(parents=True)
    standin = BUILD / "tests" / "standin_app.exe"
    driver.copy_updater(BUILD, program)
    driver.write_settings(program, "127.0.0.1", env["ZEFRA_TEST_DB_PORT"], "8")
    driver.make_standin(standin, program / APP, "9.08")
    driver.make_standin(standin, web / APP, "9.09")
    for name in NEW:
        (program / name).write_bytes(OLD[name])
        (web / name).write_bytes(NEW[name])
    driver.set_manifest(env, [APP, *NEW], f"{base_address}/vuno")
    return program, web


def start_web_server(env, secure):
    """A second web server over the demo's folder, slowed a little so each stage can be seen;
    returns it and its base address."""
    port_file = DEMO / "http.port"
    port_file.unlink(missing_ok=True)
    (DEMO / "www").mkdir(parents=True, exist_ok=True)
    tls = []
    if secure:
        certificates = testenv.certificates(env["ZEFRA_TEST_STATE"])
        tls = ["--tls-cert", str(certificates["good"]), "--tls-key", str(certificates["key"])]
    server = subprocess.Popen(["/usr/bin/python3", str(ROOT / "tests" / "fixtures" / "http_server.py"), "--root",
                               str(DEMO / "www"), "--port-file", str(port_file), "--delay-ms", "25", *tls],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              start_new_session=True)
    testenv.wait_for("the demo web server", port_file.exists, 20)
    port = int(port_file.read_text())
    # The certificate names localhost; Wine's WinHTTP does not match addresses in certificates.
    return server, f"https://localhost:{port}" if secure else f"http://127.0.0.1:{port}"


def run_with_person(desk, program):
    say("the updater window is open: press BAŞLAT (or KAPAT to leave)")
    updater = desk.start(program / "Zefra INDIR.exe")
    updater.wait()


def run_headless(desk, program, shots):
    shots.mkdir(parents=True, exist_ok=True)
    desk.start(program / "Zefra INDIR.exe")
    window = desk.wait_window(driver.UPDATER_TITLE)
    time.sleep(1)
    desk.screenshot(shots / "1-startup.png")
    button = driver.find_control(desk.controls(driver.UPDATER_TITLE), "&BAŞLAT")
    desk.click(button)
    time.sleep(0.7)
    desk.screenshot(shots / "2-waiting.png")
    # The picture of a download under way: the 8 MiB library with its bar partly filled.
    deadline = time.monotonic() + 60
    fetching = False
    while not fetching and time.monotonic() < deadline:
        fetching = "VunoRapor.dll" in [c["text"] for c in desk.controls(driver.UPDATER_TITLE)]
        time.sleep(0.1)
    if fetching and desk.progress_between(driver.UPDATER_TITLE, 25, 75, timeout=30) is not None:
        desk.screenshot(shots / "3-downloading.png")
        crop = f"{window['width']}x{window['height']}+{window['left']}+{window['top']}"
        subprocess.run(["convert", str(shots / "3-downloading.png"), "-crop", crop, "+repage",
                        str(shots / "window.png")], check=True, timeout=60)
    desk.wait_window("=Zefra INDIR", driver.BOX_CLASS, timeout=120)
    time.sleep(0.5)
    desk.screenshot(shots / "4-completed.png")
    desk.press("=Zefra INDIR", "OK")
    desk.wait_gone(driver.UPDATER_TITLE, timeout=30)
    desk.wait_window("=Zefra VUNO 9.09", timeout=30)
    time.sleep(1)
    desk.screenshot(shots / "5-restarted.png")


def summary(before, after, program):
    say("files in the program folder (size, sha256), before -> after:")
    for name in sorted(set(before) | set(after)):
        b, a = before.get(name, (0, "-")), after.get(name, (0, "-"))
        mark = "replaced" if b != a else "unchanged"
        print(f"  {name:<16} {b[0]:>9} {b[1][:12]} -> {a[0]:>9} {a[1][:12]}  {mark}")
    say("the diagnostic log:")
    for line in driver.log_messages(program):
        print("  " + line)


def main():
    needed_files = (BUILD / "Zefra INDIR.exe", BUILD / "tests" / "standin_app.exe", BUILD / "tools" / "window_probe.exe",
                    BUILD / "tests" / testenv.TRUST_HELPER)
    for needed in needed_files:
        if not needed.exists():
            sys.exit(f"demo: {needed} is missing; run make build")
    person_display = os.environ.get("DISPLAY")
    state = DEMO / "testenv"
    server = None
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        say("starting a local MariaDB, a virtual display and Wine (the first time takes a minute)")
        env = testenv.start(state, helpers=BUILD / "tests")
        server, base_address = start_web_server(env, secure=os.environ.get("DEMO_HTTP") != "1")
        say(f"the update files are served from {base_address}/vuno")
        program, web = prepare(env, base_address)
        desk = driver.WineDesk(env, BUILD, display=person_display)
        before = snapshot(program)
        say(f"program folder: {program}")
        desk.start(program / APP)
        desk.wait_window("=Zefra VUNO 9.08")
        shots = DEMO / "screenshots"
        if person_display:
            run_with_person(desk, program)
        else:
            run_headless(desk, program, shots)
        after = snapshot(program)
        summary(before, after, program)
        completed = all(after[n][1] == driver.sha256(web / n) for n in (APP, *NEW))
        if not person_display:
            say(f"screenshots of each stage: {shots}")
        say("the update completed" if completed else "the update did not complete")
        return 0 if completed else 1
    except KeyboardInterrupt:
        say("interrupted")
        return 130
    finally:
        say("stopping everything the demo started")
        if server:
            server.terminate()
        testenv.stop(state)


if __name__ == "__main__":
    sys.exit(main())
