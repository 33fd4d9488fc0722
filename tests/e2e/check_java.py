#!/usr/bin/env python3
"""tavrin-check's Java side, row by row: each row lays out an app folder with real jars and
class files (javac and jar of the installed JDK), runs dist/linux-x64/tavrin-check on it
and compares its warnings and exit status. The module rows take their runtime's MODULES
from jlink of what jdeps says the jars need.

Usage: python3 tests/e2e/check_java.py [ROW...]
TAVRIN_E2E_CHECK (default dist/linux-x64/tavrin-check) is the check tool.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
CHECK = Path(os.environ.get("TAVRIN_E2E_CHECK", ROOT / "dist/linux-x64/tavrin-check"))

# java.sql only in a method's descriptor, which names no class in the constant pool.
MAIN = """package demo;
public class Main {
  public static void main(String[] args) {
    java.util.logging.Logger.getGlobal().info("start");
  }
  static int timeout(java.sql.Connection connection) {
    return 0;
  }
}
"""
# A Class-Path longer than a manifest line, so that jar folds it onto continuation lines,
# whose last jar names the first again.
FIRST, LAST = "app.jar", "a-dependency-with-a-name-long-enough-to-fold-the-manifest-line.jar"
TAIL = "; the JVM would stop with "


def run(*argv, cwd=None):
    return subprocess.run([str(a) for a in argv], cwd=cwd, check=True, capture_output=True,
                          text=True).stdout


def build(work):
    """Jars and class folders every row draws from, and the runtimes' MODULES lines."""
    (work / "src/demo").mkdir(parents=True)
    (work / "src/demo/Main.java").write_text(MAIN)
    for release in ("8", "17"):
        run("javac", "--release", release, "-d", work / f"classes{release}",
            work / "src/demo/Main.java")

    def jar(name, classes=None, class_path=None):
        argv = ["jar", "--create", "--file", work / name]
        if class_path:
            (work / "manifest").write_text(f"Class-Path: {class_path}\n")
            argv += ["--manifest", work / "manifest"]
        argv += ["-C", classes or work / "src", "." if classes else "demo/Main.java"]
        run(*argv)

    jar(FIRST, class_path=LAST)
    jar(LAST, work / "classes8", class_path=FIRST)
    jar("gone.jar", class_path="lib/gone.jar")
    jar("source.jar")
    jar("main17.jar", work / "classes17")
    (work / "garbled/demo").mkdir(parents=True)
    (work / "garbled/demo/Main.class").write_text("not a class")
    jar("garbled.jar", work / "garbled")
    manifest = zipfile.ZipFile(work / FIRST).read("META-INF/MANIFEST.MF").decode()
    assert "\n " in manifest, "the Class-Path was not folded"
    needed = run("jdeps", "--print-module-deps", work / FIRST, work / LAST).strip()
    run("jlink", "--add-modules", needed, "--output", work / "runtime")
    modules = next(line for line in (work / "runtime/release").read_text().splitlines()
                   if line.startswith("MODULES="))
    assert "java.sql" in needed.split(","), needed
    return {"all": modules, "no_sql": modules.replace(" java.sql", "")}


def runtime(version="17.0.2", modules="all", jvm="server"):
    files = {"jre/bin/java.exe": ""}
    if jvm:
        files[f"jre/bin/{jvm}/jvm.dll"] = ""
    if version:
        files["jre/release"] = f'JAVA_VERSION="{version}"\n' + (
            "{" + modules + "}\n" if modules else "")
    return files


APP = {"lib/app.jar": FIRST, f"lib/{LAST}": LAST}
BUNDLED = "jre\\bin\\java.exe -cp lib\\app.jar demo.Main"
NOT_FOUND = ("warning: main class 'demo.Main' is not in the class path" + TAIL +
             "ClassNotFoundException")
SEARCH = ("warning: launcher word 'java' names no file in the app, so the launcher would "
          "search the registry for a Java runtime in the {} range; bundle a runtime with the "
          "app and name it, e.g. jre\\bin\\java.exe")
NEEDS_8 = "warning: main class 'demo.Main' needs Java 1.8 (class file version 52), "

# name, parameter file, files (text, or the name of a built jar), warnings, exit status
ROWS = [
    ("clean_with_jdeps_modules", BUNDLED, {**runtime(), **APP}, [], 0),
    ("module_missing", BUNDLED, {**runtime(modules="no_sql"), **APP},
     [f"warning: bundled runtime 'jre' lacks module 'java.sql', which '{LAST}' uses "
      "(java.sql.Connection)" + TAIL + "NoClassDefFoundError"], 1),
    ("manifest_entry_missing", "jre\\bin\\java.exe -cp lib\\gone.jar;lib\\app.jar demo.Main",
     {**runtime(), **APP, "lib/gone.jar": "gone.jar"},
     ["warning: 'lib\\gone.jar' names 'lib/gone.jar' in its manifest Class-Path, which does "
      "not exist"], 1),
    ("not_a_jar", "jre\\bin\\java.exe -cp lib\\notes.jar;lib\\app.jar demo.Main",
     {**runtime(), **APP, "lib/notes.jar": "text"},
     ["warning: class-path file 'lib\\notes.jar' is not a readable jar (no end of central "
      "directory record); the JVM would skip it"], 1),
    ("main_class_missing", "jre\\bin\\java.exe -cp lib\\main17.jar demo.Main",
     {**runtime(), "lib/main17.jar": "source.jar"}, [NOT_FOUND], 1),
    ("main_class_in_another_case", "jre\\bin\\java.exe -cp classes demo.Main",
     {**runtime(modules=""), "classes/demo/main.class": "classes8/demo/Main.class"},
     ["warning: class file 'classes\\demo\\main.class' matches main class 'demo.Main' only in "
      "another case" + TAIL + "NoClassDefFoundError (wrong name)"], 1),
    ("class_file_unreadable", "jre\\bin\\java.exe -cp lib\\garbled.jar demo.Main",
     {**runtime(), "lib/garbled.jar": "garbled.jar"},
     ["warning: 'lib\\garbled.jar' holds 'demo/Main.class', which cannot be read (no class file);"
      " its classes were not all checked for modules",
      "warning: main class 'demo.Main' in 'lib\\garbled.jar' is not a readable class file (no "
      "class file)" + TAIL + "ClassFormatError"], 1),
    ("runtime_too_old", "jre\\bin\\java.exe -cp lib\\main17.jar demo.Main",
     {**runtime("1.8.0_392", modules=""), "lib/main17.jar": "main17.jar"},
     ["warning: main class 'demo.Main' needs Java 17 (class file version 61), but the bundled "
      "runtime 'jre' is 1.8.0_392" + TAIL + "UnsupportedClassVersionError"], 1),
    ("no_release_file", BUNDLED, {**runtime(version=None), **APP},
     ["warning: bundled runtime 'jre' has no release file with a JAVA_VERSION, so its version "
      "cannot be checked"], 1),
    ("incomplete_runtime", BUNDLED, {**runtime(jvm=None), **APP},
     ["warning: bundled runtime 'jre' has neither bin\\server\\jvm.dll nor bin\\client\\jvm.dll;"
      " java.exe would start and then fail"], 1),
    ("registry_range_too_old", "java[1.6.0-1.7.0] -cp lib\\app.jar demo.Main", APP,
     [SEARCH.format("1.6.0-1.7.0"), NEEDS_8 + "newer than any runtime the registry search "
      "accepts (1.6.0-1.7.0)" + TAIL + "UnsupportedClassVersionError"], 1),
    ("registry_range_starts_too_old", "java[1.6.0-1.8.0] -cp lib\\app.jar demo.Main", APP,
     [SEARCH.format("1.6.0-1.8.0"), NEEDS_8 + "and the registry search may pick an older "
      "runtime (1.6.0-1.8.0)" + TAIL + "UnsupportedClassVersionError"], 1),
]


def lay_out(app, files, work, modules):
    for rel, content in files.items():
        path = app / rel
        path.parent.mkdir(parents=True, exist_ok=True)
        if content and (work / content).is_file():
            shutil.copyfile(work / content, path)
        else:
            path.write_text(content.format_map(modules) if "{" in content else content)


def main():
    chosen = set(sys.argv[1:])
    failed = []
    with tempfile.TemporaryDirectory() as temp:
        work = Path(temp)
        modules = build(work)
        usage = subprocess.run([CHECK, "--help"], capture_output=True, text=True)
        if usage.returncode != 0 or not usage.stdout.startswith("usage: tavrin-check"):
            failed.append(f"--help: exit {usage.returncode}, {usage.stdout[:40]!r}")
        for name, params, files, warnings, status in ROWS:
            if chosen and name not in chosen:
                continue
            app = work / "apps" / name
            lay_out(app, files, work, modules)
            (app / "app.tavrin").write_text(params + "\n")
            got = subprocess.run([CHECK, app / "app.tavrin"], capture_output=True, text=True)
            lines = got.stderr.splitlines()
            if lines != warnings or got.returncode != status:
                failed.append(f"{name}: exit {got.returncode} (expected {status})\n  got:\n    " +
                              "\n    ".join(lines) + "\n  expected:\n    " +
                              "\n    ".join(warnings))
            print(("FAIL " if failed and failed[-1].startswith(name + ":") else "ok   ") + name)
    for problem in failed:
        print(problem, file=sys.stderr)
    rows = len([r for r in ROWS if not chosen or r[0] in chosen]) + 1  # and --help
    print(f"check_java: {rows - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
