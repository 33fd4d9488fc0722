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
import struct
import subprocess
import sys
import tempfile
import warnings
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
# Classes of rows of their own, under src: java.sql only as a type parameter's bound in a
# method's signature, which jdeps counts; a class name that is a string too; a method's
# descriptor and a field's signature that are strings too, beside a string that only looks
# like a descriptor (of java.naming); a class without a package line; demo.Main without
# java.sql; a class using Java 17's preview features; a class of a package whose JDK module a
# runtime may lack; JavaFX apps, built against Debian's JavaFX jars: a main class extending
# Application, one extending an app class that does (in a jar of its own), and one that
# launches the first.
JAVAFX = ":".join(f"/usr/share/java/javafx-{m}-11.jar" for m in ("base", "graphics"))
START = "public void start(javafx.stage.Stage stage) {} }"
SOURCES = {
    "demo/Generic.java": "package demo; public class Generic {\n"
                         "  <T extends java.sql.Timestamp> java.util.List<T> recent() { return null; } }",
    "demo/Literal.java": "package demo; public class Literal {\n"
                         "  Object cast(Object o) { return (java.sql.Connection) o; }\n"
                         "  String name() { return \"java/sql/Connection\"; } }",
    "demo/Constants.java": "package demo; public class Constants {\n"
                           "  static final String D = \"(Ljava/sql/Connection;)V\",\n"
                           "    S = \"Ljava/util/List<Ljavax/xml/XMLConstants;>;\",\n"
                           "    N = \"Ljavax/naming/Context;\";\n"
                           "  static void use(java.sql.Connection c) {}\n"
                           "  java.util.List<javax.xml.XMLConstants> names; }",
    "Main.java": "public class Main {}",
    "plain/demo/Main.java": "package demo; public class Main {\n"
                            "  public static void main(String[] args) {} }",
    "demo/Preview.java": "package demo; public class Preview {\n"
                         "  String text(Object o) { return switch (o) { default -> \"\"; }; } }",
    "javax/transaction/xa/Xid.java": "package javax.transaction.xa; public interface Xid {}",
    "fx/FxMain.java": "package demo; public class FxMain extends javafx.application.Application {"
                      + START,
    "fx/FxBase.java": "package demo;\n"
                      "abstract class FxBase extends javafx.application.Application {}",
    "fx/Viewer.java": "package demo; public class Viewer extends FxBase {" + START,
    "fx/FxStart.java": "package demo; public class FxStart { public static void main(String[] a)\n"
                       "  { javafx.application.Application.launch(FxMain.class, a); } }",
}
# A Class-Path longer than a manifest line, so that jar folds it onto continuation lines,
# whose last jar names the first again.
FIRST, LAST = "app.jar", "a-dependency-with-a-name-long-enough-to-fold-the-manifest-line.jar"
TAIL = "; the JVM would stop with "


def run(*argv, cwd=None):
    return subprocess.run([str(a) for a in argv], cwd=cwd, check=True, capture_output=True,
                          text=True).stdout


def rezip(data, flags=0, method=None, zip64=False):
    """A zip's bytes with each central directory entry's flags or-ed with flags, its method
    replaced, or its sizes moved to a zip64 extra field."""
    end = data.rindex(b"PK\5\6")
    count, offset = struct.unpack_from("<H4xI", data, end + 10)
    directory, at = b"", offset
    for _ in range(count):
        head = bytearray(data[at:at + 46])
        name, extra, comment = struct.unpack_from("<HHH", head, 28)
        tail = data[at + 46:at + 46 + name + extra]
        head[8] |= flags
        struct.pack_into("<H", head, 10, head[10] if method is None else method)
        if zip64:
            compressed, size = struct.unpack_from("<II", head, 20)
            struct.pack_into("<IIHH", head, 20, 0xFFFFFFFF, 0xFFFFFFFF, name, extra + 20)
            tail += struct.pack("<HHQQ", 1, 16, size, compressed)
        directory += bytes(head) + tail + data[at + 46 + name + extra:][:comment]
        at += 46 + name + extra + comment
    return data[:offset] + directory + data[end:end + 12] + struct.pack("<I", len(directory)) + \
        data[end + 16:]


def build(work):
    """Jars and class folders every row draws from, and the runtimes' MODULES lines."""
    for name, text in {"demo/Main.java": MAIN, **SOURCES}.items():
        (work / "src" / name).parent.mkdir(parents=True, exist_ok=True)
        (work / "src" / name).write_text(text + "\n")
    src = [work / "src" / name for name in
           ("demo/Generic.java", "demo/Literal.java", "demo/Constants.java", "Main.java")]
    for release in ("8", "17"):
        run("javac", "--release", release, "-d", work / f"classes{release}",
            work / "src/demo/Main.java")
    run("javac", "-d", work / "more", *src)
    run("javac", "--release", "8", "-d", work / "plain8", work / "src/plain/demo/Main.java")
    run("javac", "--enable-preview", "--release", "17", "-d", work / "preview",
        work / "src/demo/Preview.java")
    run("javac", "-cp", JAVAFX, "-d", work / "fx", *(work / "src/fx").glob("*.java"))
    run("javac", "--patch-module", f"java.transaction.xa={work / 'src'}", "-d", work / "xa",
        work / "src/javax/transaction/xa/Xid.java")

    def jar(name, *places, class_path=None):
        argv = ["jar", "--create", "--file", work / name]
        if class_path:
            (work / "manifest").write_text(f"Class-Path: {class_path}\n")
            argv += ["--manifest", work / "manifest"]
        for folder, what in places or [("src", "demo/Main.java")]:
            argv += ["-C", work / folder, what]
        run(*argv)

    jar(FIRST, class_path=LAST)
    jar(LAST, ("classes8", "."), class_path=FIRST)
    jar("gone.jar", class_path="lib/gone.jar")
    jar("source.jar")
    jar("main17.jar", ("classes17", "."))
    (work / "garbled/demo").mkdir(parents=True)
    (work / "garbled/demo/Main.class").write_text("not a class")
    jar("garbled.jar", ("garbled", "."))
    jar("generic.jar", ("more", "demo/Generic.class"))
    jar("literal.jar", ("more", "demo/Literal.class"))
    jar("constants.jar", ("more", "demo/Constants.class"))
    jar("mixed.jar", ("classes8", "."), ("more", "demo/Literal.class"))
    jar("preview.jar", ("preview", "."))
    jar("xa.jar", ("xa", "."), ("classes17", "."))
    jar("fx.jar", ("fx", "demo/FxMain.class"), ("fx", "demo/FxStart.class"))
    jar("viewer.jar", ("fx", "demo/Viewer.class"))
    jar("fx-base.jar", ("fx", "demo/FxBase.class"))
    run("jar", "--create", "--file", work / "mr.jar", "-C", work / "plain8", ".", "--release",
        "17", "-C", work / "classes17", ".")
    main17 = (work / "main17.jar").read_bytes()
    (work / "stub.jar").write_bytes(b"MZ" + bytes(510) + main17)
    (work / "encrypted.jar").write_bytes(rezip(main17, flags=1))
    (work / "deflate64.jar").write_bytes(rezip(main17, method=9))
    (work / "zip64.jar").write_bytes(rezip(main17, zip64=True))
    with zipfile.ZipFile(work / "twice.jar", "w") as z, warnings.catch_warnings():
        warnings.simplefilter("ignore")  # the duplicate name
        z.writestr("demo/Main.class", "not a class")
        z.write(work / "classes17/demo/Main.class", "demo/Main.class")
    for name, entry, text in (
            ("lower.jar", "meta-inf/manifest.mf", "Class-Path: source.jar\tmain17.jar\f\r\n"),
            ("unended.jar", "META-INF/MANIFEST.MF", "Manifest-Version: 1.0\nClass-Path: main17.jar")):
        with zipfile.ZipFile(work / name, "w") as z:
            z.writestr(entry, text)
    assert "java.sql" in run("jdeps", "--print-module-deps", work / "generic.jar")
    assert run("jdeps", "-s", work / "constants.jar").split()[2::3] == \
        ["java.base", "java.sql", "java.xml"]
    manifest = zipfile.ZipFile(work / FIRST).read("META-INF/MANIFEST.MF").decode()
    assert "\n " in manifest, "the Class-Path was not folded"
    needed = run("jdeps", "--print-module-deps", work / FIRST, work / LAST).strip()
    run("jlink", "--add-modules", needed, "--output", work / "runtime")
    modules = next(line for line in (work / "runtime/release").read_text().splitlines()
                   if line.startswith("MODULES="))
    assert "java.sql" in needed.split(","), needed
    return {"all": modules, "no_sql": modules.replace(" java.sql", ""),
            "no_xa": modules.replace(" java.transaction.xa", ""),
            "no_sql_xml": modules.replace(" java.sql", "").replace(" java.xml", ""),
            "javafx": modules[:-1] + ' javafx.base javafx.graphics"'}


def runtime(version="17.0.2", modules="all", jvm="bin/server"):
    files = {"jre/bin/java.exe": ""}
    if jvm:
        files[f"jre/{jvm}/jvm.dll"] = ""
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
DOTS = "." * 24
JAR17 = "jre\\bin\\java.exe -cp lib\\{} demo.Main"
REFUSED = "warning: class-path file 'lib\\{}' is not a readable jar ({}); the JVM would skip it"
SQL = ("warning: bundled runtime 'jre' lacks module 'java.sql', which '{}' uses ({}); the JVM "
       "would fail with NoClassDefFoundError when code that uses it runs")
LATER = "; the JVM would fail with UnsupportedClassVersionError when it loads them"
PREVIEW = "jre\\bin\\java.exe {}-cp lib\\preview.jar demo.Preview"
FX = "jre\\bin\\java.exe -cp lib\\fx.jar demo.{}"
FX_MISSING = ("warning: main class 'demo.{}' extends javafx.application.Application{}, but bundled "
              "runtime 'jre' lacks module 'javafx.graphics'; java would stop with \"Error: JavaFX "
              "runtime components are missing, and are required to run this application\": link "
              "JavaFX's jmods into the runtime (--module-path of jlink or tavrin-pack), or start "
              "through a main class that does not extend Application")
PREVIEWED = ("warning: 'lib\\preview.jar' holds classes that use the preview features of Java 17 "
             "(class file version 61.65535, e.g. demo.Preview), but ")

# name, parameter file, files (text, or the name of a built jar), warnings, exit status
ROWS = [
    ("clean_with_jdeps_modules", BUNDLED, {**runtime(), **APP}, [], 0),
    ("module_missing", BUNDLED, {**runtime(modules="no_sql"), **APP},
     [SQL.format(LAST, "java.sql.Connection")], 1),
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
     {**runtime(modules=""), "classes/demo/main.class": "classes8/demo/Main.class"}, [], 0),
    ("main_class_wrong_name", "jre\\bin\\java.exe -cp classes demo.Main",
     {**runtime(modules=""), "classes/demo/Main.class": "more/Main.class"},
     ["warning: main class 'demo.Main' in 'classes\\demo\\Main.class' is named 'Main' in its "
      "class file" + TAIL + "NoClassDefFoundError (wrong name)"], 1),
    ("main_class_empty_part", f"jre\\bin\\java.exe -cp classes {DOTS}Main",
     {**runtime(modules=""), "classes/Main.class": "more/Main.class"},
     [f"warning: main class '{DOTS}Main' names no class, as a part between its dots is empty" +
      TAIL + "ClassNotFoundException"], 1),
    ("class_file_unreadable", "jre\\bin\\java.exe -cp lib\\garbled.jar demo.Main",
     {**runtime(), "lib/garbled.jar": "garbled.jar"},
     ["warning: 'lib\\garbled.jar' holds 'demo/Main.class', which cannot be read (no class file);"
      " its classes were not all checked",
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
    ("zip_after_a_stub", JAR17.format("stub.jar"), {**runtime(), "lib/stub.jar": "stub.jar"}, [], 0),
    ("zip64_entry_sizes", JAR17.format("zip64.jar"), {**runtime(), "lib/zip64.jar": "zip64.jar"},
     [], 0),
    ("last_entry_of_a_name", JAR17.format("twice.jar"), {**runtime(), "lib/twice.jar": "twice.jar"},
     [], 0),
    ("jars_the_jdk_refuses", "jre\\bin\\java.exe -cp lib\\encrypted.jar;lib\\deflate64.jar demo.Main",
     {**runtime(), "lib/encrypted.jar": "encrypted.jar", "lib/deflate64.jar": "deflate64.jar"},
     [REFUSED.format("encrypted.jar", "an encrypted entry"),
      REFUSED.format("deflate64.jar", "an entry neither stored nor deflated"), NOT_FOUND], 1),
    ("manifest_in_lower_case_split_by_tab", JAR17.format("lower.jar"),
     {**runtime(), "lib/lower.jar": "lower.jar", "lib/main17.jar": "main17.jar",
      "lib/source.jar": "source.jar"}, [], 0),
    ("manifest_last_line_unended", JAR17.format("unended.jar"),
     {**runtime(), "lib/unended.jar": "unended.jar", "lib/main17.jar": "main17.jar"},
     ["warning: 'lib\\unended.jar' has a manifest whose last line lacks a line end; the JVM "
      "ignores that line and the Class-Path it holds", NOT_FOUND], 1),
    ("package_on_the_class_path", JAR17.format("xa.jar"),
     {**runtime(modules="no_xa"), "lib/xa.jar": "xa.jar"}, [], 0),
    ("jdk8_layout", BUNDLED, {**runtime("1.8.0_392", modules="", jvm="jre/bin/server"), **APP},
     [], 0),
    ("type_parameter_bound", "jre\\bin\\java.exe -cp lib\\generic.jar demo.Generic",
     {**runtime(modules="no_sql"), "lib/generic.jar": "generic.jar"},
     [SQL.format("lib\\generic.jar", "java.sql.Timestamp")], 1),
    ("class_name_also_a_string", "jre\\bin\\java.exe -cp lib\\literal.jar demo.Literal",
     {**runtime(modules="no_sql"), "lib/literal.jar": "literal.jar"},
     [SQL.format("lib\\literal.jar", "java.sql.Connection")], 1),
    ("descriptors_also_strings", "jre\\bin\\java.exe -cp lib\\constants.jar demo.Constants",
     {**runtime(modules="no_sql_xml"), "lib/constants.jar": "constants.jar"},
     [SQL.format("lib\\constants.jar", "java.sql.Connection"), SQL.replace(
         "'java.sql'", "'java.xml'").format("lib\\constants.jar", "javax.xml.XMLConstants")], 1),
    ("other_class_too_new", JAR17.format("mixed.jar"),
     {**runtime("1.8.0_392", modules=""), "lib/mixed.jar": "mixed.jar"},
     ["warning: 'lib\\mixed.jar' holds classes for Java 17 (class file version 61, e.g. "
      "demo.Literal), but the bundled runtime 'jre' is 1.8.0_392" + LATER], 1),
    ("preview_without_option", PREVIEW.format(""), {**runtime(), "lib/preview.jar": "preview.jar"},
     [PREVIEWED + "the command lacks --enable-preview" + LATER], 1),
    ("preview_on_its_release", PREVIEW.format("--enable-preview "),
     {**runtime(), "lib/preview.jar": "preview.jar"}, [], 0),
    ("preview_on_another_release", PREVIEW.format("--enable-preview "),
     {**runtime("21.0.1"), "lib/preview.jar": "preview.jar"},
     [PREVIEWED + "the bundled runtime 'jre' is 21.0.1" + LATER], 1),
    ("javafx_missing", FX.format("FxMain"), {**runtime(), "lib/fx.jar": "fx.jar"},
     [FX_MISSING.format("FxMain", "")], 1),
    ("javafx_missing_superclass_in_another_jar",
     "jre\\bin\\java.exe -cp lib\\viewer.jar;lib\\fx-base.jar demo.Viewer",
     {**runtime(), "lib/viewer.jar": "viewer.jar", "lib/fx-base.jar": "fx-base.jar"},
     [FX_MISSING.format("Viewer", " through demo.FxBase")], 1),
    ("javafx_linked", FX.format("FxMain"), {**runtime(modules="javafx"), "lib/fx.jar": "fx.jar"},
     [], 0),
    ("javafx_started_through_another_class", FX.format("FxStart"),
     {**runtime(), "lib/fx.jar": "fx.jar"}, [], 0),
    ("javafx_runtime_lists_no_modules", FX.format("FxMain"),
     {**runtime(modules=""), "lib/fx.jar": "fx.jar"}, [], 0),
    ("multi_release_version_read", JAR17.format("mr.jar"),
     {**runtime(modules="no_sql"), "lib/mr.jar": "mr.jar"},
     [SQL.format("lib\\mr.jar", "java.sql.Connection")], 1),
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
