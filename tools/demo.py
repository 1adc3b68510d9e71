#!/usr/bin/python3
"""`make demo`: the updater at work on this machine, under Wine.

It starts a local MariaDB with a manifest row (three files: the application "Zefra VUNO.exe",
a data file "VunoRapor.dll" and a text file "Yenilikler.txt"), a local web server with the new
files, writes a program folder with ayar.xml and the old files, starts the old application and
then "Zefra INDIR.exe".

The web server speaks HTTPS at https://localhost, with a throwaway certificate whose authority
only the demo's Wine prefix trusts. DEMO_HTTP=1 serves plain http://127.0.0.1 instead.

The release is signed: the demo makes a throwaway release key, builds the updater it runs with
that key (build/demo-signed-win32, or -win64) and signs the served folder with
tools/sign-release. DEMO_TAMPER=1 changes one served byte after signing: the update is then
refused and every old file stays.

  With a display (DISPLAY set): the window opens; press BAŞLAT yourself.
  Without one: it runs on a virtual display, presses BAŞLAT itself, saves a screenshot of each
  stage and exits 0 only if the update completed (with DEMO_TAMPER=1: only if it was refused
  and no file changed).

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

# The build that runs here: the 32-bit one, or the 64-bit one where no 32-bit program runs.
BUILD = ROOT / "build" / testenv.WINEARCH
SIGNED_BUILD = ROOT / "build" / f"demo-signed-{testenv.WINEARCH}"
TOOLCHAIN = ROOT / "cmake" / ("toolchain-mingw-i686.cmake" if testenv.WINEARCH == "win32" else
                              "toolchain-mingw-x86_64.cmake")
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


def build_signed_updater():
    """A throwaway release key, and the updater built with it; returns the key and the build."""
    keys = DEMO / "keys"
    shutil.rmtree(keys, ignore_errors=True)
    keys.mkdir(parents=True)
    subprocess.run([str(ROOT / "tools" / "sign-release"), "--new-key", str(keys / "demo")], check=True,
                   stdout=subprocess.DEVNULL)
    say("building the updater with the demo's throwaway release key (the first time takes a minute)")
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(SIGNED_BUILD), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DZEFRA_TESTS=OFF", f"-DZEFRA_RELEASE_KEY={keys / 'demo.pub.pem'}",
                    f"-DCMAKE_TOOLCHAIN_FILE={TOOLCHAIN}"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(SIGNED_BUILD), "--target", "zefra_indir", "-j", str(os.cpu_count() or 2)],
                   check=True, stdout=subprocess.DEVNULL)
    return keys / "demo.pem", SIGNED_BUILD


def sign(key, web, tamper):
    subprocess.run([str(ROOT / "tools" / "sign-release"), str(key), str(web)], check=True, stdout=subprocess.DEVNULL)
    say(f"signed the release: {web / 'SHA256SUMS'} and SHA256SUMS.sig")
    if tamper:
        # The first file of the manifest, so that nothing at all is replaced before the refusal.
        target = web / APP
        data = bytearray(target.read_bytes())
        data[-1] ^= 0x01
        target.write_bytes(bytes(data))
        say(f"DEMO_TAMPER: changed one byte of {target.name} after signing")


def prepare(env, base_address, updater_build):
    program, web = DEMO / "program", DEMO / "www" / "vuno"
    shutil.rmtree(program, ignore_errors=True)
    shutil.rmtree(web, ignore_errors=True)
    program.mkdir(parents=True)
    web.mkdir(parents=True)
    standin = BUILD / "tests" / "standin_app.exe"
    driver.copy_updater(updater_build, program)
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


def run_headless_refused(desk, program, shots):
    """The tampered release: BAŞLAT, the refusal, OK, then KAPAT."""
    shots.mkdir(parents=True, exist_ok=True)
    desk.start(program / "Zefra INDIR.exe")
    desk.wait_window(driver.UPDATER_TITLE)
    time.sleep(1)
    desk.click(driver.find_control(desk.controls(driver.UPDATER_TITLE), "&BAŞLAT"))
    desk.wait_window("=Zefra INDIR", driver.BOX_CLASS, timeout=120)
    time.sleep(0.5)
    desk.screenshot(shots / "4-refused.png")
    desk.press("=Zefra INDIR", "OK")
    time.sleep(0.5)
    desk.screenshot(shots / "5-refused-status.png")
    desk.press(driver.UPDATER_TITLE, "&KAPAT")
    desk.wait_gone(driver.UPDATER_TITLE, timeout=30)


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
                    BUILD / "tests" / testenv.TRUST_HELPER, BUILD / "tests" / testenv.TLS_CHECKER)
    for needed in needed_files:
        if not needed.exists():
            sys.exit(f"demo: {needed} is missing; run make build")
    person_display = os.environ.get("DISPLAY")
    tamper = os.environ.get("DEMO_TAMPER") == "1"
    state = DEMO / "testenv"
    server = None
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        key, updater_build = build_signed_updater()
        say("starting a local MariaDB, a virtual display and Wine (the first time takes a minute)")
        env = testenv.start(state, helpers=BUILD / "tests")
        server, base_address = start_web_server(env, secure=os.environ.get("DEMO_HTTP") != "1")
        say(f"the update files are served from {base_address}/vuno")
        program, web = prepare(env, base_address, updater_build)
        sign(key, web, tamper)
        desk = driver.WineDesk(env, BUILD, display=person_display)
        before = snapshot(program)
        say(f"program folder: {program}")
        desk.start(program / APP)
        desk.wait_window("=Zefra VUNO 9.08")
        shots = DEMO / "screenshots"
        if person_display:
            run_with_person(desk, program)
        elif tamper:
            run_headless_refused(desk, program, shots)
        else:
            run_headless(desk, program, shots)
        after = snapshot(program)
        summary(before, after, program)
        completed = all(after[n][1] == driver.sha256(web / n) for n in (APP, *NEW))
        if not person_display:
            say(f"screenshots of each stage: {shots}")
        if tamper:
            intact = after == before
            say("the tampered release was refused and every old file is intact" if intact and not completed
                else "the tampered release was NOT refused as it should have been")
            return 0 if intact and not completed else 1
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
