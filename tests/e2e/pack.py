#!/usr/bin/env python3
"""tavrin-pack end to end, with the fake Windows jmods of pack_fixture.py standing in for a
vendor's Windows JDK.

Each row of ROWS runs dist/linux-x64/tavrin-pack on a javac-built app and checks its exit
status, what it printed and what it left in its destination: a refusal leaves the folder as
it was. Packed apps then start under Wine on run.py's bench, where the Java stand-in
reports the command it received; jdeps and pefile are the oracles for the runtime's modules
and the exe's version details.

Usage: python3 tests/e2e/pack.py [NAME_PART ...]
"""

import hashlib
import os
import shutil
import struct
import subprocess
import sys
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WORK = ROOT / "build/e2e-pack"
os.environ["TAVRIN_E2E_WORK"] = str(WORK / "wine")
import run  # noqa: E402
from brand import ICON, pefile_view  # noqa: E402
from pack_fixture import JDK_JMODS, STANDIN, fixture  # noqa: E402

PACK = ROOT / "dist/linux-x64/tavrin-pack"
# Db uses java.sql and TLS; the main class only Db, so jdeps needs both jars.
SOURCES = {
    "Main": "public class Main { public static void main(String[] a) { Db.open(); } }",
    "Db": "public class Db { static void open() { try { java.sql.DriverManager.getDrivers();"
          " javax.net.ssl.SSLContext.getDefault(); } catch (Exception e) { } } }"}
APP = WORK / "app"
OPTIONS = ["-Dapp.data=%DEMO_DATA|@data%\\x y", '-Dq="quoted"']
ARGUMENTS = ["two words", "back\\slash\\", "", "#hash", "100%", "tab\there"]


def sh(*argv, **kw):
    return subprocess.run([str(a) for a in argv], check=True, capture_output=True, text=True, **kw)


def build_app():
    """in/: main.jar and 'db tools.jar'; warn/: a main jar whose Class-Path names a jar that
    is missing; nojvm/: a runtime folder without jvm.dll."""
    shutil.rmtree(APP, ignore_errors=True)
    for name, body in SOURCES.items():
        (APP / "src/demo").mkdir(parents=True, exist_ok=True)
        (APP / f"src/demo/{name}.java").write_text("package demo;\n" + body)
    sh("javac", "--release", "11", "-d", APP / "classes", *(APP / "src/demo").glob("*.java"))
    (APP / "in").mkdir()
    (APP / "warn").mkdir()
    sh("jar", "-c", "-f", APP / "in/main.jar", "-e", "demo.Main", "-C", APP / "classes",
       "demo/Main.class")
    sh("jar", "-c", "-f", APP / "in/db tools.jar", "-C", APP / "classes", "demo/Db.class")
    (APP / "manifest.txt").write_text("Main-Class: demo.Main\nClass-Path: missing.jar\n")
    sh("jar", "-c", "-f", APP / "warn/main.jar", "-m", APP / "manifest.txt", "-C",
       APP / "classes", "demo")
    for program in ("java.exe", "javaw.exe"):
        (APP / "nojvm/bin").mkdir(parents=True, exist_ok=True)
        shutil.copyfile(STANDIN, APP / "nojvm/bin" / program)


def row(name, args, exit, says=(), check=None, wine=None, present=(), env=None):
    """args: pack's arguments ({F} the fixture, {app} the app folder); says: texts its output must hold; check(dest, out) gives problems;
    wine: a run.py row for the packed app (its image key names the folder in dest);
    present: names laid out in the destination before, which a refusal must leave alone."""
    return dict(name=name, args=args, exit=exit, says=says, check=check, wine=wine,
                present=present, env=env or {})


DEMO = ["--name", "Demo", "--input", "{app}/in", "--main-jar", "main.jar"]
JMODS = ["--module-path", "{F}/jmods"]
CLASS_PATH = "{dir}\\app\\main.jar;{dir}\\app\\db tools.jar"


def modules_cover_jdeps(dest, out):
    """The runtime's MODULES hold every module jdeps names for the jars."""
    needed = sh("jdeps", "--print-module-deps", *(APP / "in").glob("*.jar")).stdout.split(",")
    release = (dest / "Demo/runtime/release").read_text()
    modules = release.split('MODULES="')[1].split('"')[0].split()
    top = sorted(p.name for p in (dest / "Demo").iterdir())
    return ([f"jdeps needs {m.strip()}, MODULES has {modules}" for m in needed
             if m.strip() not in modules] +
            ([f"the image holds {top}"] if top != ["Demo.exe", "Demo.tavrin", "app", "runtime"]
             else []))


def branded(dest, out):
    strings = pefile_view(dest / "Brand/Brand.exe")["strings"]
    expected = {"ProductName": "Brand", "FileDescription": "Quarterly reports",
                "CompanyName": "Acme \u00c6sir", "LegalCopyright": "\u00a9 2026 Acme",
                "FileVersion": "2.5.1", "ProductVersion": "2.5.1",
                "OriginalFilename": "Brand.exe", "InternalName": "Brand"}
    return [f"{k}: {strings.get(k)!r}, expected {v!r}" for k, v in expected.items()
            if strings.get(k) != v]


def zip_twice(dest, out):
    """A second run into another folder gives the same bytes; its entries are in order, under
    Zipped/, stamped with SOURCE_DATE_EPOCH."""
    name = "Zipped-1.0-windows-x64.zip"
    again = dest.parent / (dest.name + "-again")
    shutil.rmtree(again, ignore_errors=True)
    second = subprocess.run([str(PACK), *fill(ZIPPED, again)], capture_output=True,
                            env=dict(os.environ, SOURCE_DATE_EPOCH="1700000000"))
    data = (dest / name).read_bytes()
    problems = [] if data == (again / name).read_bytes() else ["two runs gave other bytes"]
    if f"{hashlib.sha256(data).hexdigest()}  {dest / name}" not in out:
        problems.append("no SHA-256 line")
    with zipfile.ZipFile(dest / name) as z:
        names = z.namelist()
        if names != sorted(names) or not all(n.startswith("Zipped/") for n in names):
            problems.append(f"entries {names[:5]}...")
        if {i.date_time for i in z.infolist()} != {(2023, 11, 14, 22, 13, 20)}:
            problems.append("time stamps other than SOURCE_DATE_EPOCH's")
    return problems + ([] if second.returncode == 0 else [f"second run: {second.stderr}"])


def x86_launcher(dest, out):
    exe = (dest / "Hello/Hello.exe").read_bytes()
    machine = struct.unpack_from("<H", exe, struct.unpack_from("<I", exe, 60)[0] + 4)[0]
    return [] if machine == 0x14C else [f"machine {machine:#x}"]


def same_runtime(dest, out):
    """The runtime is the JRE zip's, its top folder left out."""
    with zipfile.ZipFile(fixture() / "jre-17.0.15_windows-x64.zip") as z:
        given = {n.split("/", 1)[1]: z.read(n) for n in z.namelist()}
    runtime = dest / "Ready/runtime"
    got = {p.relative_to(runtime).as_posix(): p.read_bytes() for p in runtime.rglob("*")
           if p.is_file()}
    return [] if got == given else [f"runtime holds {sorted(got)[:5]}..."]


ZIPPED = ["--name", "Zipped", "--input", "{app}/in", "--main-jar", "main.jar", *JMODS,
          "--type", "zip", "--dest", "{dest}"]
ROWS = [
    # A javac-built app using java.sql and TLS, packed and started; the options and arguments
    # reach the program exactly, %NAME% expanded by the launcher.
    row("java_sql_app", DEMO + JMODS + sum((["--java-options", o] for o in OPTIONS), []) +
        sum((["--arguments", a] for a in ARGUMENTS), []), 0,
        says=["java.sql: used by demo.Db (app/db tools.jar)\n",
              "jdk.crypto.ec: TLS (javax.net.ssl) needs its EC ciphers before Java 22\n",
              "jdk.crypto.mscapi: not in the module path, so left out"],
        check=modules_cover_jdeps,
        wine=run.case("pack_java_sql_app", exe="Demo.exe", image="Demo", params=None,
                      args=" x", exit=0, child=dict(argv=[
                          "{dir}\\runtime\\bin\\javaw.exe", "-Dapp.data={dir}\\data\\x y",
                          '-Dq="quoted"', "-cp", CLASS_PATH, "demo.Main", *ARGUMENTS, "x"]))),
    # The console twin from the JDK's zip: java.exe, and the program's exit code passed on.
    row("console_from_zip", ["--name", "Tool", "--input", "{app}/in", "--main-jar", "main.jar",
                             "--module-path", "{F}/jdk-17.0.15_windows-x64.zip", "--win-console"],
        0, wine=run.case("pack_console_exit", exe="Tool.exe", image="Tool", params=None,
                         launcher="console", exit=7, child_exit=7, child=dict(argv=[
                             "{dir}\\runtime\\bin\\java.exe", "-cp", CLASS_PATH, "demo.Main"]))),
    row("branding", ["--name", "Brand", "--input", "{app}/in", "--main-jar", "main.jar", *JMODS,
                     "--icon", "{app}/app.ico", "--vendor", "Acme \u00c6sir", "--copyright",
                     "\u00a9 2026 Acme", "--description", "Quarterly reports", "--app-version",
                     "2.5.1"], 0, check=branded),
    row("zip_twice", ZIPPED, 0, env={"SOURCE_DATE_EPOCH": "1700000000"}, check=zip_twice),
    row("x86_from_x86_jmods", ["--name", "Hello", "--input", ROOT / "examples/hello/lib",
                               "--main-jar", "hello.jar", "--main-class", "demo.Hello",
                               "--module-path", "{F}/jmods-x86"], 0, check=x86_launcher),
    row("ready_runtime", ["--name", "Ready", "--input", "{app}/in", "--main-jar", "main.jar",
                          "--runtime-image", "{F}/jre-17.0.15_windows-x64.zip"], 0,
        check=same_runtime),
    row("check_warnings_keep_the_image", DEMO[:3] + ["{app}/warn"] + DEMO[4:] + JMODS, 1,
        says=["warning: 'app\\main.jar' names 'missing.jar' in its manifest Class-Path"],
        check=lambda dest, out: [] if (dest / "Demo/Demo.exe").exists() else ["no image"]),
    # Refusals: status 2, and the destination as it was.
    row("linux_jmods", DEMO + ["--module-path", JDK_JMODS], 2,
        says=["are for linux-amd64, not Windows"]),
    row("java_base_21", DEMO + ["--module-path", "{F}/jmods-21"], 2,
        says=["is version 17.0.15 (17.0), but the jmods' java.base is 21.0.1 (21.0)",
              "install a JDK 21.0 on the host"]),
    row("no_java_base", DEMO + ["--module-path", "{F}/jmods-no-base"], 2,
        says=["has no java.base.jmod"]),
    row("result_without_javaw", DEMO + JMODS + ["--jlink-options", "--strip-native-commands"], 2,
        says=["the linked runtime has no bin\\javaw.exe"]),
    row("runtime_not_windows", DEMO + ["--runtime-image", JDK_JMODS.parent], 2,
        says=["is not a Windows runtime of x64 or x86"]),
    row("runtime_without_jvm", DEMO + ["--runtime-image", "{app}/nojvm"], 2,
        says=["has no bin\\server\\jvm.dll"]),
    row("unknown_module", DEMO + JMODS + ["--add-modules", "jdk.nothing"], 2,
        says=["--add-modules jdk.nothing: the module path has no such module"]),
    row("image_exists", DEMO + JMODS, 2, present=["Demo/"], says=["exists already"]),
    row("zip_exists", ZIPPED, 2, present=["Zipped-1.0-windows-x64.zip"], says=["exists already"]),
]


def fill(args, dest):
    text = {"{F}": str(fixture()), "{app}": str(APP), "{dest}": str(dest)}
    filled = [str(a) for a in args]
    for key, value in text.items():
        filled = [a.replace(key, value) for a in filled]
    return filled + ([] if "--dest" in filled else ["--dest", str(dest)])


def listing(folder):
    return sorted(str(p.relative_to(folder)) for p in folder.rglob("*")) if folder.exists() else None


def pack_row(r):
    """Runs pack for the row; returns problems and the Wine row with its image's path."""
    dest = WORK / "rows" / r["name"]
    for name in r["present"]:
        target = dest / name
        target.mkdir(parents=True) if name.endswith("/") else (
            target.parent.mkdir(parents=True, exist_ok=True), target.write_bytes(b"old"))
    before = listing(dest)
    result = subprocess.run([str(PACK), *fill(r["args"], dest)], capture_output=True, text=True,
                            env=dict(os.environ, **r["env"]))
    out = result.stdout + result.stderr
    problems = [] if result.returncode == r["exit"] else [
        f"exit {result.returncode}, expected {r['exit']}:\n{out}"]
    problems += [f"output lacks {s!r}:\n{out}" for s in r["says"] if s not in out]
    if r["exit"] == 2 and listing(dest) != before:
        problems.append(f"left behind: {listing(dest)}, before {before}")
    if not problems and r["check"]:
        problems += r["check"](dest, out)
    wine = r["wine"] and dict(r["wine"], image=dest / r["wine"]["image"])
    return problems, wine


def main(parts):
    build_app()
    (APP / "app.ico").write_bytes(ICON)
    shutil.rmtree(WORK / "rows", ignore_errors=True)
    fixture()
    passed = failed = 0
    wine_rows = []
    for r in ROWS:
        if parts and not any(p in r["name"] for p in parts):
            continue
        problems, wine = pack_row(r)
        ok = run.report(r["name"], problems)
        passed, failed = passed + ok, failed + (not ok)
        if ok and wine:
            wine_rows.append(wine)
    if wine_rows:
        bench = run.Bench()
        try:
            bench.start()
            for w in wine_rows:
                ok = run.report(w["name"] + " [x64, Wine]", run.run_case(bench, w, "x64", {}))
                passed, failed = passed + ok, failed + (not ok)
        finally:
            bench.stop()
    print(f"pack: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
