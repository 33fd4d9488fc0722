#!/usr/bin/env python3
"""Apps that update themselves, end to end and offline: tavrin-pack makes releases of one app
(keys from openssl), a loopback HTTP server of this file's own serves one of them, and the
installed app starts under Wine in a prefix of its own, where the Java stand-in reports which
version's folders it was started from. The server can stall, corrupt what it sends, or break
off a download midway, and counts the bytes it sends. Each row installs 1.0 afresh, then
starts it in turn, the update program running in the background after each start (the
driver waits for it, as it is the launcher's child); a start that expects 2 shows the
launcher's error box, which the driver answers.

Wine lets a folder with an open file be renamed and does not hold files in use, so no row
rests on either: the switch is a file replaced, old folders go only when unnamed.

Usage: python3 tests/e2e/update.py [NAME_PART ...]
"""

import json
import os
import re
import shutil
import subprocess
import sys
import threading
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WORK = ROOT / "build/e2e-update"
os.environ["TAVRIN_E2E_WORK"] = str(WORK / "wine")
import run  # noqa: E402
from pack import HOME, products  # noqa: E402
from pack_fixture import fixture  # noqa: E402
from release_server import keys, release, serve  # noqa: E402

APP = "C:\\apps\\Hello"
MSI_APP = HOME + "\\AppData\\Local\\Programs\\Hello"
POLICY = "HKLM\\Software\\Policies\\Acme\\Hello"


def broken_runtime():
    """The fixture's runtime with a javaw.exe that is no program: the launcher cannot start it."""
    folder = WORK / "broken-runtime"
    shutil.rmtree(folder, ignore_errors=True)
    shutil.rmtree(WORK / "broken-zip", ignore_errors=True)
    with zipfile.ZipFile(fixture() / "jre-17.0.15_windows-x64.zip") as z:
        z.extractall(WORK / "broken-zip")
    shutil.copytree(next((WORK / "broken-zip").iterdir()), folder)
    (folder / "bin/javaw.exe").write_bytes(b"no program")
    return folder


def version_started(folder, child):
    """The version (by its app folder's notes.txt) that the Java stand-in was started with."""
    if not run.unix(child).exists():
        return None
    command = json.loads(run.unix(child).read_text().splitlines()[0])["command_line"]
    app = re.search(r"\\(app-[0-9a-f]{16})\\", command)[1]
    return run.unix(folder + f"\\{app}\\notes.txt").read_text().split()[1]


def start_stalled(bench, server, folder):
    """Starts the launcher plainly, the feed's server stalled: Java must have started and the
    launcher ended while the request is held; the update program then gives up on its own."""
    child = "C:\\r\\child.json"
    bench.env["STANDIN_REPORT"] = child
    ended = bench.call([bench.wine, folder + "\\Hello.exe"], "launcher", 60)
    del bench.env["STANDIN_REPORT"]
    for _ in range(300):
        if server.requests:
            break
        threading.Event().wait(0.1)
    problems = [] if ended == 0 and server.requests else [f"launcher ended {ended}, requests "
                                                          f"{server.requests}: the start waited"]
    wait_for("tavrin-update.exe", 90)
    log = log_of(folder)
    problems += [] if "no answer from" in log else [f"the update program did not give up:\n{log}"]
    server.release.set()
    return problems, version_started(folder, child)


def start(bench, exe):
    """Starts the installed launcher through the driver; returns its report and the version
    (by the app folder's notes.txt) that the Java stand-in was started with, or None."""
    child = "C:\\r\\child.json"
    shutil.rmtree(run.unix("C:\\r"), ignore_errors=True)
    run.unix("C:\\r").mkdir(parents=True)
    tf = run.text_field
    job = ["report " + tf("C:\\r\\report.json"), "app " + tf(exe), "cmd " + tf(f'"{exe}"'),
           "cwd " + tf(exe.rsplit("\\", 1)[0]), f"set {tf('STANDIN_REPORT')} {tf(child)}"]
    run.unix("C:\\r\\job.txt").write_text("\n".join(job) + "\n")
    bench.call([bench.wine, str(bench.driver), "C:\\r\\job.txt"], "driver", 180)
    report = json.loads(run.unix("C:\\r\\report.json").read_text())
    return report, version_started(exe.rsplit("\\", 1)[0], child)


def wait_for(program, seconds):
    """Waits until no process of that program runs, at most so long."""
    for _ in range(seconds * 10):
        if not any(program.encode() in (p / "cmdline").read_bytes()
                   for p in Path("/proc").glob("[0-9]*") if (p / "cmdline").exists()):
            return
        threading.Event().wait(0.1)


def log_of(folder):
    path = run.unix(folder + "\\tavrin-update\\update.log")
    return path.read_text(errors="replace") if path.exists() else ""


def row(name, serve, starts, mode="", says=(), msi=False, policy=False, check=None,
        status=None):
    """status: what `tavrin-update status` prints after the first start."""
    return dict(name=name, serve=serve, starts=starts, mode=mode, says=says, msi=msi,
                policy=policy, check=check, status=status)


def status_of(bench, folder):
    program = next(run.unix(folder).glob("runtime-*/bin/tavrin-update.exe"))
    return subprocess.run([bench.wine, str(program), "status"], env=bench.env, timeout=60,
                          stdin=subprocess.DEVNULL, capture_output=True).stdout.decode()


def few_bytes(server, dest):
    zip_size = next(dest.glob("*.zip")).stat().st_size
    return [] if server.sent < zip_size // 10 else [f"{server.sent} bytes sent, zip {zip_size}"]


def one_product(bench):
    return [] if products(bench) == (["Hello"], ["1.1.0"]) else [f"products {products(bench)}"]


PORT = 8765
ROWS = [
    row("zip_moves_to_1_1", "r11", ["1.0", "1.1", "1.1"], says=["installed 1.1 over 1.0"],
        status='{"installed": "1.0", "staged": "1.1", "latest": "1.1"}\n'),
    row("only_changed_files_fetched", "r11", ["1.0", "1.1"], check=few_bytes),
    row("untrusted_key_refused", "r11_untrusted", ["1.0", "1.0"],
        says=["the feed's signature is by no trusted key"]),
    row("corrupted_download_refused", "r11", ["1.0", "1.0"], mode="corrupt",
        says=["is not the file the feed names"]),
    row("downgrade_refused", "r09", ["1.0", "1.0"], says=["1.0 is up to date (the feed names 0.9)"]),
    row("stalled_server_no_delay", "r11", ["1.0"], mode="stall"),
    row("killed_download_completes_later", "r11", ["1.0", "1.0", "1.1"], mode="break",
        says=["is not the file the feed names", "installed 1.1 over 1.0"]),
    row("rotated_key_accepted", "r11_rotated", ["1.0", "1.1"]),
    row("policy_stops_checks", "r11", ["1.0", "1.0"], policy=True,
        says=["updates are turned off by HKLM\\Software\\Policies\\Acme\\Hello"]),
    row("msi_per_user_upgrade", "m11", ["1.0.0", "1.1.0"], msi=True, check=one_product),
    row("broken_release_rolls_back", "r11_broken", ["1.0", 2, "1.0", "1.0"],
        says=["1.1 could not start", "1.1 is marked bad"]),
]


def run_row(bench, server, r, releases):
    folder = MSI_APP if r["msi"] else APP
    shutil.rmtree(run.unix(folder), ignore_errors=True)
    if r["msi"]:
        msi = next(releases["m10"].glob("*.msi"))
        bench.call([bench.wine, "msiexec", "/i", "Z:" + str(msi).replace("/", "\\"), "/qn"],
                   "msiexec", 300)
    else:
        with zipfile.ZipFile(next(releases["r10"].glob("*.zip"))) as z:
            z.extractall(run.unix("C:\\apps"))
    if r["policy"]:
        bench.call([bench.wine, "reg", "add", POLICY, "/v", "UpdatesDisabled", "/t", "REG_DWORD",
                    "/d", "1", "/f", "/reg:64"], "reg", 60)
    server.folder, server.mode, server.sent, server.requests = releases[r["serve"]], r["mode"], 0, []
    server.release.clear()
    problems, got = [], []
    for _ in r["starts"]:
        if r["mode"] == "stall":
            stalled, version = start_stalled(bench, server, folder)
            problems, report = problems + stalled, dict(exit_code=0, children_killed=[])
        else:
            report, version = start(bench, folder + "\\Hello.exe")
        got.append(version if report["exit_code"] == 0 else report["exit_code"])
        if r["status"] and len(got) == 1 and status_of(bench, folder) != r["status"]:
            problems.append(f"status {status_of(bench, folder)!r}, expected {r['status']!r}")
        if r["msi"]:
            wait_for("installer.exe", 120)
        if report["children_killed"]:
            problems.append(f"the update program ran past 30 s: {report['children_killed']}")
    if got != r["starts"]:
        problems.append(f"versions started {got}, expected {r['starts']}")
    log = log_of(folder)
    problems += [f"the log lacks {s!r}:\n{log}" for s in r["says"] if s not in log]
    if r["policy"]:
        problems += [f"requests despite the policy: {server.requests}"] if server.requests else []
        bench.call([bench.wine, "reg", "delete", POLICY, "/f", "/reg:64"], "reg", 60)
    if r["check"]:
        problems += r["check"](bench) if r["msi"] else r["check"](server, releases[r["serve"]])
    if r["msi"]:
        bench.call([bench.wine, "msiexec", "/x", "Z:" + str(next(releases["m11"].glob("*.msi"))).replace("/", "\\"), "/qn"], "msiexec", 300)
    return problems


def main(parts):
    rows = [r for r in ROWS if not parts or any(p in r["name"] for p in parts)]
    shutil.rmtree(WORK / "releases", ignore_errors=True)
    WORK.mkdir(parents=True, exist_ok=True)
    keys(WORK, "abc")
    releases = {name: release(WORK, PORT, name, *args, **kw) for name, args, kw in [
        ("r10", ("1.0", "a"), dict(trust=["b"])),
        ("r11", ("1.1", "a"), {}),
        ("r09", ("0.9", "a"), {}),
        ("r11_untrusted", ("1.1", "c"), {}),
        ("r11_rotated", ("1.1", "b"), {}),
        ("r11_broken", ("1.1", "a"), dict(runtime=broken_runtime())),
        ("m10", ("1.0.0", "a"), dict(kind="msi")),
        ("m11", ("1.1.0", "a"), dict(kind="msi"))]}
    server = serve(PORT)
    bench = run.Bench()
    passed = failed = 0
    try:
        bench.start()
        for r in rows:
            ok = run.report(r["name"], run_row(bench, server, r, releases))
            passed, failed = passed + ok, failed + (not ok)
    finally:
        server.release.set()
        server.shutdown()
        bench.stop()
    print(f"update: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
