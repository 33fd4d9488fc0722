#!/usr/bin/env python3
"""Fake Windows jmods for tavrin-pack, made from Debian's JDK 17 with its own jmod tool.

Each module of Debian's jmods is extracted and created again for windows-amd64 at version
17.0.15, without its Linux programs and libraries; java.base, created last with the hashes
of the others, carries the Java stand-ins of tests/e2e as bin/javaw.exe (windowed) and
bin/java.exe (console) and a stand-in DLL as bin/server/jvm.dll, so that a packed app starts
under Wine and reports its command, and pack has real programs and DLLs to sign. Beside
that set, for the refusals: java.base alone for windows-x86, java.base 21.0.1 for
windows-amd64, and a module path without java.base; and the set zipped in a vendor's
layout (jdk-17.0.15+6/jmods/), with a runtime of java.sql linked from it and zipped as a
vendor's JRE (jdk-17.0.15+6-jre/). JavaFX's jmods for windows-amd64 made from Debian's
modular JavaFX jars (javafx-jmods/), one for linux-amd64 (javafx-jmods-linux/), and a set whose
javafx.base is of another version than the others (javafx-jmods-mixed/). Built
once per build folder, under build/pack-fixture/, again when a stand-in or this script
changes.

Usage: python3 tests/e2e/pack_fixture.py   (prints the fixture's folder)
"""

import hashlib
import shutil
import subprocess
import sys
import zipfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
JDK_JMODS = Path("/usr/lib/jvm/java-17-openjdk-amd64/jmods")  # Debian's, for linux-amd64
STANDIN = ROOT / "build/win-x64/tests/e2e/java_standin.exe"
STANDIN_CONSOLE = STANDIN.with_name("java_standin_console.exe")
JVM = STANDIN.with_name("jvm_standin.dll")
FIXTURE = ROOT / "build/pack-fixture"
MODULES = ["java.logging", "java.xml", "java.transaction.xa", "java.sql", "java.security.sasl",
           "java.naming", "java.datatransfer", "java.prefs", "java.desktop", "java.net.http",
           "java.rmi", "java.scripting", "java.management", "jdk.crypto.ec", "jdk.charsets",
           "jdk.localedata", "jdk.naming.dns", "jdk.accessibility", "jdk.zipfs",
           "jdk.unsupported"]  # with java.desktop and java.xml, what javafx.graphics requires
JAVAFX = Path("/usr/share/java")  # Debian's libopenjfx-java: javafx-base-11.jar, ...
SECTIONS = {"classes": "--class-path", "conf": "--config", "legal": "--legal-notices"}


def jmod(*args):
    subprocess.run(["jmod", *map(str, args)], check=True, stdout=subprocess.DEVNULL)


def create(module, tree, out, platform="windows-amd64", version="17.0.15", extra=()):
    options = [a for s, o in SECTIONS.items() if (tree / s).is_dir() for a in (o, tree / s)]
    jmod("create", "--target-platform", platform, "--module-version", version, *options,
         *extra, out / f"{module}.jmod")


def base_options(tree, work):
    """java.base's Windows parts: the stand-ins, and lib/ without Linux's libraries."""
    cmds, libs = work / "cmds", work / "libs"
    cmds.mkdir()
    shutil.copyfile(STANDIN, cmds / "javaw.exe")
    shutil.copyfile(STANDIN_CONSOLE, cmds / "java.exe")
    shutil.copytree(tree / "lib", libs, ignore=shutil.ignore_patterns(
        "*.so", "server", "jexec", "jspawnhelper"))
    (libs / "server").mkdir()
    shutil.copyfile(JVM, libs / "server/jvm.dll")
    return ["--cmds", cmds, "--libs", libs]


def build(folder):
    work = folder / "work"
    with ThreadPoolExecutor(2) as pool:
        list(pool.map(lambda m: jmod("extract", "--dir", work / m, JDK_JMODS / f"{m}.jmod"),
                      ["java.base"] + MODULES))
        for out in ("jmods", "jmods-x86", "jmods-21", "jmods-no-base"):
            (folder / out).mkdir()
        list(pool.map(lambda m: create(m, work / m, folder / "jmods"), MODULES))
    base = base_options(work / "java.base", work)
    create("java.base", work / "java.base", folder / "jmods",
           extra=base + ["--hash-modules", ".*", "--module-path", folder / "jmods"])
    create("java.base", work / "java.base", folder / "jmods-x86", platform="windows-x86",
           extra=base)
    create("java.base", work / "java.base", folder / "jmods-21", version="21.0.1", extra=base)
    shutil.copyfile(folder / "jmods/java.sql.jmod", folder / "jmods-no-base/java.sql.jmod")
    for module, out, platform, version in [
            (m, "javafx-jmods", "windows-amd64", "11.0.11") for m in ("base", "graphics", "controls")
    ] + [("base", "javafx-jmods-linux", "linux-amd64", "11.0.11")] + [
            (m, "javafx-jmods-mixed", "windows-amd64", v)
            for m, v in (("base", "11.0.11"), ("graphics", "21.0.1"), ("controls", "21.0.1"))]:
        (folder / out).mkdir(exist_ok=True)
        jmod("create", "--class-path", JAVAFX / f"javafx-{module}-11.jar", "--target-platform",
             platform, "--module-version", version, folder / out / f"javafx.{module}.jmod")
    with zipfile.ZipFile(folder / "jdk-17.0.15_windows-x64.zip", "w") as z:
        for path in sorted((folder / "jmods").iterdir()):
            z.write(path, "jdk-17.0.15+6/jmods/" + path.name)
    subprocess.run(["jlink", "--module-path", folder / "jmods", "--add-modules", "java.sql",
                    "--output", work / "jre"], check=True, stdout=subprocess.DEVNULL)
    with zipfile.ZipFile(folder / "jre-17.0.15_windows-x64.zip", "w") as z:
        for path in sorted(p for p in (work / "jre").rglob("*") if p.is_file()):
            z.write(path, "jdk-17.0.15+6-jre/" + path.relative_to(work / "jre").as_posix())
    shutil.rmtree(work)


def fixture():
    """The fixture's folder, built first when it is missing or stale."""
    key = hashlib.sha256(STANDIN.read_bytes() + STANDIN_CONSOLE.read_bytes() + JVM.read_bytes() +
                         Path(__file__).read_bytes()).hexdigest()[:16]
    folder = FIXTURE / key
    if not (folder / "done").exists():
        shutil.rmtree(FIXTURE, ignore_errors=True)
        folder.mkdir(parents=True)
        build(folder)
        (folder / "done").write_text("")
    return folder


if __name__ == "__main__":
    if not STANDIN.exists():
        sys.exit(f"pack_fixture: missing {STANDIN} (run scripts/build)")
    print(fixture())
