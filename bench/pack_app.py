#!/usr/bin/env python3
"""tavrin-pack on the app of the Java view's benchmark (check_java.py: 100 jars, 50,000
classes), packed with the fake Windows jmods of tests/e2e/pack_fixture.py.

Overhead: pack's whole run against the bare jlink call it makes (the command that
--verbose prints, into a fresh folder), in alternating rounds, median of 3 each;
everything but jlink must be cheap. Size: the runtime pack links against one of every module the fixture has.
Signing: the hello app's zip and installer signed with the e2e tests' throwaway PKCS#12 key
(sign_fixture.py) against unsigned, in alternating rounds, median of 3 each.

Alone: python3 bench/pack_app.py (after scripts/build) prints these rows.
"""

import shlex
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

import check_java

ROOT = Path(__file__).resolve().parents[1]
sys.path.append(str(ROOT / "tests/e2e"))
import sign_fixture  # noqa: E402
from pack_fixture import fixture  # noqa: E402

PACK = ROOT / "dist/linux-x64/tavrin-pack"
WORK = ROOT / "build/bench/pack"
ROUNDS = 3


def wall_time(argv, output):
    """Wall time of argv, with output removed first."""
    shutil.rmtree(output, ignore_errors=True)
    start = time.perf_counter()
    result = subprocess.run([str(a) for a in argv], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"bench: {argv[0]} exited {result.returncode}: {result.stderr[-500:]}")
    return time.perf_counter() - start, result


def size(folder):
    return sum(p.stat().st_size for p in folder.rglob("*") if p.is_file())


def figures(row):
    check_java.lay_out()
    jmods = fixture() / "jmods"
    pack = [PACK, "--name", "Bench", "--input", check_java.APP / "lib", "--main-jar", "j000.jar",
            "--main-class", "app.p000.C0000", "--module-path", jmods, "--dest", WORK / "dest",
            "--verbose"]
    _, result = wall_time(pack, WORK / "dest")
    # jlink ran on links to the module path in pack's temporary folder, now gone.
    command = shlex.split(next(line for line in result.stdout.splitlines()
                               if line.startswith("jlink command, in ")).split(": ", 1)[1])
    command[command.index("--module-path") + 1] = str(jmods)
    at = command.index("--output") + 1
    command[at] = str(WORK / "jlink")
    # Rounds alternate, so that a change in the machine's load falls on both alike.
    times = [(wall_time(pack, WORK / "dest")[0], wall_time(command, WORK / "jlink")[0])
             for _ in range(ROUNDS)]
    packed, bare = (statistics.median(t[i] for t in times) for i in (0, 1))
    modules = len(command[command.index("--add-modules") + 1].split(","))
    row(f"tavrin-pack, {check_java.JARS} jars, {check_java.JARS * check_java.CLASSES_PER_JAR:,} "
        f"classes, {modules} modules (median of {ROUNDS})", f"{packed:.2f} s",
        f"its jlink call {bare:.2f} s, <= 1.3x", f"{packed / bare:.3f}", packed <= 1.3 * bare)
    command[command.index("--add-modules") + 1] = ",".join(p.stem for p in jmods.glob("*.jmod"))
    command[at] = str(WORK / "all")
    shutil.rmtree(WORK / "all", ignore_errors=True)
    subprocess.run(command, check=True, capture_output=True)
    runtime, everything = size(WORK / "dest/Bench/runtime"), size(WORK / "all")
    row("runtime tavrin-pack linked for that app", f"{runtime / 2**20:.1f} MiB",
        f"all {len(list(jmods.glob('*.jmod')))} fixture modules {everything / 2**20:.1f} MiB",
        f"{runtime / everything:.3f}", None)
    lib = ROOT / "examples/hello/lib"
    keys = sign_fixture.build(WORK / "sign", fixture() / "jre-17.0.15_windows-x64.zip",
                              lib / "hello.jar")
    hello = [PACK, "--name", "Hello", "--input", lib, "--main-jar",
             "hello.jar", "--main-class", "demo.Hello", "--module-path", jmods, "--vendor", "V",
             "--dest", WORK / "hello"]
    for kind in ("zip", "msi"):
        plain = hello + ["--type", kind]
        keyed = plain + ["--win-sign-pkcs12", keys["{S}"] + "/signer.p12",
                         "--win-sign-password-env", "SIGN_PASSWORD"]
        times = [[wall_time(argv, WORK / "hello")[0] for argv in (plain, keyed)]
                 for _ in range(ROUNDS)]
        unsigned, signed = (statistics.median(t[i] for t in times) for i in (0, 1))
        row(f"tavrin-pack, the hello app's {kind} signed by a PKCS#12 key (median of {ROUNDS})",
            f"{signed:.2f} s", f"unsigned {unsigned:.2f} s", f"{signed / unsigned:.3f}", None)


if __name__ == "__main__":
    import run
    rows = []
    figures(lambda *r: rows.append(r))
    sys.exit(run.print_table(rows))
