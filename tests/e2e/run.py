#!/usr/bin/env python3
"""End-to-end tests of tavrin.exe under Wine.

Each row of CASES lays out a case directory C:\\t\\<name>\\ in a private Wine prefix, copies
a launcher build there, and has the driver (e2e_driver.exe) start it with an exact command
line, directory, environment and registry. The driver answers the launcher's message boxes
and reports them; a stand-in java.exe reports how the launcher started it. The runner then
compares boxes, exit code, child command line, log file and wait behaviour with the row.

Usage: python3 tests/e2e/run.py [--all] [NAME_PART ...]
  --all       also run rows tagged with `needs` (features the launcher may not have yet)
  NAME_PART   run only rows whose name contains one of these
Environment: TAVRIN_E2E_DIST (default dist/, holding x64/ and x86/tavrin.exe) and
TAVRIN_E2E_HELPERS (default build/win-x64/tests/e2e) point at other builds.
"""

import difflib
import json
import os
import select
import shutil
import subprocess
import sys
import time
import traceback
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DIST = Path(os.environ.get("TAVRIN_E2E_DIST", ROOT / "dist"))
HELPERS = Path(os.environ.get("TAVRIN_E2E_HELPERS", ROOT / "build/win-x64/tests/e2e"))
WORK = ROOT / "build/e2e"
PREFIX = WORK / "prefix"
OLD_MTIME = 1_300_000_000  # given to every laid-out file, so a rewrite shows

# ---------------------------------------------------------------------------------------
# Row vocabulary

JAVA = "copy of the stand-in java.exe"  # file content: the stand-in program
DIR = "empty directory"  # file content: a directory
NO_LOG = "no log file"  # log expectation: the log file must not exist


class Starts(str):
    """Log expectation: the log must begin with this text."""


JRE = "SOFTWARE\\JavaSoft\\Java Runtime Environment"
REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7


def SZ(text):
    """REG_SZ with its terminating null; text may hold {dir}."""
    return (REG_SZ, text + "\0")


def SZ_RAW(text):
    """REG_SZ stored without a terminating null ("" gives a value of size 0)."""
    return (REG_SZ, text)


def EXPAND_SZ(text):
    return (REG_EXPAND_SZ, text + "\0")


def DWORD(n):
    return (REG_DWORD, n.to_bytes(4, "little"))


def BIN(data):
    return (REG_BINARY, bytes(data))


def reg(key, name, value, view="64"):
    """A registry value under HKLM in view "64", "32" or "both"; value is (type, data),
    data being exact bytes or text stored as UTF-16LE."""
    return (view, key, name, value[0], value[1])


def jre(version, home=None, micro=None, view="64"):
    """A Java Runtime Environment\\<version> key with JavaHome and MicroVersion strings."""
    key = JRE + "\\" + version
    values = [("JavaHome", home), ("MicroVersion", micro)]
    return [reg(key, n, SZ(v), view) for n, v in values if v is not None]


def err(text):
    """The launcher's error box."""
    return ("Error", text)


KEYS = {"params", "exe", "param_name", "log_name", "files", "reg", "env", "args", "cmd", "cwd",
        "archs", "exit", "boxes", "child", "waits", "child_exit", "log", "untouched", "needs"}


def case(name, **row):
    """A row. Keys (all optional but name):
    params      bytes of the parameter file, None for none (placeholders {dir}, {exe})
    exe         launcher copy name in the case directory, default app.exe
    param_name  parameter file name, default <exe stem>.tavrin (log_name: .tavrin_log)
    files       {relative or C:\\ path: bytes | JAVA | DIR}; everything under C:\\t is fresh
    reg         registry values from reg()/jre(); HKLM\\SOFTWARE\\JavaSoft is cleared first
    env         {name: value | None to remove}; VERBOSE_TAVRIN is unset unless given
    args        text after the quoted launcher path on the command line
    cmd         the whole command line instead (may name the program any way)
    cwd         current directory, default {dir}
    archs       launcher builds to run, default ("x64", "x86")
    exit        expected exit code (required)
    boxes       expected message boxes, err(text) or (caption, text)
    child       None (no child) or {cmd, argv, argv_crt (default argv), cwd, env: {n: v|None}}
    waits       with a child: True when the launcher must wait for it, False when not
    child_exit  exit code of the stand-in
    log         NO_LOG, exact text (\\n becomes CR LF, Latin-1), bytes, Starts(text), or
                None for unchecked; default NO_LOG without VERBOSE_TAVRIN unless the row
                lays out a log file
    untouched   files whose bytes and time stamp must not change
    needs       a feature tag; such rows are skipped unless run with --all
    """
    unknown = set(row) - KEYS
    assert not unknown and "exit" in row, f"row {name}: unknown keys {unknown} or no exit"
    row.setdefault("exe", "app.exe")
    stem = row["exe"][:-4] if row["exe"].lower().endswith(".exe") else row["exe"]
    row.setdefault("param_name", stem + ".tavrin")
    row.setdefault("log_name", stem + ".tavrin_log")
    row.setdefault("files", {})
    if "log" not in row:
        verbose = "VERBOSE_TAVRIN" in row.get("env", {})
        row["log"] = None if verbose or row["log_name"] in row["files"] else NO_LOG
    return dict(name=name, **row)


# ---------------------------------------------------------------------------------------
# The table

PARAM = "{dir}\\app.tavrin"
LOG_HEAD = "Quorbel tavrin version 1.0.4\nLoading parameter file\n'" + PARAM + "'\n\n"
LOADED = LOG_HEAD + "Parameter file\n'" + PARAM + "'\nloaded\n\n"
EMPTY = "Parameter file\n'" + PARAM + "'\nis empty"
VERBOSE = {"VERBOSE_TAVRIN": ""}
SIMPLE = b"jre\\bin\\java.exe -cp lib\\a.jar Main arg1"
SIMPLE_FILES = {"jre\\bin\\java.exe": JAVA, "lib\\a.jar": b"PK"}
SIMPLE_ARGV = ["{dir}\\jre\\bin\\java.exe", "-cp", "{dir}\\lib\\a.jar", "Main", "arg1", "x", "y z"]
SIMPLE_CHILD = dict(
    cmd='{dir}\\jre\\bin\\java.exe -cp "{dir}\\lib\\a.jar" Main arg1 x "y z"', argv=SIMPLE_ARGV
)

CASES = [
    # The parameter file cannot be read or holds nothing.
    case("no_param_file", params=None, exit=2,
         boxes=[err("Cannot open parameter file\n'" + PARAM + "':\nerrno=2")]),
    case("empty_param_file", params=b"", exit=2, boxes=[err(EMPTY)]),
    case("bom_only_param_file", params=b"\xef\xbb\xbf", exit=2, boxes=[err(EMPTY)]),
    # The parameter file is found from the launcher's own path, whatever the command line.
    case("param_path_from_module", params=None, cmd="app x", exit=2,
         boxes=[err("Cannot open parameter file\n'" + PARAM + "':\nerrno=2")]),
    case("non_ascii_launcher_name", exe="pr\u00fcf\u20ac\U0001f600.exe", params=b"", exit=2,
         boxes=[err("Parameter file\n'{dir}\\pr\u00fcf\u20ac\U0001f600.tavrin'\nis empty")]),
    # The log: written only with VERBOSE_TAVRIN, even when empty, and never touched without.
    case("log_empty_param_file", params=b"", env=VERBOSE, exit=2, boxes=[err(EMPTY)],
         log=LOG_HEAD + EMPTY + "\n\n"),
    case("log_whatever_value", params=b"", env={"VERBOSE_TAVRIN": "0"}, exit=2,
         boxes=[err(EMPTY)], log=LOG_HEAD + EMPTY + "\n\n"),
    case("no_log_keeps_old_log", params=b"", exit=2, boxes=[err(EMPTY)],
         files={"app.tavrin_log": b"old log\r\n"}, untouched=["app.tavrin_log"]),
    case("log_valid_param_file", params=SIMPLE, files=SIMPLE_FILES, env=VERBOSE,
         args=' x "y z"', exit=0, child=SIMPLE_CHILD, log=Starts(LOADED)),
    # Starting Java.
    case("simple_launch", params=SIMPLE, files=SIMPLE_FILES, args=' x "y z"', exit=0,
         child=SIMPLE_CHILD, waits=True, child_exit=3),
    case("launch_from_bare_command_line", params=SIMPLE, files=SIMPLE_FILES, cmd='app x "y z"',
         exit=0, child=SIMPLE_CHILD),
    case("start_does_not_wait", params=b"start " + SIMPLE, files=SIMPLE_FILES,
         args=' x "y z"', exit=0, child=SIMPLE_CHILD, waits=False),
]

# ---------------------------------------------------------------------------------------
# Wine


def find_wine():
    for name in ("/usr/lib/wine/wine64", "wine64", "wine"):
        path = shutil.which(name)
        if path:
            return path, str(Path(path).with_name("wineserver"))
    raise SystemExit("e2e: wine64 not found")


class Bench:
    """Xvfb, a fresh Wine prefix with a persistent server, and the helpers' paths."""

    def __init__(self):
        self.wine, self.wineserver = find_wine()
        self.driver = HELPERS / "e2e_driver.exe"
        self.standin = HELPERS / "java_standin.exe"
        self.launchers = {a: DIST / a / "tavrin.exe" for a in ("x64", "x86")}
        for path in [self.driver, self.standin, *self.launchers.values()]:
            if not path.is_file():
                raise SystemExit(f"e2e: missing {path} (run scripts/build)")
        self.xvfb = None
        self.server_started = False

    def start(self):
        WORK.mkdir(parents=True, exist_ok=True)
        for old_log in WORK.glob("*.log"):
            old_log.unlink()
        self.env = {k: v for k, v in os.environ.items() if k not in ("VERBOSE_TAVRIN", "DISPLAY")
                    and not k.startswith(("STANDIN_", "WINE"))}
        self.env.update(WINEPREFIX=str(PREFIX), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        if PREFIX.exists():
            self.call([self.wineserver, "-k"], "wineserver", 60)  # left by an aborted run
            shutil.rmtree(PREFIX)
        read_end, write_end = os.pipe()
        with open(WORK / "xvfb.log", "wb") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0",
                 "1024x768x24"], stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                pass_fds=[write_end])
        os.close(write_end)
        display = b""
        while not display.endswith(b"\n"):
            if not select.select([read_end], [], [], 30)[0]:
                raise SystemExit("e2e: Xvfb did not start (see build/e2e/xvfb.log)")
            chunk = os.read(read_end, 64)
            if not chunk:
                raise SystemExit("e2e: Xvfb did not start (see build/e2e/xvfb.log)")
            display += chunk
        os.close(read_end)

        # Without a window manager Wine waits 2 s for every window it hides, so windows go
        # to a virtual desktop. Prepared without a display, then the server is let go, so
        # that no desktop process started meanwhile outlives the setup.
        self.wine_call(["wineboot", "-i"], "wineboot", 300)
        self.wine_call(["reg", "add", "HKCU\\Software\\Wine\\Explorer", "/v", "Desktop",
                        "/d", "Default", "/f"], "reg", 60)
        self.wine_call(["reg", "add", "HKCU\\Software\\Wine\\Explorer\\Desktops", "/v",
                        "Default", "/d", "800x600", "/f"], "reg", 60)
        self.call([self.wineserver, "-w"], "wineserver", 120)
        self.env["DISPLAY"] = ":" + display.decode().strip()
        self.server_started = self.call([self.wineserver, "-p"], "wineserver", 60) == 0

    def call(self, argv, log_name, timeout):
        # Output goes to files: Wine's desktop process inherits pipes and outlives the call.
        with open(WORK / (log_name + ".log"), "ab") as log:
            proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=log,
                                    stderr=log)
            try:
                return proc.wait(timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                return None

    def wine_call(self, args, log_name, timeout):
        code = self.call([self.wine, *args], log_name, timeout)
        if code != 0:
            raise SystemExit(f"e2e: wine {args[0]} failed ({code}), see build/e2e/{log_name}.log")

    def stop(self):
        if self.server_started:
            self.call([self.wineserver, "-k"], "wineserver", 60)
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()


def unix(win_path):
    """The Unix path of a C:\\ path inside the prefix."""
    assert win_path[:3].upper() == "C:\\", win_path
    return PREFIX / "drive_c" / win_path[3:].replace("\\", "/")


# ---------------------------------------------------------------------------------------
# Running one row on one build


def text_field(text):
    return text.encode("utf-16-le", "surrogatepass").hex() or "-"


def run_case(bench, row, arch):
    """Runs the row on one launcher build; returns a list of problems (empty: pass)."""
    case_dir = "C:\\t\\" + row["name"]
    exe = case_dir + "\\" + row["exe"]

    def fill(text):
        return text.replace("{dir}", case_dir).replace("{exe}", exe)

    def fill_bytes(data):
        return data.replace(b"{dir}", case_dir.encode()).replace(b"{exe}", exe.encode())

    for top in ("t", "r"):
        shutil.rmtree(PREFIX / "drive_c" / top, ignore_errors=True)
    unix(case_dir).mkdir(parents=True)
    unix("C:\\r").mkdir(parents=True)

    files = dict(row["files"])
    if row.get("params") is not None:
        files[row["param_name"]] = row["params"]
    laid = {}
    for rel, content in files.items():
        assert rel[1:3] != ":\\" or rel.upper().startswith("C:\\T\\"), "files live under C:\\t"
        path = unix(rel if rel[1:3] == ":\\" else case_dir + "\\" + rel)
        if content == DIR:
            path.mkdir(parents=True, exist_ok=True)
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        if content == JAVA:
            shutil.copyfile(bench.standin, path)
        else:
            path.write_bytes(fill_bytes(content))
        os.utime(path, (OLD_MTIME, OLD_MTIME))
        laid[rel] = path.read_bytes()
    shutil.copyfile(bench.launchers[arch], unix(exe))

    child_report, gate = "C:\\r\\child.json", "C:\\r\\gate"
    env = {"STANDIN_REPORT": child_report, **row.get("env", {})}
    job = ["report " + text_field("C:\\r\\report.json"), "app " + text_field(exe),
           "cmd " + text_field(fill(row.get("cmd", '"{exe}"' + row.get("args", "")))),
           "cwd " + text_field(fill(row.get("cwd", "{dir}")))]
    child = row.get("child")
    if child:
        job.append("marker " + text_field(child_report + ".done"))
        if row.get("waits", True):
            env["STANDIN_SLEEP_MS"] = "300"
        else:
            env["STANDIN_GATE"] = gate
            job.append("gate " + text_field(gate))
        if "child_exit" in row:
            env["STANDIN_EXIT"] = str(row["child_exit"])
    for name, value in env.items():
        job.append(("unset " + text_field(name)) if value is None else
                   f"set {text_field(name)} {text_field(fill(value))}")
    for view, key, name, kind, data in row.get("reg", []):
        data = data if isinstance(data, bytes) else fill(data).encode("utf-16-le", "surrogatepass")
        for v in ("64", "32") if view == "both" else (view,):
            job.append(f"reg {v} {text_field(key)} {text_field(name)} {kind} {data.hex() or '-'}")
    unix("C:\\r\\job.txt").write_text("\n".join(job) + "\n")

    code = bench.call([bench.wine, str(bench.driver), "C:\\r\\job.txt"], "driver", 120)
    try:
        report = json.loads(unix("C:\\r\\report.json").read_text())
    except (OSError, ValueError) as e:
        return [f"driver gave no report (exit {code}): {e}"]
    if report.get("error"):
        return ["driver: " + report["error"]]

    problems = []

    def check(what, expected, got):
        if expected != got:
            problems.append(f"{what}:\n" + show(expected, got))

    check("timed out", False, report["timed_out"])
    check("exit code", row.get("exit"), report["exit_code"])
    expected_boxes = [[c, fill(t)] for c, t in row.get("boxes", [])]
    check("boxes", expected_boxes, [[b["caption"], b["text"]] for b in report["boxes"]])
    for b in report["boxes"]:
        check("buttons of box (IDOK only)", [1], b["buttons"])
    check("child processes left running", 0, report["children_killed"])

    runs = []
    if unix(child_report).exists():
        runs = [json.loads(line) for line in unix(child_report).read_text().splitlines()]
    if not child:
        check("child starts", 0, len(runs))
    elif len(runs) != 1:
        check("child starts", 1, len(runs))
    else:
        got = runs[0]
        check("child command line", fill(child["cmd"]), got["command_line"])
        argv = [fill(a) for a in child["argv"]]
        check("child argv (CommandLineToArgvW)", argv, got["argv_shell"])
        check("child argv (C runtime)", [fill(a) for a in child.get("argv_crt", argv)],
              got["argv_crt"])
        if "cwd" in child:
            check("child current directory", fill(child["cwd"]), got["cwd"])
        env_got = dict(e.split("=", 1) for e in got["env"] if "=" in e[1:])
        for name, value in child.get("env", {}).items():
            check(f"child env {name}", value and fill(value), env_got.get(name))
        check("launcher waited for child", row.get("waits", True), report["marker_at_exit"])

    log_path = unix(case_dir + "\\" + row["log_name"])
    log = row["log"]
    if log == NO_LOG:
        check("log file exists", False, log_path.exists())
    elif log is not None:
        got = log_path.read_bytes() if log_path.exists() else None
        if isinstance(log, bytes):
            check("log", log, got)
        else:
            want = fill(log).replace("\n", "\r\n").encode("latin-1")
            if isinstance(log, Starts):
                got = got[: len(want)] if got else got
            check("log (start)" if isinstance(log, Starts) else "log", want, got)

    for rel in row.get("untouched", []):
        path = unix(rel if rel[1:3] == ":\\" else case_dir + "\\" + rel)
        check(f"{rel} content", laid[rel], path.read_bytes() if path.exists() else None)
        if path.exists():
            check(f"{rel} time stamp", OLD_MTIME, int(path.stat().st_mtime))
    return problems


def show(expected, got):
    """Expected and actual values, as a line diff when they span lines."""
    def lines(v):
        if isinstance(v, bytes):
            v = v.decode("latin-1")
        if isinstance(v, str) and "\n" in v:
            return [ascii(l) for l in v.splitlines(keepends=True)]
        if isinstance(v, list) and len(v) > 1:
            return [ascii(x) for x in v]
        return None
    a, b = lines(expected), lines(got)
    if a is not None and b is not None:
        diff = difflib.unified_diff(a, b, "expected", "got", lineterm="", n=2)
        return "\n".join("      " + d for d in diff)
    return f"      expected {ascii(expected)}\n      got      {ascii(got)}"


# ---------------------------------------------------------------------------------------


def main(argv):
    run_all = "--all" in argv
    parts = [a for a in argv if a != "--all"]
    rows = [r for r in CASES if not parts or any(p in r["name"] for p in parts)]
    names = [r["name"] for r in CASES]
    if len(set(names)) != len(names):
        raise SystemExit("e2e: duplicate row names")

    bench = Bench()
    passed = failed = skipped = 0
    started = time.monotonic()
    try:
        bench.start()
        print(f"e2e: Wine prefix ready in {time.monotonic() - started:.1f} s", flush=True)
        for row in rows:
            for arch in row.get("archs", ("x64", "x86")):
                label = f"{row['name']} [{arch}]"
                if row.get("needs") and not run_all:
                    print(f"SKIP {label} (needs {row['needs']}; run with --all)", flush=True)
                    skipped += 1
                    continue
                try:
                    problems = run_case(bench, row, arch)
                except Exception:
                    problems = ["bench error:\n" + traceback.format_exc()]
                if problems:
                    failed += 1
                    print(f"FAIL {label}", flush=True)
                    for p in problems:
                        print("    " + p.replace("\n", "\n    "), flush=True)
                else:
                    passed += 1
                    print(f"PASS {label}", flush=True)
    finally:
        bench.stop()
    print(f"e2e: {time.monotonic() - started:.1f} s, {skipped} skipped")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
