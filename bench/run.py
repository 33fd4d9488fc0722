#!/usr/bin/env python3
"""Runs the benchmarks and prints the table; exits 1 when a target is missed.

scripts/bench builds what this needs first: dist/{x64,x86}/tavrin.exe, the stand-in
java.exe of tests/e2e, and bench/ natively (scale) and for mingw-w64 (floor, start_timer).

Start-up under Wine: a timing driver (start_timer.exe) starts, round after round and in
rotating order, each launcher build copied as app.exe, the floor (bench/floor.cpp) of the
same architecture on the same child command line, and the stand-in alone; it measures each
start's wall time with QueryPerformanceCounter inside Wine, so the time Wine takes to
start the driver itself, and the Python process around it, is never counted. Without
DISPLAY the error box fails at once and the launcher exits 2, which times the registry
search.
"""

import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

import check_java
import pack_app
import update_app

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests/e2e"))
from host import x86_unavailable  # noqa: E402

NO_X86 = x86_unavailable()
WORK = ROOT / "build/bench"
PREFIX = WORK / "prefix"
WINE, WINESERVER = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"
STANDIN = ROOT / "build/win-x64/tests/e2e/java_standin.exe"
ARCHES = ("x64", "x86")
RUNNABLE = ("x64",) if NO_X86 else ARCHES  # the builds whose start-up can be timed here
# Start-ups alternate between launcher and floor; the registry searches are timed apart,
# after them, so that their load on the Wine server does not fall between start-ups.
ROUNDS, WARM_UP = 100, 3
SEARCH_ROUNDS = 15
KIB = 1024
MIB = KIB * KIB

# The launchers whose start-up is timed, by case directory under C:\b: architecture, the
# suffix of the launcher's and its floor's names (the console twin against a console
# floor), and the target ratio to the floor.
STARTUPS = {"x64": ("x64", "", 1.10), "x86": ("x86", "", 1.10),
            "x64_console": ("x64", "_console", 1.05), "x86_console": ("x86", "_console", 1.05)}
TIMED = [case for case, (arch, _, _) in STARTUPS.items() if arch in RUNNABLE]
SERVICE_STANDIN = ROOT / "build/win-x64/tests/e2e/java_standin_console.exe"
SERVICE_ROUNDS = 20  # of net start to the start the stand-in records (start_timer.exe)
UPDATE_ROUNDS = 60
UPDATE_CASES = ("update_idle", "update_due", "update_fetch")
# Parameter files, by case directory under C:\b.
PARAMS = {
    **{case: "jre\\bin\\java.exe -cp lib\\a.jar Main\n" for case in STARTUPS},
    # The launcher word's minor version starts at 1: 1.1.0-9.9.9 is the 1.0.0-9.9.9 range
    # as far as a word can give it; 1.1.0-100.9.9 is the widest a word may give.
    "search": "java[1.1.0-9.9.9] -cp lib\\a.jar Main\n",
    "widest": "java[1.1.0-100.9.9] -cp lib\\a.jar Main\n",
    "no_search": "jre\\bin\\java.exe -cp lib\\a.jar\n",  # the same error box, no search
}


# The Wine server and every timed program share one CPU. Left to roam over the machine's
# CPUs, start-up times fall into two modes (whether the server and the program landed on the
# same CPU or not), and which mode dominates a median flips from run to run.
PIN = ["taskset", "-c", str(max(os.sched_getaffinity(0)))]


def env():
    keep = {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "VERBOSE_TAVRIN")
            and not k.startswith(("STANDIN_", "WINE"))}
    keep.update(WINEPREFIX=str(PREFIX), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return keep


def call(argv, extra_env=None, timeout=600):
    # Output goes to a file: Wine's desktop process inherits pipes and outlives the call.
    with open(WORK / "wine.log", "ab") as log:
        code = subprocess.call(argv, env={**env(), **(extra_env or {})}, stdin=subprocess.DEVNULL,
                               stdout=log, stderr=log, timeout=timeout)
    if code != 0:
        sys.exit(f"bench: {' '.join(map(str, argv))} failed ({code}), see build/bench/wine.log")


def unix(win_path):
    return PREFIX / "drive_c" / win_path[3:].replace("\\", "/")


def lay_out(releases):
    """C:\\b\\<case>\\ holds app.exe, app.tavrin, jre\\bin\\java.exe, lib\\a.jar, floor.exe;
    C:\\b\\update_*\\Hello\\ the self-updating app's 1.0, with a check due or not."""
    shutil.rmtree(unix("C:\\b"), ignore_errors=True)
    for case, params in PARAMS.items():
        arch, suffix, _ = STARTUPS.get(case, ("x64", "", None))
        d = unix(f"C:\\b\\{case}")
        (d / "jre/bin").mkdir(parents=True)
        (d / "lib").mkdir()
        (d / "lib/a.jar").write_bytes(b"PK")
        shutil.copyfile(STANDIN, d / "jre/bin/java.exe")
        shutil.copyfile(ROOT / f"dist/{arch}/tavrin{suffix.replace('_', '-')}.exe", d / "app.exe")
        shutil.copyfile(WORK / f"win-{arch}/floor{suffix}.exe", d / "floor.exe")
        (d / "app.tavrin").write_text(params, encoding="utf-8")
    for case in UPDATE_CASES:
        update_app.install(releases[0], unix(f"C:\\b\\{case}"), case == "update_idle")
        shutil.copyfile(WORK / "win-x64/floor.exe", unix(f"C:\\b\\{case}\\floor.exe"))


def service_start():
    """Median milliseconds from `net start` to the stand-in's start."""
    d = unix("C:\\b\\service")
    (d / "jre/bin").mkdir(parents=True)
    shutil.copyfile(SERVICE_STANDIN, d / "jre/bin/java.exe")
    shutil.copyfile(ROOT / "dist/x64/tavrin-service.exe", d / "app.exe")
    (d / "app.tavrin").write_text("jre\\bin\\java.exe -cp a.jar Main --standin=wait\n")
    call([WINE, "sc", "create", "tavrin_bench", "binPath=", "C:\\b\\service\\app.exe"])
    try:
        starts = run_timer(["net start tavrin_bench\tC:\\b\\service\\jre\\bin\\standin.json\t"
                            "net stop tavrin_bench"], SERVICE_ROUNDS, 2)[0]
    finally:
        call([WINE, "sc", "delete", "tavrin_bench"])
    if any(us <= 0 or code != 0 for us, code in starts):
        sys.exit(f"bench: a service start failed or its stand-in did not start: {starts}")
    return statistics.median(us for us, _ in starts) / 1000


def run_timer(commands, rounds, warm_up, extra_env=None):
    """Per command, the list of (microseconds, exit code) of its timed starts."""
    unix("C:\\b\\job.txt").write_text(f"{warm_up} {rounds}\n" + "\n".join(commands) +
                                      "\n", encoding="utf-8")
    out = unix("C:\\b\\times.txt")
    out.unlink(missing_ok=True)
    call(PIN + [WINE, WORK / "win-x64/start_timer.exe", "C:\\b\\job.txt", "C:\\b\\times.txt"],
         extra_env)
    starts = [[] for _ in commands]
    for line in out.read_text().split("\n"):
        if line:
            index, _, us, code = line.split()
            starts[int(index)].append((float(us), int(code)))
    return starts


def child_command_lines(commands):
    """The command line the stand-in java.exe received from each command, in order."""
    report = unix("C:\\b\\child.json")
    lines = []
    for command in commands:
        report.unlink(missing_ok=True)
        run_timer([command], 1, 0, {"STANDIN_REPORT": "C:\\b\\child.json"})
        lines.append(json.loads(report.read_text(encoding="utf-8").splitlines()[0])["command_line"])
    return lines


def check_searches(cases):
    """Makes sure that each case's launcher searched the registry and found nothing."""
    for case in cases:
        run_timer([f'"C:\\b\\{case}\\app.exe"'], 1, 0, {"VERBOSE_TAVRIN": "1"})
        log = unix(f"C:\\b\\{case}\\app.tavrin_log")
        if "Don't find a Java[tm] runtime" not in log.read_text(encoding="latin-1"):
            sys.exit(f"bench: the {case} launcher did not search the registry, see {log}")
        log.unlink()


def wine_figures():
    if PREFIX.exists():  # ends a server left from an interrupted run, then starts afresh
        subprocess.call([WINESERVER, "-k"], env=env(), stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL)
        shutil.rmtree(PREFIX)
    PREFIX.mkdir(parents=True)
    (WORK / "wine.log").unlink(missing_ok=True)
    call(PIN + [WINESERVER, "-p"])  # persistent, so that no call waits for a server to start
    call([WINE, "wineboot", "-i"])
    # A service that sc creates in a prefix wineboot has just made is lost unless the server
    # starts afresh first.
    call([WINESERVER, "-k"])
    call(PIN + [WINESERVER, "-p"])
    releases = update_app.releases()
    server = update_app.serve(update_app.PORT)
    try:
        lay_out(releases)
        launchers = {c: f'"C:\\b\\{c}\\app.exe"' for c in TIMED}
        children = dict(zip(TIMED, child_command_lines([launchers[c] for c in TIMED])))
        floors = {c: f'"C:\\b\\{c}\\floor.exe" {children[c]}' for c in TIMED}
        if child_command_lines([floors[c] for c in TIMED]) != [children[c] for c in TIMED]:
            sys.exit("bench: the floor did not start the launcher's child command line")
        check_searches(["search", "widest"])
        names = [f"launcher {c}" for c in TIMED] + [f"floor {c}" for c in TIMED] + [
            "stand-in alone", "search", "widest", "no search"]
        commands = [launchers[c] for c in TIMED] + [floors[c] for c in TIMED] + [children["x64"]]
        searches = [f'"C:\\b\\{c}\\app.exe"' for c in ("search", "widest", "no_search")]
        idle = '"C:\\b\\update_idle\\Hello\\Hello.exe"'
        names[names.index("search"):names.index("search")] = ["launcher update", "floor update"]
        commands += [idle, f'"C:\\b\\update_idle\\floor.exe" {child_command_lines([idle])[0]}']
        starts = run_timer(commands, ROUNDS, WARM_UP) + run_timer(searches, SEARCH_ROUNDS, 1)
        service = service_start()
        update = update_figures(server, releases, idle)
    finally:
        server.release.set()
        server.shutdown()
        call([WINESERVER, "-k"])
    expected_codes = {"search": 2, "widest": 2, "no search": 2}
    medians = {}
    for name, runs in zip(names, starts):
        codes = {code for _, code in runs}
        if codes != {expected_codes.get(name, 0)}:
            sys.exit(f"bench: {name} exited with {sorted(codes)}")
        medians[name] = statistics.median(us for us, _ in runs) / 1000
    medians["net start"] = service
    return medians, children["x64"], update


def update_figures(server, releases, idle):
    """The self-updating app: from the launcher's start to the Java stand-in's, median over
    rounds, with a check due against a stalled server and with none due; then the bytes an
    app-only update fetched, the server serving 1.1."""
    server.folder, server.mode, server.sent, server.requests = releases[1], "stall", 0, []
    server.release.clear()
    due = '"C:\\b\\update_due\\Hello\\Hello.exe"'
    # The update program that a due start leaves waiting is ended, untimed, before the next
    # start: starts a few milliseconds apart, as no real ones are, would otherwise each be
    # timed beside the programs of the starts before it.
    report = "C:\\b\\child.json"
    starts = run_timer([f"{due}\t{report}\ttaskkill /f /im tavrin-update.exe", f"{idle}\t{report}"],
                       UPDATE_ROUNDS, 1, {"STANDIN_REPORT": report})
    to_java = [statistics.median(us for us, _ in runs) / 1000 for runs in starts]
    run_timer([due], 1, 0)  # its update program left to reach the stalled server
    for _ in range(100):
        if server.requests:
            break
        time.sleep(0.1)
    else:
        sys.exit("bench: the launcher with a check due started no update program")
    server.release.set()
    call([WINESERVER, "-k"])  # the update programs that waited on the stalled server
    server.folder, server.mode, server.sent = releases[1], "", 0
    run_timer(['"C:\\b\\update_fetch\\Hello\\Hello.exe"'], 1, 0)
    call([WINESERVER, "-w"], timeout=120)  # the update program, once it has finished
    call(PIN + [WINESERVER, "-p"])
    log = unix("C:\\b\\update_fetch\\Hello\\tavrin-update\\update.log").read_text()
    if "installed 1.1" not in log:
        sys.exit("bench: the app-only update was not installed")
    return to_java, server.sent, update_app.image_bytes(releases[1])


def imports(exe):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True,
                          text=True, check=True).stdout
    return sorted(set(re.findall(r"DLL Name: (\S+)", dump)), key=str.lower)


def only_kernel32_and_msvcrt(names, more=()):
    return {n.lower() for n in names} <= {"kernel32.dll", "msvcrt.dll", *more}


LOAD = os.getloadavg()


def main():
    rows = []  # figure, value, floor or target, ratio, verdict (True, False or None: report)

    def row(figure, value, reference, ratio, verdict):
        rows.append((figure, value, reference, ratio, verdict))

    for case, (arch, suffix, _) in STARTUPS.items():
        floor_imports = imports(WORK / f"win-{arch}/floor{suffix}.exe")
        if not only_kernel32_and_msvcrt(floor_imports):
            sys.exit(f"bench: floor {case} imports {floor_imports}")

    medians, child, (to_java, fetched, (image, zipped)) = wine_figures()
    for case, (arch, suffix, target) in STARTUPS.items():
        figure = f"start-up under Wine, {arch}" + (" console twin" if suffix else "")
        if case not in TIMED:
            row(figure, "-", "host runs no 32-bit programs", "-", "skip")
            continue
        launcher, floor = medians[f"launcher {case}"], medians[f"floor {case}"]
        row(f"{figure} (median of {ROUNDS})", f"{launcher:.1f} ms",
            f"{'console ' if suffix else ''}floor {floor:.1f} ms, <= {target:.2f}x",
            f"{launcher / floor:.3f}", launcher <= target * floor)
    launcher, floor = medians["launcher update"], medians["floor update"]
    row(f"start-up under Wine, x64, updates configured, none due (median of {ROUNDS})",
        f"{launcher:.1f} ms", f"floor {floor:.1f} ms, <= 1.05x", f"{launcher / floor:.3f}",
        launcher <= 1.05 * floor)
    row(f"start to the JVM's start, a check due, server stalled (median of {UPDATE_ROUNDS})",
        f"{to_java[0]:.1f} ms", f"none due {to_java[1]:.1f} ms, <= +5 ms",
        f"{to_java[0] - to_java[1]:+.1f} ms", to_java[0] - to_java[1] <= 5)
    row("bytes fetched by an app-only update", f"{fetched} B",
        f"image {image} B, zip {zipped} B", f"{fetched / image:.4f}", None)
    alone = medians["stand-in alone"]
    row("stand-in java.exe started alone", f"{alone:.1f} ms", "-", "-", None)
    net_start, twin = medians["net start"], medians["launcher x64_console"]
    row(f"service twin, net start to the JVM's start, Wine x64 (median of {SERVICE_ROUNDS})",
        f"{net_start:.1f} ms", f"console twin's start-up {twin:.1f} ms",
        f"{net_start / twin:.3f}", None)
    no_search = medians["no search"]
    for case, text in (("search", "1.1.0-9.9.9, 890 versions"),
                       ("widest", "1.1.0-100.9.9, 10,000 versions")):
        search = medians[case]
        row(f"registry search {text}, none registered, Wine x64", f"{search:.1f} ms",
            f"same error box, no search {no_search:.1f} ms", f"{search / no_search:.3f}", None)

    for arch in ARCHES:
        for name in ("tavrin.exe", "tavrin-console.exe", "tavrin-service.exe"):
            exe = ROOT / f"dist/{arch}/{name}"
            size = exe.stat().st_size
            row(f"size of dist/{arch}/{name}", f"{size} B ({size / KIB:.1f} KiB)", "<= 64 KiB",
                f"{size / (64 * KIB):.3f}", size <= 64 * KIB)
            names = imports(exe)
            service = name == "tavrin-service.exe"
            row(f"load-time imports of dist/{arch}/{name}", " ".join(names),
                "KERNEL32, ADVAPI32 and msvcrt only" if service else "KERNEL32 and msvcrt only",
                "-", only_kernel32_and_msvcrt(names, ["advapi32.dll"] if service else []))

    scale = json.loads(subprocess.run([WORK / "native/scale"], capture_output=True, text=True,
                                      check=True).stdout)
    per_mib = {m: scale[f"load_split_{m}_mib_s"] / m * 1000 for m in (1, 8, 64)}
    for m in (1, 8, 64):
        row(f"load + split_words, {m} MiB (native)", f"{per_mib[m]:.2f} ms/MiB",
            "1 MiB ms/MiB, within +-25%" if m > 1 else "-",
            f"{per_mib[m] / per_mib[1]:.3f}" if m > 1 else "-",
            abs(per_mib[m] / per_mib[1] - 1) <= 0.25 if m > 1 else None)
    for m in (1, 8, 64):
        rate = m * MIB / scale[f"split_{m}_mib_s"] / 1e6
        row(f"split_words alone, {m} MiB of UTF-8 (native)", f"{rate:.0f} MB/s", ">= 200 MB/s",
            f"{rate / 200:.2f}", rate >= 200)
    for what, key, unit in (("class path", "class_path", "entries"),
                            ("%VAR% references in one option", "variables", "references")):
        small, large = scale[f"{key}_1000_s"], scale[f"{key}_10000_s"]
        growth = large / small / 10
        row(f"{what}, 10,000 {unit} (native)", f"{large * 1000:.2f} ms",
            f"10x 1,000 {unit} ({small * 1000:.3f} ms), within +-25%", f"{growth:.3f}",
            abs(growth - 1) <= 0.25)
    for key, text in (("registry_search_s", "1.0.0-9.9.9, 900 versions"),
                      ("registry_search_widest_s", "1.1.0-100.9.9, 10,000 versions")):
        row(f"registry search {text}, none registered, native test double",
            f"{scale[key] * 1000:.3f} ms", "-", "-", None)

    check_java.figures(row)
    pack_app.figures(row)

    code = print_table(rows)
    print(f"\nchild command line: {child}")
    print("load average before the run: %.2f %.2f %.2f" % LOAD)
    if NO_X86:
        print(f"skipped: {NO_X86}")
    return code


def print_table(rows):
    """Prints the rows as a table, and the figures that missed; 1 when any missed."""
    table = [("figure", "value", "floor or target", "ratio", "pass/fail")] + [
        (f, v, r, q, "report" if ok is None else "skipped" if ok == "skip" else
         "pass" if ok else "FAIL")
        for f, v, r, q, ok in rows]
    widths = [max(len(r[i]) for r in table) for i in range(5)]
    lines = ["| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |" for r in table]
    lines.insert(1, "|" + "|".join("-" * (w + 2) for w in widths) + "|")
    print("\n".join(lines))
    missed = [r[0] for r in rows if r[4] is False]
    if missed:
        print("\nmissed: " + "; ".join(missed))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
