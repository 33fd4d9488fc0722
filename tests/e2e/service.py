#!/usr/bin/env python3
"""tavrin-service.exe under Wine: each row of ROWS installs C:\\t\\svc\\app.exe (its java.exe the
stand-in, told by --standin= what to do) with sc create and its Parameters, then net start, net
stop unless the program ends, sc delete. Wine's sc has query, not queryex (the process id): /proc
shows what runs. Events go to services.log, services.exe's standard error, on Wine's eventlog
channel. Usage: python3 tests/e2e/service.py [NAME_PART ...]"""

import json
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
os.environ.setdefault("TAVRIN_E2E_WORK", str(ROOT / "build/e2e-service"))
import run  # noqa: E402
from pack_fixture import fixture  # noqa: E402

CASE, INSTALLED = "C:\\t\\svc", "C:\\Program Files\\Svc"
STANDIN, PACK = run.HELPERS / "java_standin_console.exe", ROOT / "dist/linux-x64/tavrin-pack"
STOPPED, RUNNING, SERVICES = 1, 4, "HKLM\\SYSTEM\\CurrentControlSet\\Services\\"
STARTING = "[tavrin] Starting the service app (tavrin " + run.VERSION + ")"
STARTED = [STARTING, "[tavrin] Process {pid} started", "out: started", "err: started"]
SYNTAX = f"Syntax error in parameter file\n'{CASE}\\app.tavrin':\nexpected start or java or javaw"
PACKED = ["--name", "Svc", "--input", ROOT / "examples/hello/lib", "--main-jar", "hello.jar",
          "--main-class", "demo.Hello", "--launcher-as-service", "--type", "msi", "--vendor",
          "Acme", "--arguments", "--standin=wait"]


def ended(code, service_code=0):
    return [f"[tavrin] Process {{pid}} ended with exit code {code}", "[tavrin] Service app stopped"
            + (f" with service exit code {service_code}" if service_code else "")]


# mode: --standin's (text: the file); settings: Parameters; stop: net stop; again: net start;
# codes: win32 and service exit codes; marker: its Ctrl+C handler's; log: app.log's texts in
# order ({pid} the stand-in's); event; rotated: old logs; by_hand; pack.
ROWS = [
    # Stopped as Ctrl+C stops it: the handler runs, the service stops with success; a second
    # net start is refused ("Service already running.").
    dict(name="clean_stop", mode="wait", stop=True, again=True, codes=(0, 0), marker="0\n", log=[
        STARTING, "[tavrin] Command: {command}", *STARTED[1:],
        "[tavrin] Stop requested; sending Ctrl+C to process {pid}", *ended(130)]),
    # Ignored, it is ended with all it started after the stop timeout.
    dict(name="ctrl_c_ignored", mode="ignore", settings={"StopTimeoutSeconds": 1}, stop=True,
         codes=(0, 0), marker="0\n", log=STARTED + [
             "[tavrin] Process {pid} did not end within 1 s; ending it and every process it "
             "started", *ended(1)]),
    # Ending by itself, it stops the service with its exit code; both streams are logged.
    dict(name="exit_0", mode="exit:0", codes=(0, 0), log=STARTED + ended(0)),
    dict(name="exit_3", mode="exit:3", codes=(1066, 3), log=STARTED + ended(3, 3)),
    dict(name="rotation", mode="print:100", settings={"LogSizeKB": 1, "LogFiles": 2},
         stop=True, codes=(0, 0), marker="0\n", rotated=2),
    # A failure to start: the message in the log and the event log, no box.
    dict(name="no_java", text="-cp lib\\a.jar Main\n", codes=(1066, 2), event=SYNTAX,
         log=[STARTING, SYNTAX, "[tavrin] Service app stopped with service exit code 2"]),
    dict(name="log_folder_unwritable", mode="wait", stop=True, codes=(0, 0), marker="0\n",
         settings={"LogFolder": CASE + "\\app.tavrin\\logs"},
         event=f"Cannot write the log '{CASE}\\app.tavrin\\logs\\app.log'"),
    # By hand: exit status 2, the message on standard error and in the log, no window.
    dict(name="by_hand", by_hand=run.case(
        "service_by_hand", launcher="service", params=b"jre\\bin\\java.exe -cp a.jar Main", exit=2,
        stderr="{exe} runs as a Windows service, which the service manager starts.\nInstall it "
               "as the service app, then start it:\n  sc create app binPath= \"{exe}\" start= "
               "auto\n  net start app\n")),
    # Installed per machine, the service runs (tavrin-check, in pack, shows its command);
    # uninstalled, it is gone; per user, refused.
    dict(name="msi_per_machine", pack=PACKED + ["--win-per-machine-install"], says="check: C:\\"
         "App\\runtime\\bin\\java.exe -cp \"C:\\App\\app\\hello.jar\" demo.Hello --standin=wait"),
    dict(name="msi_per_user_refused", pack=PACKED, refused=True, says="--launcher-as-service needs "
         "--win-per-machine-install: a service is installed for the whole machine, never for "
         "one user"),
]


def wine(bench, name, *args):
    (run.WORK / (name + ".log")).unlink(missing_ok=True)
    return bench.call([bench.wine, *map(str, args)], name, 120), text(run.WORK / (name + ".log"))


def until(get, done, tries, pause=0.1):
    for _ in range(tries):
        got = get()
        if done(got):
            return got
        time.sleep(pause)
    return got


def query(bench, name, state=None):
    """sc query's state and exit codes (none for no such service), waited for in state."""
    return until(lambda: [int(n) for n in re.findall(r"(?:STATE|EXIT_CODE) +: (\d+)", wine(
        bench, "sc", "sc", "query", name)[1])], lambda got: not state or got[:1] == [state], 100)


def text(path, seconds=0):
    def read():
        try:
            return path.read_bytes().decode(errors="replace")
        except OSError:
            return ""
    return until(read, bool, seconds * 20 + 1, 0.05)


def left_running(folder):
    """Processes whose command line names the folder, after a moment to end."""
    return [f"left running: {line}" for line in until(lambda: [
        line for line in map(text, Path("/proc").glob("[0-9]*/cmdline"))
        if folder.lower() in line.lower()], lambda held: not held, 50)]


def lacking(log, parts, name):
    at = 0
    for part in parts:
        at = log.find(part.replace("\n", "\r\n"), at)
        if at < 0:
            return [f"{name} lacks {part!r}:\n{log}"]
    return []


def service_row(bench, r):
    shutil.rmtree(run.unix("C:\\t"), ignore_errors=True)
    folder = run.unix(CASE)
    (folder / "jre/bin").mkdir(parents=True)
    shutil.copyfile(STANDIN, folder / "jre/bin/java.exe")
    shutil.copyfile(run.DIST / "x64/tavrin-service.exe", folder / "app.exe")
    (folder / "app.tavrin").write_text(
        r.get("text") or f"jre\\bin\\java.exe -cp a.jar Main --standin={r['mode']}\n")
    since = len(text(run.WORK / "services.log"))
    wine(bench, "sc", "sc", "create", "app", "binPath=", CASE + "\\app.exe")
    for value, data in r.get("settings", {}).items():
        wine(bench, "reg", "reg", "add", SERVICES + "app\\Parameters", "/v", value,
             *["/t", "REG_DWORD"] * isinstance(data, int), "/d", data, "/f")
    try:
        wine(bench, "net", "net", "start", "app")
        report = text(folder / "jre/bin/standin.json", 20 * ("mode" in r))
        again = wine(bench, "net", "net", "start", "app") if r.get("again") else (1, "running.")
        problems = [f"second net start: {again}"] * (again[0] != 1 or "running." not in again[1])
        if r.get("stop"):
            query(bench, "app", RUNNING)  # Wine's net start returns before RUNNING
            wine(bench, "net", "net", "stop", "app")
        got = query(bench, "app", STOPPED)
        started = [json.loads(line) for line in report.splitlines()] or [{"pid": "?"}]
        marker = text(folder / "jre/bin/ctrl_c") or None
        # Wine writes each event as a C string.
        events = text(run.WORK / "services.log")[since:].replace("\\\\", "\\").replace("\\n", "\n")
        problems += left_running(CASE) + [message for wrong, message in [
            (got != [STOPPED, *r["codes"]], f"state and exit codes {got}"),
            (len(started) != 1 or ("mode" in r) != ("command_line" in started[0]),
             f"the stand-in started: {report}"),
            (marker != r.get("marker"), f"Ctrl+C marker {marker!r}"),
            (r.get("event", "") not in events, f"no event {r.get('event')!r}:\n{events}")] if wrong]
        problems += lacking(text(folder / "app.log"), [p.replace("{pid}", str(started[0]["pid"]))
                            .replace("{command}", started[0].get("command_line", ""))
                            for p in r.get("log", [])], "app.log")
        problems += rotated(folder, r["rotated"]) if "rotated" in r else []
        return problems
    finally:
        wine(bench, "sc", "sc", "delete", "app")


def rotated(folder, kept):
    """Old logs rotated at 1 KB (a pipe read may pass it); the numbered lines in order."""
    names = [f"app.{n}.log" for n in range(kept, 0, -1)] + ["app.log"]
    found = sorted(p.name for p in folder.glob("app*.log"))
    sizes = [(folder / n).stat().st_size for n in names[:-1] if n in found]
    numbers = [int(line[:4]) for n in names for line in text(folder / n).splitlines()
               if re.fullmatch(r"\d{4}o{95}", line)]
    return [f"logs {found} of {sizes} bytes hold lines {numbers}"] * (
        found != sorted(names) or not all(1024 <= size <= 1024 + 4096 for size in sizes) or
        numbers != sorted(set(numbers)) or numbers[-1:] != [99])


def by_hand_row(bench, r):
    where = "C:\\t\\" + r["by_hand"]["name"]
    return run.run_case(bench, r["by_hand"], "x64", {}) + lacking(text(run.unix(
        where + "\\app.log")), [r["by_hand"]["stderr"].replace("{exe}", where + "\\app.exe")
                                 .rstrip("\n")], "app.log")


def pack_row(bench, r):
    """Installed, it runs; stopped by Ctrl+C and uninstalled, it and its event source go."""
    dest, runtime = run.WORK / "pack" / r["name"], run.WORK / "runtime"
    shutil.rmtree(dest, ignore_errors=True)
    if not runtime.exists():
        zipfile.ZipFile(fixture() / "jre-17.0.15_windows-x64.zip").extractall(runtime)
    shutil.copyfile(STANDIN, next(runtime.iterdir()) / "bin/java.exe")
    result = subprocess.run([PACK, *r["pack"], "--runtime-image", next(runtime.iterdir()),
                             "--dest", dest], capture_output=True, text=True)
    out = result.stdout + result.stderr
    problems = [f"pack: {result.returncode} {out}"] * (
        result.returncode != 2 * r.get("refused", 0) or r["says"] not in out)
    if problems or r.get("refused"):
        return problems + [f"left {dest}"] * (r.get("refused", False) and dest.exists())
    msi = next(dest.glob("*.msi"))
    msiexec = [run.case("msiexec", dir="C:\\windows\\system32", exe="msiexec.exe", exit=0,
                        cmd=f'msiexec {how} "Z:{str(msi).replace("/", chr(92))}" /qn')
               for how in ("/i", "/x")]
    actions = subprocess.run(["msiinfo", "export", msi, "CustomAction"], capture_output=True,
                             text=True).stdout
    problems = run.run_case(bench, msiexec[0], "x64", {})
    report = text(run.unix(INSTALLED + "\\runtime\\bin\\standin.json"), 20)
    installed = query(bench, "Svc", RUNNING)
    problems += run.run_case(bench, msiexec[1], "x64", {}) + left_running(INSTALLED)
    return problems + [message for wrong, message in [
        ('failure "[ProductName]" reset= 86400 actions= restart/10000/' not in actions,
         f"no recovery actions: {actions}"),
        (not report or installed[:1] != [RUNNING], f"after install: {installed} {report!r}"),
        (bool(query(bench, "Svc")), f"after uninstall: {query(bench, 'Svc')}"),
        (wine(bench, "reg", "reg", "query", SERVICES + "EventLog\\Application\\Svc")[0] == 0,
         "the event log source is left")] if wrong] + lacking(
        text(run.unix(INSTALLED + "\\Svc.log")), ["[tavrin] Starting the service Svc",
                                                  "out: started", "[tavrin] Stop requested",
                                                  "[tavrin] Service Svc stopped"], "Svc.log")


def main(parts):
    bench, passed, failed = run.Bench(), 0, 0
    try:
        bench.start()
        # Wine ignores a service's Environment, but not the system's, read when services.exe
        # starts: with the next program, whose standard error every service inherits.
        wine(bench, "reg", "reg", "add", "HKLM\\System\\CurrentControlSet\\Control\\Session "
             "Manager\\Environment", "/v", "VERBOSE_TAVRIN", "/d", "1", "/f")
        for argument in ("-k", "-p"):
            bench.call([bench.wineserver, argument], "wineserver", 60)
        bench.env["WINEDEBUG"] = "-all,err+eventlog,warn+eventlog"
        wine(bench, "services", "sc", "query", "eventlog")
        bench.env["WINEDEBUG"] = "-all"
        for r in [r for r in ROWS if not parts or any(p in r["name"] for p in parts)]:
            kind = by_hand_row if "by_hand" in r else pack_row if "pack" in r else service_row
            ok = run.report(r["name"], kind(bench, r))
            passed, failed = passed + ok, failed + (not ok)
    finally:
        bench.stop()
    print(f"service: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
