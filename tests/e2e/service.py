#!/usr/bin/env python3
"""tavrin-service.exe under Wine, in a prefix of the tests' own, one row of ROWS at a time.

A service row lays out C:\\t\\svc (app.exe, app.tavrin, the stand-in as jre\\bin\\java.exe,
which the parameter file's last word tells what to do), installs it with `sc create`, sets
its Parameters with `reg add`, starts it with `net start`, stops it with `net stop` or lets
it end, and deletes it with `sc delete`. Wine's sc queries a state and its exit codes but has
no queryex, so service_status.exe reads the status through QueryServiceStatusEx, and waits
for a state with a deadline. Wine's services.exe and every service it starts write their
event log entries on the eventlog debug channel, which this bench turns on, to
build/e2e-service/services.log. The other rows start the program by hand, and pack and
install a service with tavrin-pack's --launcher-as-service.

Usage: python3 tests/e2e/service.py [NAME_PART ...]
"""

import json
import os
import re
import shutil
import subprocess
import sys
import time
import traceback
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
os.environ.setdefault("TAVRIN_E2E_WORK", str(ROOT / "build/e2e-service"))
import run  # noqa: E402
from pack_fixture import fixture  # noqa: E402

CASE = "C:\\t\\svc"
STANDIN = run.HELPERS / "service_standin.exe"
STATUS = run.HELPERS / "service_status.exe"
PACK = ROOT / "dist/linux-x64/tavrin-pack"
STOPPED, RUNNING, NO_SUCH_SERVICE = 1, 4, 1060
STARTING = "[tavrin] Starting the service app (tavrin " + run.VERSION + ")"
STARTED = [STARTING, "[tavrin] Process {pid} started", "out: started", "err: started"]
SYNTAX = "Syntax error in parameter file\n'" + CASE + "\\app.tavrin':\nexpected start or java or javaw"
UNWRITABLE = "Cannot write the log '" + CASE + "\\app.tavrin\\logs\\app.log'"
PACKED = ["--name", "Svc", "--input", ROOT / "examples/hello/lib", "--main-jar", "hello.jar",
          "--main-class", "demo.Hello", "--launcher-as-service", "--type", "msi",
          "--vendor", "Acme", "--arguments", "wait"]
INSTALLED = "C:\\Program Files\\Svc"


def ended(code, service_code=None):
    """The log's last two lines of a program that ended with code."""
    return ["[tavrin] Process {pid} ended with exit code " + str(code), "[tavrin] Service app stopped"
            + (f" with service exit code {service_code}" if service_code else "")]


def row(name, **r):
    """mode: the stand-in's word (a service row), or text: the whole parameter file; settings:
    Parameters values; stop: net stop it (else it ends by itself); again: a second net start
    first; codes: win32 and service exit codes once stopped; marker: what the stand-in's Ctrl+C
    handler wrote; log: texts app.log holds in this order ({pid}: the stand-in's), None for no
    log; event: an event's text; rotated: how many old logs; preshutdown: the pre-shutdown
    timeout the service sets for itself, in ms; check: tavrin-check prints the
    command the stand-in got. by_hand: a run.py case; pack: tavrin-pack's arguments, says: a
    refusal's text, else installed per machine."""
    return dict(name=name, **r)


ROWS = [
    # Stopped as Ctrl+C stops it: the program's handler runs, and the service reports success.
    row("clean_stop", mode="wait", stop=True, codes=(0, 0), marker="0\n", check=True,
        log=[STARTING, "[tavrin] Command: {command}", *STARTED[1:],
             "[tavrin] Stop requested; sending Ctrl+C to process {pid}", *ended(130)]),
    # A program that ignores Ctrl+C is ended, with all it started, after the stop timeout.
    row("ctrl_c_ignored", mode="ignore", settings={"StopTimeoutSeconds": 1}, stop=True,
        codes=(0, 0), marker="0\n", preshutdown=11000, log=STARTED + [
            "[tavrin] Process {pid} did not end within 1 s; ending it and every process it "
            "started", *ended(1)]),
    # A program that ends by itself stops the service with its exit code; both streams logged.
    row("exit_0", mode="exit:0", codes=(0, 0), log=STARTED + ended(0)),
    row("exit_3", mode="exit:3", codes=(1066, 3), log=STARTED + ended(3, 3)),
    row("rotation", mode="print:100", settings={"LogSizeKB": 1, "LogFiles": 2}, stop=True,
        codes=(0, 0), marker="0\n", rotated=2),
    # A failure to start: the launcher's message in the log and the event log, no box.
    row("no_java", text="-cp lib\\a.jar Main\n", codes=(1066, 2), event=SYNTAX,
        log=[STARTING, SYNTAX, "[tavrin] Service app stopped with service exit code 2"]),
    row("log_folder_unwritable", mode="wait", settings={"LogFolder": CASE + "\\app.tavrin\\logs"},
        stop=True, codes=(0, 0), marker="0\n", event=UNWRITABLE, log=None),
    row("second_net_start", mode="wait", again=True, stop=True, codes=(0, 0), marker="0\n",
        log=STARTED),
    # By hand: exit status 2, the message on standard error and in the log, no window.
    row("by_hand", by_hand=run.case(
        "service_by_hand", launcher="service", params=b"jre\\bin\\java.exe -cp a.jar Main", exit=2,
        stderr="{exe} runs as a Windows service, which the service manager starts.\nInstall it "
               "as the service app, then start it:\n  sc create app binPath= \"{exe}\" start= "
               "auto\n  net start app\n")),
    row("msi_per_machine", pack=PACKED + ["--win-per-machine-install"]),
    row("msi_per_user_refused", pack=PACKED, says="--launcher-as-service needs "
        "--win-per-machine-install: a service is installed for the whole machine, never for one "
        "user"),
]


def wine(bench, name, *args, timeout=120):
    """Runs a Wine program; returns its exit status and its output."""
    log = run.WORK / (name + ".log")
    log.unlink(missing_ok=True)
    code = bench.call([bench.wine, *map(str, args)], name, timeout)
    return code, log.read_text(errors="replace") if log.exists() else ""


def status(bench, name, state=None, seconds=30):
    """The service's status, waited for in state when given; {"error": N} when it is unknown."""
    run.unix("C:\\r").mkdir(parents=True, exist_ok=True)
    wine(bench, "status", STATUS, name, "C:\\r\\status.json", *([state, seconds] if state else []))
    return json.loads(run.unix("C:\\r\\status.json").read_text())


def waited(path, seconds=20):
    """The file's text once it exists, or None."""
    for _ in range(seconds * 20):
        if path.exists():
            return path.read_text(encoding="utf-8", errors="replace")
        time.sleep(0.05)
    return None


def left_running(folder):
    """Processes whose command line names the folder, after a moment to end."""
    for _ in range(50):
        held = []
        for proc in Path("/proc").glob("[0-9]*"):
            try:
                line = (proc / "cmdline").read_bytes()
            except OSError:
                continue
            held += [line] if folder.lower().encode() in line.lower() else []
        if not held:
            return []
        time.sleep(0.1)
    return [f"left running: {held}"]


def in_order(text, parts):
    """The parts that the text lacks after the one before."""
    at, lacking = 0, []
    for part in parts:
        found = text.find(part.replace("\n", "\r\n"), at)
        lacking += [part] if found < 0 else []
        at = found if found >= 0 else at
    return lacking


def events(since):
    """What the event log got since the offset of services.log, as Wine writes it."""
    got = (run.WORK / "services.log").read_text(errors="replace")[since:]
    return got.replace("\\\\", "\\").replace("\\n", "\n")


def service_row(bench, r):
    shutil.rmtree(run.unix("C:\\t"), ignore_errors=True)
    folder = run.unix(CASE)
    (folder / "jre/bin").mkdir(parents=True)
    (folder / "lib").mkdir()
    (folder / "lib/a.jar").write_bytes(b"PK")
    shutil.copyfile(STANDIN, folder / "jre/bin/java.exe")
    shutil.copyfile(run.DIST / "x64/tavrin-service.exe", folder / "app.exe")
    (folder / "app.tavrin").write_text(r.get("text") or f"jre\\bin\\java.exe -cp lib\\a.jar Main "
                                                       f"{r['mode']}\n")
    since = len((run.WORK / "services.log").read_text(errors="replace"))
    wine(bench, "sc", "sc", "create", "app", "binPath=", CASE + "\\app.exe")
    for value, data in r.get("settings", {}).items():
        kind = ["/t", "REG_DWORD"] if isinstance(data, int) else []
        wine(bench, "reg", "reg", "add", "HKLM\\SYSTEM\\CurrentControlSet\\Services\\app\\Parameters",
             "/v", value, *kind, "/d", data, "/f")
    problems = []
    try:
        wine(bench, "net", "net", "start", "app")
        if r.get("mode"):
            waited(folder / "jre/bin/standin.json")
        if r.get("stop"):
            # Wine's net start returns before RUNNING, until when a service takes no stop.
            status(bench, "app", RUNNING)
        if r.get("again"):
            code, out = wine(bench, "net", "net", "start", "app")
            if code != 1 or "Service already running." not in out:
                problems.append(f"second net start: {code} {out!r}")
        if r.get("stop"):
            wine(bench, "net", "net", "stop", "app")
        got = status(bench, "app", STOPPED)
        problems += left_running(CASE)
        if (got.get("state"), got.get("win32_exit_code"), got.get("service_exit_code")) != (
                STOPPED, *r["codes"]):
            problems.append(f"status {got}, expected stopped with {r['codes']}")
        report = folder / "jre/bin/standin.json"
        started = [json.loads(line) for line in report.read_text().splitlines()] \
            if report.exists() else []
        if len(started) != bool(r.get("mode")):
            problems.append(f"stand-in started {len(started)} times")
        started = started[0] if started else {"pid": "?", "command_line": "?"}
        marker = folder / "jre/bin/ctrl_c"
        if r.get("marker") != (marker.read_text() if marker.exists() else None):
            problems.append(f"Ctrl+C marker {marker.read_text() if marker.exists() else None!r}")
        log = folder / "app.log"
        if r.get("log") is None and "log" in r:
            problems += [f"a log: {sorted(p.name for p in folder.glob('*.log'))}"] * bool(
                list(folder.glob("*.log")))
        elif "log" in r:
            text = log.read_bytes().decode(errors="replace") if log.exists() else ""
            parts = [p.replace("{pid}", str(started["pid"])).replace(
                "{command}", started["command_line"]) for p in r["log"]]
            problems += [f"app.log lacks {p!r}:\n{text}" for p in in_order(text, parts)[:1]]
            problems += [f"not stamped: {line!r}" for line in text.splitlines() if "[tavrin]" in
                         line and not re.match(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \[tavrin\]", line)]
        if "event" in r and r["event"] not in events(since):
            problems.append(f"no event {r['event']!r}:\n{events(since)}")
        if "preshutdown" in r:
            _, out = wine(bench, "reg", "reg", "query", "HKLM\\SYSTEM\\CurrentControlSet\\"
                          "Services\\app", "/v", "PreshutdownTimeout")
            if f"{r['preshutdown']:#x}" not in out:
                problems.append(f"pre-shutdown timeout: {out!r}")
        if "rotated" in r:
            problems += rotated(folder, r["rotated"])
        if r.get("check"):
            problems += checked(bench, started["command_line"])
    finally:
        wine(bench, "sc", "sc", "delete", "app")
    return problems


def rotated(folder, kept):
    """app.log and `kept` old logs, each rotated once it reached 1 KB (a pipe read may pass
    it), holding the stand-in's numbered lines in order up to its last."""
    names = [f"app.{n}.log" for n in range(kept, 0, -1)] + ["app.log"]
    found = sorted(p.name for p in folder.glob("app*.log"))
    if found != sorted(names):
        return [f"logs {found}, expected {sorted(names)}"]
    sizes = [(folder / n).stat().st_size for n in names[:-1]]
    numbers = [int(line[:4]) for n in names for line in (folder / n).read_text().splitlines()
               if re.fullmatch(r"\d{4}o{95}", line)]
    if not all(1024 <= size <= 1024 + 4096 for size in sizes) or numbers != sorted(
            set(numbers)) or numbers[-1:] != [99]:
        return [f"rotated logs of {sizes} bytes hold lines {numbers}"]
    return []


def checked(bench, command):
    """tavrin-check prints the command the service twin started."""
    code, out, err = run.run_check(bench, run.CHECK, ["--as", CASE + "\\app.exe", str(
        run.unix(CASE + "\\app.tavrin"))], "check")
    return [] if code in (0, 1) and out.decode() == command + "\n" else [
        f"tavrin-check: {code} {out!r} {err!r}, the service started {command!r}"]


def by_hand_row(bench, r):
    case = r["by_hand"]
    problems = run.run_case(bench, case, "x64", {})
    log = run.unix("C:\\t\\" + case["name"] + "\\app.log").read_bytes().decode(errors="replace")
    message = case["stderr"].replace("{exe}", "C:\\t\\" + case["name"] + "\\app.exe")
    return problems + ([] if message.rstrip("\n").replace("\n", "\r\n") in log else [
        f"app.log lacks the message:\n{log}"])


def pack_row(bench, r):
    dest = run.WORK / "pack" / r["name"]
    shutil.rmtree(dest, ignore_errors=True)
    result = subprocess.run([str(PACK), *map(str, r["pack"]), "--runtime-image", runtime(),
                             "--dest", str(dest)], capture_output=True, text=True)
    if "says" in r:
        return [] if result.returncode == 2 and r["says"] in result.stderr and not dest.exists() \
            else [f"pack: {result.returncode} {result.stdout + result.stderr}"]
    if result.returncode != 0:
        return [f"pack: {result.returncode} {result.stdout + result.stderr}"]
    msi = next(dest.glob("*.msi"))
    actions = subprocess.run(["msiinfo", "export", msi, "CustomAction"], capture_output=True,
                             text=True).stdout
    problems = [] if "failure \"[ProductName]\" reset= 86400 actions= restart/10000/" in actions \
        else [f"no recovery actions: {actions}"]
    problems += installed(bench, msi)
    return problems


def runtime():
    """The fixture's JRE with the stand-in as its java.exe."""
    folder = run.WORK / "runtime"
    if not folder.exists():
        with zipfile.ZipFile(fixture() / "jre-17.0.15_windows-x64.zip") as jre:
            jre.extractall(folder)
    top = next(folder.iterdir())
    shutil.copyfile(STANDIN, top / "bin/java.exe")
    return top


def msiexec(bench, how, msi):
    return run.run_case(bench, run.case(
        "msiexec", dir="C:\\windows\\system32", exe="msiexec.exe", exit=0,
        cmd=f'msiexec {how} "Z:{str(msi).replace("/", chr(92))}" /qn'), "x64", {})


def installed(bench, msi):
    """Installed, the service runs its program; uninstalled, the service and its program are
    gone, and the event log source with them."""
    problems = msiexec(bench, "/i", msi)
    report = waited(run.unix(INSTALLED + "\\runtime\\bin\\standin.json"))
    got = status(bench, "Svc", RUNNING)
    if not report or got.get("state") != RUNNING:
        problems.append(f"after install: status {got}, stand-in {report!r}")
    problems += msiexec(bench, "/x", msi)
    got = status(bench, "Svc")
    problems += [] if got == {"error": NO_SUCH_SERVICE} else [f"after uninstall: status {got}"]
    problems += left_running(INSTALLED)
    code, _ = wine(bench, "reg", "reg", "query",
                   "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Svc")
    problems += [] if code else ["the event log source is left"]
    log = run.unix(INSTALLED + "\\Svc.log").read_text(errors="replace")
    return problems + [f"Svc.log lacks {p!r}:\n{log}" for p in in_order(log, [
        "[tavrin] Starting the service Svc", "out: started", "[tavrin] Stop requested",
        "[tavrin] Service Svc stopped"])[:1]]


def main(parts):
    rows = [r for r in ROWS if not parts or any(p in r["name"] for p in parts)]
    bench = run.Bench()
    passed = failed = 0
    try:
        bench.start()
        # Wine gives services no Environment value of their own, but the system's, as
        # services.exe reads it at its start: VERBOSE_TAVRIN for every service. services.exe
        # starts again with the next program, whose standard error, where the event log
        # channel writes, every service inherits.
        wine(bench, "reg", "reg", "add", "HKLM\\System\\CurrentControlSet\\Control\\"
             "Session Manager\\Environment", "/v", "VERBOSE_TAVRIN", "/d", "1", "/f")
        for argument in ("-k", "-p"):
            bench.call([bench.wineserver, argument], "wineserver", 60)
        bench.env["WINEDEBUG"] = "-all,err+eventlog,warn+eventlog"
        wine(bench, "services", "sc", "query", "eventlog")
        bench.env["WINEDEBUG"] = "-all"
        for r in rows:
            kind = service_row if "mode" in r or "text" in r else by_hand_row if "by_hand" in r \
                else pack_row
            try:
                problems = kind(bench, r)
            except Exception:
                problems = ["bench error:\n" + traceback.format_exc()]
            ok = run.report(r["name"], problems)
            passed, failed = passed + ok, failed + (not ok)
    finally:
        bench.stop()
    print(f"service: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
