#!/usr/bin/env python3
"""tavrin-check's reading of an app's jars against jdeps, on the same jars in the same run.

The app is generated here: 100 jars of 500 class files each (50,000 classes), written
directly as minimal valid class files whose constant pools name JDK classes of several
modules, in methods' descriptors too. tavrin-check reads every class, and what it uses
when the bundled runtime's release file lists modules; jdeps --print-module-deps reads the same jars. Half
the jars on the class path shows whether the check's time grows linearly.

Alone: python3 bench/check_java.py (after the native build) prints these rows.
"""

import shutil
import statistics
import struct
import subprocess
import sys
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
APP = ROOT / "build/bench/check_app"
CHECK = ROOT / "dist/linux-x64/tavrin-check"
JARS, CLASSES_PER_JAR = 100, 500
CHECK_ROUNDS, JDEPS_ROUNDS = 7, 3

# JDK classes the generated classes name, from several modules.
JDK_CLASSES = [
    "java/util/List", "java/util/Map", "java/io/File", "java/nio/file/Path",
    "java/sql/Connection", "java/sql/ResultSet", "java/util/logging/Logger",
    "java/awt/Frame", "javax/swing/JButton", "java/net/http/HttpClient",
    "javax/xml/parsers/DocumentBuilder", "org/w3c/dom/Document", "java/rmi/Remote",
    "javax/naming/Context", "java/util/prefs/Preferences", "javax/script/ScriptEngine",
    "java/lang/management/ManagementFactory", "javax/crypto/Cipher",
    "java/util/concurrent/Executor", "java/time/Instant",
]


def class_file(name, index):
    """A class extending Object whose pool names four JDK classes, two through method
    references with descriptors, and the next class of its jar."""
    pool = []

    def add(tag, payload):
        pool.append(bytes([tag]) + payload)
        return len(pool)

    def utf8(text):
        data = text.encode()
        return add(1, struct.pack(">H", len(data)) + data)

    def cls(internal):
        return add(7, struct.pack(">H", utf8(internal)))

    this, base = cls(name), cls("java/lang/Object")
    cls(name[:-4] + "%04d" % ((int(name[-4:]) + 1) % CLASSES_PER_JAR))
    picked = [JDK_CLASSES[(index * 7 + k * 3) % len(JDK_CLASSES)] for k in range(4)]
    for k, jdk in enumerate(picked):
        owner = cls(jdk)
        if k % 2:
            descriptor = f"(L{picked[k - 1]};I)L{jdk};"
            nat = add(12, struct.pack(">HH", utf8(f"call{k}"), utf8(descriptor)))
            add(10, struct.pack(">HH", owner, nat))
    return (b"\xca\xfe\xba\xbe" + struct.pack(">HHH", 0, 52, len(pool) + 1) + b"".join(pool) +
            struct.pack(">HHHHHHH", 0x21, this, base, 0, 0, 0, 0))


def lay_out():
    """The app folder, its two runtimes (one with every module, one with java.base alone)
    and parameter files for all jars, half of them, and the java.base runtime."""
    shutil.rmtree(APP, ignore_errors=True)
    for jar in range(JARS):
        path = APP / "lib" / f"j{jar:03d}.jar"
        path.parent.mkdir(parents=True, exist_ok=True)
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            for c in range(CLASSES_PER_JAR):
                name = f"app/p{jar:03d}/C{c:04d}"
                z.writestr(name + ".class", class_file(name, jar * CLASSES_PER_JAR + c))
    modules = next(line for line in Path("/usr/lib/jvm/java-17-openjdk-amd64/release")
                   .read_text().splitlines() if line.startswith("MODULES="))
    for jre, listed in (("jre", modules), ("jre-base", 'MODULES="java.base"')):
        (APP / jre / "bin/server").mkdir(parents=True)
        (APP / jre / "bin/java.exe").write_bytes(b"")
        (APP / jre / "bin/server/jvm.dll").write_bytes(b"")
        (APP / jre / "release").write_text(f'JAVA_VERSION="17.0.15"\n{listed}\n')
    for name, jre, count in (("full", "jre", JARS), ("half", "jre", JARS // 2),
                             ("base", "jre-base", JARS)):
        jars = ";".join(f"lib\\j{jar:03d}.jar" for jar in range(count))
        (APP / f"{name}.tavrin").write_text(f"{jre}\\bin\\java.exe -cp {jars} app.p000.C0000\n")


def timed(argv, rounds):
    """Median wall time in seconds, and the last run's result."""
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        result = subprocess.run(argv, capture_output=True, text=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times), result


def figures(row):
    lay_out()
    jars = sorted(str(p) for p in (APP / "lib").glob("*.jar"))
    full, checked = timed([CHECK, APP / "full.tavrin"], CHECK_ROUNDS)
    half, _ = timed([CHECK, APP / "half.tavrin"], CHECK_ROUNDS)
    jdeps, answer = timed(["jdeps", "--print-module-deps"] + jars, JDEPS_ROUNDS)
    if checked.returncode != 0 or answer.returncode != 0:
        sys.exit(f"bench: tavrin-check exited {checked.returncode} ({checked.stderr[:200]}), "
                 f"jdeps {answer.returncode} ({answer.stderr[:200]})")
    # Both read the classes: in a java.base runtime the check misses every module of jdeps'
    # answer, which leaves out those that another one requires transitively.
    base = subprocess.run([CHECK, APP / "base.tavrin"], capture_output=True, text=True).stderr
    missing = {line.split("'")[3] for line in base.splitlines() if "lacks module" in line}
    needed = set(answer.stdout.strip().split(",")) - {"java.base"}
    if not needed <= missing:
        sys.exit(f"bench: tavrin-check finds {sorted(missing)}, jdeps {sorted(needed)}")
    classes = JARS * CLASSES_PER_JAR
    row(f"tavrin-check, {JARS} jars, {classes:,} classes (native, median of {CHECK_ROUNDS})",
        f"{full * 1000:.0f} ms", f"jdeps {jdeps * 1000:.0f} ms, >= 10x faster",
        f"{jdeps / full:.1f}", jdeps / full >= 10)
    row(f"jdeps --print-module-deps, same jars (median of {JDEPS_ROUNDS})",
        f"{jdeps * 1000:.0f} ms", "-", "-", None)
    growth = full / half / 2
    row(f"tavrin-check, {JARS // 2} jars, {classes // 2:,} classes (native)",
        f"{half * 1000:.0f} ms", f"half of {classes:,} classes, within +-25%", f"{growth:.3f}",
        abs(growth - 1) <= 0.25)


if __name__ == "__main__":
    import run
    rows = []
    figures(lambda *r: rows.append(r))
    sys.exit(run.print_table(rows))
