"""The bytes rows of make bench: what a keyed update run sends over the shop's line when the signed
list offers smaller forms of a file, against the same run fetching the whole file.

Two real pairs, each signed by tools/sign-release as two releases beside each other (the earlier
one without forms, the later with its compressed copy and, when sign-release keeps one, its patch
from the earlier), and once more the later release with --no-forms, for the whole file:

  - "Zefra INDIR.exe": this program as the build folder holds it, against the same program built
    from commit OLD_COMMIT (the last product change of the placing with the administrator's
    approval, before the window became the run's transfer window: an adjacent rebuild), built once
    with the same toolchain into build/bench-cache;
  - "wine-dlls.bin", about 63 MiB standing for the vendor's program: mshtml.dll, wined3d.dll,
    shell32.dll and user32.dll of Wine's own 32-bit Windows DLLs, one after the other, from the
    installed libwine:i386 (Debian 12, Wine 8.0) against those of Debian 13's libwine:i386 (Wine
    10.0), two years apart; tools/bootstrap.sh --bench-data fetches the latter into
    build/bench-cache. Its patch is larger than half its compressed copy, so sign-release keeps
    none and every shop fetches the copy; a patch made here with the same zstd command and listed
    in a third release ("patch") still measures the decode of a 63 MiB patch.

Each run is the whole update run of zefra_forms_bench (a program with the release key) in a
process of its own, over a loopback line limited to 2 Mbit/s (the fixture's rate=, on the list and
its signature too). Sides: "file" (the release without forms, the old file installed), "patch" (the
release with forms, the old file installed) and "copy" (the same release, an installed file that
no patch is made from). Per pair it prints every run, then: the body bytes the fixture sent for
the run against the whole file's run (targets: the rebuild's patch at most 10 %, the compressed
copy at most 50 %), the wall time against the whole file's, decode included (target: the rebuild's
patch at least 5 x faster), and the peak private memory (target: the 63 MiB pair's decode at most
8 MiB over the whole file's run). The 63 MiB pair's whole file takes about four and a half minutes
at 2 Mbit/s: its sides run once, whatever --runs says.
"""

import hashlib
import os
import shutil
import statistics
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CACHE = ROOT / "build" / "bench-cache"
sys.path.insert(0, str(ROOT / "tests" / "fixtures"))
import releases  # noqa: E402  (the fixture's key helpers)

OLD_COMMIT = "cdc997f"
RATE = 2_000_000 // 8  # bytes a second: 2 Mbit/s
WINE_DLLS = ("mshtml.dll", "wined3d.dll", "shell32.dll", "user32.dll")
WINE_WINDOWS_DLLS = Path("usr/lib/i386-linux-gnu/wine/i386-windows")
PATCH_TARGET, COPY_TARGET, SPEED_TARGET, MEMORY_TARGET = 0.10, 0.50, 5.0, 8 << 20


def windows_path(path):
    """The path under Wine's Z: drive, which maps the Unix root."""
    return "Z:" + str(path).replace("/", "\\")


def run_quiet(command, **kwargs):
    out = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if out.returncode != 0:
        raise SystemExit(f"bench: {command[0]} failed ({out.returncode}):\n{out.stdout[-2000:]}{out.stderr[-2000:]}")
    return out.stdout


def old_indir(build):
    """This program built at OLD_COMMIT with the build folder's toolchain, built once."""
    toolchain = Path(next(line.split("=", 1)[1] for line in (build / "CMakeCache.txt").read_text().splitlines()
                          if line.startswith("CMAKE_TOOLCHAIN_FILE:")))
    folder = CACHE / f"indir-{OLD_COMMIT}-{toolchain.stem}"
    program = folder / "build" / "Zefra INDIR.exe"
    if program.exists():
        return program
    print(f"bench: building Zefra INDIR.exe of {OLD_COMMIT} into {folder} (once)", flush=True)
    shutil.rmtree(folder, ignore_errors=True)
    (folder / "src").mkdir(parents=True)
    archive = subprocess.run(["git", "-C", str(ROOT), "archive", OLD_COMMIT], capture_output=True, check=True).stdout
    subprocess.run(["tar", "-x", "-C", str(folder / "src")], input=archive, check=True)
    run_quiet(["cmake", "-S", str(folder / "src"), "-B", str(folder / "build"), "-G", "Ninja",
               "-DCMAKE_BUILD_TYPE=Release", "-DZEFRA_TESTS=OFF", "-DZEFRA_RELEASE_KEY=",
               f"-DZEFRA_ZSTD_SOURCE={ROOT / 'build' / 'third_party' / 'zstd'}",
               f"-DCMAKE_TOOLCHAIN_FILE={folder / 'src' / 'cmake' / toolchain.name}"])
    run_quiet(["cmake", "--build", str(folder / "build"), "--target", "zefra_indir"])
    return program


def wine_dlls(unpacked, destination):
    """The stand-in file: the chosen DLLs of one Wine version, one after the other."""
    if not destination.exists():
        destination.parent.mkdir(parents=True, exist_ok=True)
        destination.write_bytes(b"".join((unpacked / WINE_WINDOWS_DLLS / name).read_bytes() for name in WINE_DLLS))
    return destination


def wine_pair():
    subprocess.run([str(ROOT / "tools" / "bootstrap.sh"), "--bench-data"], check=True)
    newer = CACHE / "libwine-trixie"
    installed = run_quiet(["dpkg-query", "-W", "-f=${Version}", "libwine:i386"])
    version = (newer / "VERSION").read_text().strip()
    old = wine_dlls(Path("/"), CACHE / f"wine-dlls-{installed}.bin")
    new = wine_dlls(newer / "unpacked", CACHE / f"wine-dlls-{version}.bin")
    return f"Wine's {'+'.join(WINE_DLLS)}, {installed} -> {version}", old, new


def short_hash(path):
    digest = hashlib.sha256()
    with open(path, "rb") as file:
        for block in iter(lambda: file.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()[:12]


def signed_releases(name, old, new, key):
    """The pair's releases, signed once and kept in the cache: forms/1 (old, no forms), forms/2 (new,
    with the forms sign-release keeps, patches from forms/1) and file/2 (new, no forms)."""
    folder = CACHE / "releases" / f"{Path(name).stem}-{short_hash(old)}-{short_hash(new)}"
    if not (folder / "done").exists():
        sign_releases(folder, name, old, new, key)
    kept_patch = f"{name}.patch-" in (folder / "forms" / "2" / "SHA256SUMS").read_text()
    if not kept_patch and not (folder / "patch").exists():
        hand_made_patch(folder, name, old, key)
    return folder


def sign_releases(folder, name, old, new, key):
    print(f"bench: signing the releases of {name} into {folder} (once)", flush=True)
    shutil.rmtree(folder, ignore_errors=True)
    sign = str(ROOT / "tools" / "sign-release")
    for release, source, more in (("forms/1", old, ["--no-forms"]), ("forms/2", new, []),
                                  ("file/2", new, ["--no-forms"])):
        (folder / release).mkdir(parents=True)
        shutil.copyfile(source, folder / release / name)
        run_quiet([sign, "--release", release[-1], *more, str(key), str(folder / release)])
    (folder / "done").touch()


def hand_made_patch(folder, name, old, key):
    """patch/2: forms/2 with the patch sign-release would not keep, made by the same command and
    listed as the fixture lists its forms."""
    print(f"bench: making a patch of {name} by hand into {folder / 'patch'} (once)", flush=True)
    shutil.rmtree(folder / "patch.new", ignore_errors=True)
    target = folder / "patch.new" / "2"
    shutil.copytree(folder / "forms" / "2", target)
    patch = target / f"{name}.patch-{hashlib.sha256(old.read_bytes()).hexdigest()}.zst"
    size = max(old.stat().st_size, (target / name).stat().st_size)
    run_quiet(["zstd", "-q", "-f", "-19", f"--patch-from={old}", f"--long={size.bit_length()}", "-o", str(patch),
               str(target / name)])
    releases.list_more(target, key, [patch.name])
    (folder / "patch.new").rename(folder / "patch")


def bench_key():
    key = CACHE / "bench-release"
    if not Path(f"{key}.pem").exists():
        CACHE.mkdir(parents=True, exist_ok=True)
        run_quiet([str(ROOT / "tools" / "sign-release"), "--new-key", str(key)])
    raw = CACHE / "bench-release.raw"
    raw.write_bytes(releases.raw_public_key(f"{key}.pub.pem"))
    return Path(f"{key}.pem"), raw


def publish(folder, www):
    """The two later releases served, every file over the limited line."""
    shutil.rmtree(www, ignore_errors=True)
    for side in ("forms", "file", "patch"):
        if not (folder / side).exists():
            continue
        shutil.copytree(folder / side / "2", www / side)
        for path in list((www / side).iterdir()):
            path.with_name(path.name + ".query").write_text(f"rate={RATE}")


def sent_since(log, start, prefix):
    """Body bytes the fixture sent for targets under prefix, in the log after offset start."""
    total = 0
    for line in log.read_bytes()[start:].decode(errors="replace").splitlines():
        fields = line.split(" ")
        if fields[0] == "END" and fields[1].startswith(prefix):
            total += int(fields[-1].removeprefix("sent="))
    return total


def run_side(env, raw, name, side, installed):
    """One update run in a process of its own: (bytes on the wire, wall ms, peak private bytes)."""
    folder = Path(os.environ["ZEFRA_TEST_SCRATCH"], "bench-bytes")
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    (folder / name).write_bytes(installed)
    release = {"file": "file", "patch": env["patch_release"], "copy": "forms"}[side]
    log = Path(os.environ["ZEFRA_TEST_STATE"]) / "http-requests.log"
    start = log.stat().st_size
    out = subprocess.run(env["wine_run"] + [str(env["build"] / "tests" / "zefra_forms_bench.exe"),
                                            os.environ["ZEFRA_TEST_SCRATCH_WIN"] + "\\bench-bytes",
                                            f"{env['base']}/bench-bytes/{release}/", windows_path(raw), name],
                         capture_output=True, text=True, timeout=1200)
    if out.returncode != 0:
        raise SystemExit(f"bench: the {side} run of {name} failed ({out.returncode}): {out.stderr.strip()}")
    fields = dict(item.split("=") for item in out.stdout.split())
    if fields["form"] != side:
        raise SystemExit(f"bench: the {side} run of {name} fetched the {fields['form']} instead")
    placed = (folder / name).read_bytes()
    shutil.rmtree(folder)
    return sent_since(log, start, "/bench-bytes/"), float(fields["ms"]), int(fields["peak"]), placed


def pair_row(env, label, name, old, new, runs):
    """One pair's runs, alternating the order of the sides, and its summary; True when its targets
    are met."""
    key, raw = bench_key()
    folder = signed_releases(name, old, new, key)
    publish(folder, env["root"] / "bench-bytes")
    unknown = bytearray(old.read_bytes())
    unknown[len(unknown) // 2] ^= 1
    installed = {"file": old.read_bytes(), "patch": old.read_bytes(), "copy": bytes(unknown)}
    env["patch_release"] = "patch" if (folder / "patch").exists() else "forms"
    if env["patch_release"] == "patch":
        print(f"   {label}: sign-release kept no patch (larger than half the compressed copy): the copy is "
              "what every shop fetches; the patch row is one made by the same zstd command, for its decode")
    wanted = new.read_bytes()
    print(f"   {label}: {len(installed['file']):,} -> {len(wanted):,} bytes", flush=True)
    results = {side: [] for side in installed}
    for i in range(runs):
        for side in list(installed) if i % 2 == 0 else list(reversed(installed)):
            *result, placed = run_side(env, raw, name, side, installed[side])
            if placed != wanted:
                raise SystemExit(f"bench: the {side} run of {name} placed another file")
            results[side].append(result)
            print(f"     run {i + 1} {side:>5}: {result[0]:>11,} bytes {result[1]:>9.0f} ms "
                  f"peak private {result[2] / 2**20:6.2f} MiB", flush=True)
    shutil.rmtree(env["root"] / "bench-bytes")
    return summary(label, results)


def summary(label, results):
    """Prints the pair's medians against the whole file; True when its targets are met."""
    bytes_of = {side: max(r[0] for r in rows) for side, rows in results.items()}
    ms = {side: statistics.median(r[1] for r in rows) for side, rows in results.items()}
    peak = {side: max(r[2] for r in rows) for side, rows in results.items()}
    share = {side: bytes_of[side] / bytes_of["file"] for side in results}
    speed = {side: ms["file"] / ms[side] for side in results}
    over = max(peak[side] for side in results if side != "file") - peak["file"]
    rebuild = label.startswith("Zefra INDIR.exe")
    forms = [side for side in ("patch", "copy") if side in results]
    names = {"patch": "patch", "copy": "compressed copy"}
    targets = {"patch": f" (target <= {PATCH_TARGET:.0%})" if rebuild else "",
               "copy": f" (target <= {COPY_TARGET:.0%})"}
    print(f"   {label}: bytes on the wire: the whole file {bytes_of['file']:,}; "
          + "; ".join(f"{names[s]} {bytes_of[s]:,} = {share[s]:.1%}{targets[s]}" for s in forms))
    print(f"   {label}: at 2 Mbit/s, decode included: the whole file {ms['file']:.0f} ms; "
          + "; ".join(f"{names[s]} {ms[s]:.0f} ms, {speed[s]:.1f} x faster"
                      + (f" (target >= {SPEED_TARGET:.0f} x)" if rebuild and s == "patch" else "") for s in forms))
    print(f"   {label}: peak private memory: the whole file {peak['file'] / 2**20:.2f} MiB; "
          + "; ".join(f"{names[s]} {peak[s] / 2**20:.2f} MiB" for s in forms)
          + f": {over / 2**20:+.2f} MiB" + ("" if rebuild else f" (target <= +{MEMORY_TARGET >> 20} MiB)"))
    if rebuild:
        return "patch" in results and share["patch"] <= PATCH_TARGET and share["copy"] <= COPY_TARGET \
            and speed["patch"] >= SPEED_TARGET
    return share["copy"] <= COPY_TARGET and over <= MEMORY_TARGET


def bytes_rows(env, runs):
    """Both pairs; True when every target is met."""
    old = old_indir(env["build"])
    new = env["build"] / "Zefra INDIR.exe"
    ok = pair_row(env, f"Zefra INDIR.exe, {OLD_COMMIT} -> this build", "Zefra INDIR.exe", old, new, runs)
    label, old, new = wine_pair()
    ok = pair_row(env, label, "wine-dlls.bin", old, new, 1) and ok
    return ok
