#!/usr/bin/env python3
"""tavrin-pack end to end, with the fake Windows jmods of pack_fixture.py standing in for a
vendor's Windows JDK.

Each row of ROWS runs dist/linux-x64/tavrin-pack on a javac-built app and checks its exit
status, what it printed and what it left in its destination: a refusal leaves the folder as
it was. Packed apps then start under Wine on run.py's bench, where the Java stand-in
reports the command it received; jdeps and pefile are the oracles for the runtime's modules
and the exe's version details; osslsigncode verifies what pack signed with sign_fixture.py's
throwaway keys, while a watch reads every process's command line and environment for the
secret.

Usage: python3 tests/e2e/pack.py [NAME_PART ...]
"""

import contextlib
import hashlib
import os
import pwd
import re
import shutil
import signal
import struct
import subprocess
import sys
import threading
import time
import uuid
import warnings
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WORK = ROOT / "build/e2e-pack"
os.environ["TAVRIN_E2E_WORK"] = str(WORK / "wine")
import run  # noqa: E402
import sign_fixture  # noqa: E402
from brand import ICON, pefile_view  # noqa: E402
from pack_fixture import JAVAFX, JDK_JMODS, JVM, STANDIN, fixture  # noqa: E402
from sign_fixture import PASSWORD, PIN  # noqa: E402

PACK = ROOT / "dist/linux-x64/tavrin-pack"
# Db uses java.sql and TLS; the main class only Db, so jdeps needs both jars.
SOURCES = {
    "Main": "public class Main { public static void main(String[] a) { Db.open(); } }",
    "Db": "public class Db { static void open() { try { java.sql.DriverManager.getDrivers();"
          " javax.net.ssl.SSLContext.getDefault(); java.nio.file.FileSystems.getDefault(); }"
          " catch (Exception e) { } } }"}
# A JavaFX app whose main class extends Application and uses javafx.scene.control.
FX_APP = ("public class FxApp extends javafx.application.Application { public void start("
          "javafx.stage.Stage s) { s.setScene(new javafx.scene.Scene(new "
          "javafx.scene.control.Label(\"hi\"))); } }")
APP = WORK / "app"
OPTIONS = ["-Dapp.data=%DEMO_DATA|@data%\\x y", '-Dq="quoted"']
ARGUMENTS = ["two words", "back\\slash\\", "", "#hash", "100%", "tab\there"]


# Files of --input that Windows cannot hold as they are, and what pack says in refusing them.
NAMES = {"one_name_ignoring_case": (["main.JAR"], "'main.JAR' and 'main.jar' are one name"),
         "folders_ignoring_case": (["res/a", "Res/b"], "'Res' and 'res' are one name"),
         "reserved_character": (["a:b.txt"], "'a:b.txt' holds ':', which Windows does not"),
         "device_name": (["lpt1.jar.bak"], "'lpt1.jar.bak' is the device LPT1 to Windows"),
         "trailing_dot": (["trail."], "'trail.' ends in a dot, which Windows drops")}
BAD_LINKS = {"dangling_link": "missing.txt", "link_loop": "."}
BIG = 4 * 1024 ** 3 + 100


def bad_entry(name, unix_mode=None):
    info = zipfile.ZipInfo(name)
    if unix_mode:
        info.create_system, info.external_attr = 3, unix_mode << 16
    return info


# Runtime zips that Windows would get wrong, each with one more entry.
BAD_ZIPS = {"twice": bad_entry("jdk-17.0.15+6-jre/bin/java.exe"),
            "symlink": bad_entry("jdk-17.0.15+6-jre/bin/javaw.lnk", 0o120777),
            "backslash": bad_entry("jdk-17.0.15+6-jre/bin\\java.dll")}


def sh(*argv, **kw):
    return subprocess.run([str(a) for a in argv], check=True, capture_output=True, text=True, **kw)


def build_app():
    """in/: main.jar, lib/'db tools.jar' and a DLL to sign; warn/: a main jar whose Class-Path names a jar
    that is missing; nojvm/: a runtime folder without jvm.dll; names/ROW/: main.jar and the
    files of NAMES[ROW]; links/: links to a file and a folder outside, and to a folder within;
    bad-link/ROW: main.jar and a link of BAD_LINKS[ROW]; zip-limits/: a file of 4 GiB and
    more (sparse), 65,536 entries and a name that is not ASCII; deep/: a path of 240
    characters; cyrillic/ and latin/: main.jar and a jar named in that script; runtime zips
    for the zips of BAD_ZIPS; fx/: fx.jar, of FX_APP built against Debian's JavaFX jars; the
    files of DESK_FILES."""
    shutil.rmtree(APP, ignore_errors=True)
    for name, body in SOURCES.items():
        (APP / "src/demo").mkdir(parents=True, exist_ok=True)
        (APP / f"src/demo/{name}.java").write_text("package demo;\n" + body)
    sh("javac", "--release", "11", "-d", APP / "classes", *(APP / "src/demo").glob("*.java"))
    (APP / "fx-src/demo").mkdir(parents=True)
    (APP / "fx-src/demo/FxApp.java").write_text("package demo;\n" + FX_APP)
    sh("javac", "--release", "11", "-d", APP / "fx-classes", "-cp", ":".join(
        str(JAVAFX / f"javafx-{m}-11.jar") for m in ("base", "graphics", "controls")),
       APP / "fx-src/demo/FxApp.java")
    (APP / "fx").mkdir()
    sh("jar", "-c", "-f", APP / "fx/fx.jar", "-e", "demo.FxApp", "-C", APP / "fx-classes", "demo")
    (APP / "in").mkdir()
    (APP / "warn").mkdir()
    sh("jar", "-c", "-f", APP / "in/main.jar", "-e", "demo.Main", "-C", APP / "classes",
       "demo/Main.class")
    (APP / "in/lib").mkdir()
    sh("jar", "-c", "-f", APP / "in/lib/db tools.jar", "-C", APP / "classes", "demo/Db.class")
    shutil.copyfile(JVM, APP / "in/native.dll")
    (APP / "manifest.txt").write_text("Main-Class: demo.Main\nClass-Path: missing.jar\n")
    sh("jar", "-c", "-f", APP / "warn/main.jar", "-m", APP / "manifest.txt", "-C",
       APP / "classes", "demo")
    for program in ("java.exe", "javaw.exe"):
        (APP / "nojvm/bin").mkdir(parents=True, exist_ok=True)
        shutil.copyfile(STANDIN, APP / "nojvm/bin" / program)
    for name, text in DESK_FILES.items():
        (APP / name).write_text(text)
    for folder, files in [(f"names/{n}", f) for n, (f, _) in NAMES.items()] + [
            ("zip-limits", ["\u00e9t\u00e9.txt"] + [f"many/{i}" for i in range(65536)]),
            ("links", ["sub/y.txt"]), ("outside", ["file.txt", "sub/x.txt"]),
            ("deep", ["/".join(c * 60 for c in "abcd") + "/file.txt"]),
            ("cyrillic", []), ("latin", [])]:
        for name in files:
            (APP / folder / name).parent.mkdir(parents=True, exist_ok=True)
            (APP / folder / name).write_text(name)
        (APP / folder).mkdir(parents=True, exist_ok=True)
        shutil.copyfile(APP / "in/main.jar", APP / folder / "main.jar")
    for script, jar in NON_ASCII.items():
        (APP / script / jar).parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(APP / "in/lib/db tools.jar", APP / script / jar)
    with open(APP / "zip-limits/big.bin", "wb") as big:
        big.truncate(BIG)
    (APP / "links/file.txt").symlink_to(APP / "outside/file.txt")
    (APP / "links/folder").symlink_to("../outside/sub")
    (APP / "links/again").symlink_to("sub")
    os.utime(APP / "outside/file.txt", (1600000000, 1600000000))
    for name, target in BAD_LINKS.items():
        (APP / "bad-link" / name).mkdir(parents=True)
        shutil.copyfile(APP / "in/main.jar", APP / "bad-link" / name / "main.jar")
        (APP / "bad-link" / name / "link").symlink_to(target)
    with zipfile.ZipFile(fixture() / "jre-17.0.15_windows-x64.zip") as jre:
        entries = [(i, jre.read(i)) for i in jre.infolist()]
    warnings.filterwarnings("ignore", "Duplicate name")  # the twice zip's, meant
    for name, extra in BAD_ZIPS.items():
        with zipfile.ZipFile(APP / f"{name}.zip", "w") as z:
            for info, data in entries + [(extra, b"bin/java.exe")]:
                z.writestr(info, data)


def row(name, args, exit, says=(), check=None, wine=(), present=(), env=None, stop=None,
        secret=None):
    """args: pack's arguments ({F} the fixture, {app} the app folder, sign_fixture's
    placeholders); says: texts its output must hold; check(dest, out) gives problems;
    wine: run.py rows run then in order (an image key names the packed folder in dest, a then
    key a function of the bench giving problems afterwards), one row or a list;
    present: names laid out in the destination before, which a refusal must leave alone;
    stop: a signal sent to pack once jlink runs, which must stop it too;
    secret: a text that no command line and not the output may hold while pack runs."""
    return dict(name=name, args=args, exit=exit, says=says, check=check, stop=stop,
                wine=[wine] if isinstance(wine, dict) else wine, present=present, env=env or {},
                secret=secret)


DEMO = ["--name", "Demo", "--input", "{app}/in", "--main-jar", "main.jar"]


def demo_in(app):
    """Demo from an app of sign_fixture's."""
    return DEMO[:3] + [f"{{S}}/apps/{app}"] + DEMO[4:]
JMODS = ["--module-path", "{F}/jmods"]
CLASS_PATH = "{dir}\\app\\main.jar;{dir}\\app\\lib\\db tools.jar"
FX = ["--name", "Fx", "--input", "{app}/fx", "--main-jar", "fx.jar", *JMODS]


def modules_cover_jdeps(dest, out):
    """The runtime's MODULES hold every module jdeps names for the jars."""
    needed = sh("jdeps", "--print-module-deps", *(APP / "in").rglob("*.jar")).stdout.split(",")
    release = (dest / "Demo/runtime/release").read_text()
    modules = release.split('MODULES="')[1].split('"')[0].split()
    top = sorted(p.name for p in (dest / "Demo").iterdir())
    return ([f"jdeps needs {m.strip()}, MODULES has {modules}" for m in needed
             if m.strip() not in modules] +
            ([f"the image holds {top}"] if top != ["Demo.exe", "Demo.tavrin", "app", "runtime"]
             else []))


def branded(exe, expected):
    """The exe's version texts, as pefile reads them."""
    def check(dest, out):
        strings = pefile_view(dest / exe)["strings"]
        return [f"{k}: {strings.get(k)!r}, expected {v!r}" for k, v in expected.items()
                if strings.get(k) != v]
    return check


def built_twice(args, name, dest, out):
    """A second run into another folder gives the same bytes, whose SHA-256 the first printed."""
    again = dest.parent / (dest.name + "-again")
    shutil.rmtree(again, ignore_errors=True)
    second = subprocess.run([str(PACK), *fill(args, again)], capture_output=True, text=True,
                            env=dict(os.environ, SOURCE_DATE_EPOCH="1700000000"))
    data = (dest / name).read_bytes()
    problems = [] if second.returncode == 0 else [f"second run: {second.stdout}{second.stderr}"]
    if not problems and data != (again / name).read_bytes():
        problems.append("two runs gave other bytes")
    if f"{hashlib.sha256(data).hexdigest()}  {dest / name}" not in out:
        problems.append("no SHA-256 line")
    return problems


def zip_twice(dest, out):
    """Built twice, the same bytes; its entries are in order, under Zipped/, stamped with
    SOURCE_DATE_EPOCH."""
    name = "Zipped-1.0-windows-x64.zip"
    problems = built_twice(ZIPPED, name, dest, out)
    with zipfile.ZipFile(dest / name) as z:
        names = z.namelist()
        if names != sorted(names) or not all(n.startswith("Zipped/") for n in names):
            problems.append(f"entries {names[:5]}...")
        if {i.date_time for i in z.infolist()} != {(2023, 11, 14, 22, 13, 20)}:
            problems.append("time stamps other than SOURCE_DATE_EPOCH's")
    return problems


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


def zip_limits(dest, out):
    """A file past 4 GiB whole, 65,536 entries and more, a name that is not ASCII flagged as
    UTF-8, as Python's zipfile reads them."""
    with zipfile.ZipFile(dest / "Demo-1.0-windows-x64.zip") as z:
        entries = {i.filename: i for i in z.infolist()}
    big, ete = entries.get("Demo/app/big.bin"), entries.get("Demo/app/\u00e9t\u00e9.txt")
    return ([] if big and big.file_size == BIG else [f"big.bin: {big}"]) + (
        [] if ete and ete.flag_bits & 0x800 else [f"no UTF-8 name: {sorted(entries)[:3]}"]) + (
        [] if len(entries) > 65536 else [f"{len(entries)} entries"])


def links_copied(dest, out):
    """Each link is its target's content, a link to a folder a folder; the file outside keeps
    its time."""
    app = dest / "Demo/app"
    got = {p.relative_to(app).as_posix(): p.read_text() for p in app.rglob("*.txt")}
    expected = {"file.txt": "file.txt", "folder/x.txt": "sub/x.txt", "again/y.txt": "sub/y.txt",
                "sub/y.txt": "sub/y.txt"}
    links = [p for p in (dest / "Demo").rglob("*") if p.is_symlink()]
    return ([] if got == expected else [f"app holds {got}"]) + (
        [f"links {links}"] if links else [])


def outside_untouched(dest, out):
    mtime = (APP / "outside/file.txt").stat().st_mtime
    return [] if mtime == 1600000000 else [f"the link's target was changed: {mtime}"]


ZIPPED = ["--name", "Zipped", "--input", "{app}/in", "--main-jar", "main.jar", *JMODS,
          "--type", "zip", "--dest", "{dest}"]

# Signing with sign_fixture's keys: a PKCS#12 file, the token, the user's own command.
SIGN = {}  # sign_fixture's placeholders, once it is built
SIGN_P12 = ["--win-sign-pkcs12", "{S}/signer.p12", "--win-sign-password-env", "SIGN_PASSWORD"]
TOKEN = ["--win-sign-pkcs11-module", sign_fixture.SOFTHSM, "--win-sign-key",
         sign_fixture.TOKEN_KEY, "--win-sign-password-env", "SIGN_PIN", "--win-sign-cert"]
SIGN_COMMAND = ["--win-sign-command", "osslsigncode sign -certs {S}/signer-chain.pem -key "
                "{S}/signer.key -h sha256 -n Demo -in {} -out {}.signed && mv {}.signed {}"]
EPOCH = {"SOURCE_DATE_EPOCH": "1700000000"}
ZIP_NAME = "Zipped-1.0-windows-x64.zip"
SIGNED_ZIP = ZIPPED + SIGN_P12 + ["--about-url", "https://example.com/help", "--verbose"]


def verify(path, name=None, url=None, stamped=False):
    """osslsigncode verify against the test root, with the description and URL: problems."""
    ca = SIGN["{S}"] + "/ca.pem"
    out = subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-TSA-CAfile", ca, "-in",
                          str(path)], capture_output=True, text=True).stdout
    wanted = (["Signature verification: ok"] + [f"Text description: {name}"] * bool(name) +
              [f"URL description: {url}"] * bool(url) +
              ["Timestamp Server Signature verification: ok"] * stamped)
    return [f"{path.name}: osslsigncode verify lacks {w!r}" for w in wanted if w not in out]


def verified(output, name, url=None, stamped=False, vendor=False):
    """A check: output in dest (an image folder, or a zip or MSI, verified and unpacked) and
    each .exe and .dll in it verify, described by name, except the runtime's jvm.dll with
    vendor, which must be the vendor's as it was; NAME.exe was signed first, an installer
    last, and the check noted nothing unsigned."""
    def check(dest, out):
        image, problems = dest / output, []
        shutil.rmtree(WORK / "unpacked", ignore_errors=True)
        if output.endswith(".msi"):
            problems += verify(image, name, url, stamped)
            sh("msiextract", "-C", WORK / "unpacked", image)
        elif output.endswith(".zip"):
            zipfile.ZipFile(image).extractall(WORK / "unpacked/Programs")
        image = WORK / "unpacked/Programs" / name if image.is_file() else image
        jvm, given = image / "runtime/bin/server/jvm.dll", Path(SIGN["{runtime}"])
        programs = [p for p in image.rglob("*") if p.is_file() and p.read_bytes()[:2] == b"MZ"]
        for p in programs:
            problems += verify(p) if vendor and p == jvm else verify(p, name, url, stamped)
        if vendor and jvm.read_bytes() != (given / "bin/server/jvm.dll").read_bytes():
            problems.append("the vendor's jvm.dll changed")
        order = [line for line in out.splitlines() if line.startswith("sign: ")] or [""]
        last = "sign: " + output if output.endswith(".msi") else "sign: "
        if image / f"{name}.exe" not in programs or not order[0].startswith(
                f"sign: {name}.exe") or not order[-1].startswith(last):
            problems.append(f"signed in this order: {order}")
        return problems + (["the check noted unsigned files"] if "note: unsigned" in out else [])
    return check


# The installer: Demo by a vendor whose name is not ASCII, with a Start-menu folder and a
# desktop shortcut, installed per user into the Wine prefix, started, rebuilt, upgraded,
# refused a downgrade, shared with a product of another vendor and uninstalled.
# tavrin-pack's namespace of upgrade codes makes the oracle's.
VENDOR, URL = "Acme \u00c6sir", "https://example.com/help"
MSI = DEMO + JMODS + ["--type", "msi", "--vendor", VENDOR, "--win-menu-group", "Acme Apps",
                      "--win-shortcut", "--about-url", URL, "--dest", "{dest}"]
MSI_100 = MSI + ["--app-version", "1.0.0"] + SIGN_P12
UPGRADE_CODE = uuid.uuid5(uuid.UUID("6C1D52A4-7E0B-4A4C-9F3B-2B8E51D0C7A9"), VENDOR + "\\Demo")
HOME = "C:\\users\\" + pwd.getpwuid(os.getuid()).pw_name  # as Wine names the profile
MENU = HOME + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
# Texts of other code pages, installed and started where Wine's ANSI code page is 1251.
CYRILLIC = ["--name", "\u0414\u0435\u043c\u043e", "--vendor",
            "\u041a\u043e\u043c\u043f\u0430\u043d\u0438\u044f", "--win-menu-group",
            "\u0418\u043d\u0441\u0442\u0440\u0443\u043c\u0435\u043d\u0442\u044b"]
LATIN = ["--name", "D\u00e9mo", "--vendor", VENDOR, "--win-menu-group", "Outils \u00e9t\u00e9"]
NON_ASCII = {"cyrillic": "\u043f\u043e\u0434\u043f\u0430\u043f\u043a\u0430/"
                         "\u0444\u0430\u0439\u043b.jar", "latin": "sub/caf\u00e9.jar"}


class App:
    """An installed app: its name and vendor, its folder and shortcuts, and its keys."""

    def __init__(self, args, desktop=True):
        given = dict(zip(args[::2], args[1::2]))
        self.name, self.vendor = given.get("--name", "Demo"), given.get("--vendor", VENDOR)
        self.folder = HOME + "\\AppData\\Local\\Programs\\" + self.name
        self.links = [MENU + "\\" + given.get("--win-menu-group", "Acme Apps") + "\\" +
                      self.name + ".lnk"] + ([HOME + "\\Desktop\\" + self.name + ".lnk"] if
                                             desktop else [])
        self.key = "HKCU\\Software\\" + self.vendor + "\\" + self.name
        self.keys = [self.key, "HKCU\\Software\\" + self.name]


DEMO_APP = App(MSI)


def msi_file(row, version, name="Demo"):
    return WORK / "rows" / row / f"{name}-{version}-windows-x64.msi"


def table(msi, name):
    rows = sh("msiinfo", "export", msi, name).stdout.splitlines()[3:]  # after the header
    return [r.split("\t") for r in rows]


def column(msi, name, key, value):
    return {r[key]: r[value] for r in table(msi, name)}


def msi_tables(dest, out):
    """msiinfo reads the expected properties and shortcuts, the code page and the summary in
    it, the upgrade row that takes in its own version, the Programs folder removed when empty,
    short names; it and its programs are signed; a second run gives the same bytes."""
    msi = msi_file("msi_1.0.0", "1.0.0")
    properties = dict(table(msi, "Property"))
    expected = {"ProductName": "Demo", "ProductVersion": "1.0.0", "Manufacturer": VENDOR,
                "UpgradeCode": "{%s}" % str(UPGRADE_CODE).upper(), "ARPHELPLINK": URL,
                "ARPPRODUCTICON": "icon.exe", "ALLUSERS": None}
    problems = [f"{k}: {properties.get(k)!r}, expected {v!r}" for k, v in expected.items()
                if properties.get(k) != v]
    shortcuts = [(r[1], r[2], r[4], r[11]) for r in table(msi, "Shortcut")]
    if sorted(shortcuts) != [(d, "Demo", "[INSTALLDIR]Demo.exe", "INSTALLDIR")
                             for d in ("DesktopFolder", "menu_group")]:
        problems.append(f"shortcuts {shortcuts}")
    summary = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True).stdout
    found = {"code page": sh("msiinfo", "export", msi, "_ForceCodepage").stdout.split()[:1],
             "summary": b"Author: Acme \xc6sir\n" in summary,
             "upgrade": sorted(r[4] for r in table(msi, "Upgrade")),
             "Programs removed": "programs" in column(msi, "RemoveFile", 3, 3),
             "short names": "DBTOOL~1.JAR|db tools.jar" in column(msi, "File", 2, 2),
             "app ids": column(msi, "MsiShortcutProperty", 1, 3)}
    if found != {"code page": ["1252"], "summary": True,
                 "upgrade": ["2", "513"], "Programs removed": True, "short names": True,
                 "app ids": {"menu1": "Acme\u00c6sir.Demo", "desktop1": "Acme\u00c6sir.Demo"}}:
        problems.append(f"tables: {found}")
    signed = subprocess.run(["osslsigncode", "verify", "-in", str(msi)], capture_output=True,
                            text=True).stdout
    problems += [] if "Current MsiDigitalSignatureEx" in signed else ["no MsiDigitalSignatureEx"]
    return problems + verified(msi.name, "Demo")(dest, out) + built_twice(
        MSI_100, msi.name, dest, out)


def codes(row, version):
    """The product code and the component GUIDs of a package."""
    msi = msi_file(row, version)
    return dict(table(msi, "Property"))["ProductCode"], sorted(r[1] for r in table(msi, "Component"))


def same_components(first, other, shared_only=False):
    """Another package installs the same things to the same place as the first, whatever its
    version or vendor, with the same component GUIDs (shared_only: those it has but the
    product's own and its claims), as a product of its own."""
    def check(dest, out):
        (code, guids), (other_code, other_guids) = codes(*first), codes(*other)
        shared = set(other_guids) - {r[1] for r in table(msi_file(*other), "Component") if r[
            0] == "product" or r[0].startswith("claim")} if shared_only else other_guids
        same = set(shared) <= set(guids) if shared_only else guids == other_guids
        return [] if same and code != other_code else [f"{other[0]}: codes as {first[0]}'s"]
    return check


def code_page(page):
    """The package declares the code page of its texts."""
    def check(dest, out):
        declared = sh("msiinfo", "export", next(dest.glob("*.msi")), "_ForceCodepage").stdout
        return [] if declared.split()[:1] == [page] else [f"code page {declared!r}, not {page}"]
    return check


def other_codes(dest, out):
    """x86's package of a version has product and component codes of its own."""
    x86 = dest / "Demo-1.0.1-windows-x86.msi"
    got = dict(table(x86, "Property"))["ProductCode"], sorted(r[1] for r in table(x86, "Component"))
    x64 = codes("msi_1.0.1", "1.0.1")
    return [] if got[0] != x64[0] and not set(got[1]) & set(x64[1]) else ["x86 shares codes"]


def per_machine(dest, out):
    """For all users: ALLUSERS, Program Files\\Acme\\Demo Tools, files as their own key paths,
    the shortcut's in HKMU (-1), the version in HKLM (2)."""
    msi = dest / "Demo-1.0-windows-x64.msi"
    folders = column(msi, "Directory", 0, 2)
    got = (dict(table(msi, "Property")).get("ALLUSERS"), folders["install0"],
           folders["INSTALLDIR"], {r[1] for r in table(msi, "Registry")})
    return [] if got == ("1", "Acme", "DEMOTO~1|Demo Tools", {"2", "-1"}) else [
        f"per machine: {got}"]


def registry(bench, key):
    """The key and its subkeys as `reg export` writes them; None when the key is absent."""
    exported = run.unix("C:\\r\\export.reg")
    found = bench.call([bench.wine, "reg", "export", key, "C:\\r\\export.reg", "/y"], "reg", 60)
    return exported.read_text(encoding="utf-16") if found == 0 else None


def products(bench):
    """The names and versions of the products installed, for the user or the machine."""
    names = "".join(registry(bench, k) or "" for k in (
        "HKCU\\Software\\Microsoft\\Installer\\Products",
        "HKLM\\Software\\Classes\\Installer\\Products"))
    data = registry(bench, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\"
                           "UserData") or ""
    return (sorted(re.findall(r'"ProductName"="(.*)"', names)),
            sorted(re.findall(r'"DisplayVersion"="(.*)"', data)))


def installed(msis, version, app=DEMO_APP, products_left=None):
    """Installed: the files msiextract finds in the package (or, for a folder two packages
    share, each as one of them put it), the shortcuts, the key; the products, by default one,
    this version."""
    def then(bench):
        got = files(run.unix(app.folder))
        packed = []
        for at, msi in enumerate(msis if isinstance(msis, list) else [msis]):
            shutil.rmtree(WORK / f"extracted{at}", ignore_errors=True)
            sh("msiextract", "-C", WORK / f"extracted{at}", msi)
            packed.append(files(next(p for p in (WORK / f"extracted{at}").rglob(app.name)
                                     if (p / f"{app.name}.exe").exists())))
        problems = [] if all(p.keys() == got.keys() for p in packed) and all(
            any(p[k] == v for p in packed) for k, v in got.items()) else [
            f"installed {sorted(got)[:4]}..., packed {sorted(packed[0])[:4]}..."]
        problems += [f"no {link}" for link in app.links if not run.unix(link).exists()]
        if f'"Version"="{version}"' not in (registry(bench, app.key) or ""):
            problems.append(f"{app.key} holds {registry(bench, app.key)}")
        expected = products_left or ([app.name], [version])
        return problems + ([] if products(bench) == expected else [f"products {products(bench)}"])
    return then


def files(top):
    return {p.relative_to(top).as_posix(): p.read_bytes() for p in top.rglob("*") if p.is_file()}


def nothing_left(*apps):
    def then(bench):
        left = [p for a in apps for p in [a.folder] + a.links if run.unix(p).exists()]
        left += [k for a in apps for k in a.keys if registry(bench, k) is not None]
        return [f"left behind: {left}"] if left else (
            [] if products(bench) == ([], []) else [f"products {products(bench)}"])
    return then


def msiexec(name, args, exit, then, **row):
    """msiexec under Wine, started by the driver as a launcher is (its boxes answered and
    recorded); then(bench) looks at the prefix afterwards."""
    return dict(run.case(name, dir="C:\\windows\\system32", exe="msiexec.exe",
                         cmd="msiexec " + args, exit=exit, **row), then=then)


def windows(path):
    return "Z:" + str(path).replace("/", "\\")


def install(name, msi, then, exit=0, how="/i", **row):
    return msiexec(name, f'{how} "{windows(msi)}" /qn', exit, then, **row)


def start_installed(name, app, class_path, args=()):
    return run.case(name, dir=app.folder, exe=app.name + ".exe", args=" x", exit=0, child=dict(
        argv=["{dir}\\runtime\\bin\\javaw.exe", "-cp", class_path, "demo.Main", *args, "x"],
        cwd="{dir}"))


V100, V101 = msi_file("msi_1.0.0", "1.0.0"), msi_file("msi_1.0.1", "1.0.1")
REBUILT, ACME_INC = msi_file("msi_1.0.0_rebuilt", "1.0.0"), msi_file("msi_acme_inc", "1.0.1")
ACME_INC_APP = App(["--vendor", "Acme Inc"], desktop=False)
MSI_STEPS = [
    install("msi_install", V100, installed(V100, "1.0.0")),
    start_installed("msi_start_installed", DEMO_APP, CLASS_PATH),
    # A rebuild of the same version, with other content, replaces it.
    install("msi_rebuilt_replaces", REBUILT, installed(REBUILT, "1.0.0")),
    install("msi_upgrade", V101, installed(V101, "1.0.1")),
    msiexec("msi_downgrade_refused", f'/i "{windows(V100)}" /qb', 1603,
            installed(V101, "1.0.1"), boxes=[("Install Failed", "Demo 1.0.1 is installed, "
                                              "which is newer than this installer's version "
                                              "1.0.0; uninstall it first to go back to 1.0.0.")]),
    # Another vendor's Demo shares the folder; uninstalling either keeps the other whole.
    install("msi_other_vendor", ACME_INC, installed(
        [V101, ACME_INC], "1.0.1", products_left=(["Demo", "Demo"], ["1.0.1", "1.0.1"]))),
    install("msi_uninstall_one", V101, installed([V101, ACME_INC], "1.0.1", ACME_INC_APP),
            how="/x"),
    install("msi_uninstall", ACME_INC, nothing_left(DEMO_APP, ACME_INC_APP), how="/x"),
]
# Where Wine's ANSI code page is 1251: Cyrillic in 1251, Latin-1 in 1252, installed,
# started (the parameter file's class path must name the installed jars) and uninstalled.
RU_STEPS = [dict(step, locale="ru_RU.UTF-8") for script, app in (
    ("cyrillic", App(CYRILLIC, desktop=False)), ("latin", App(LATIN, desktop=False)))
    for msi in [msi_file(f"msi_{script}", "1.0", app.name)] for step in [
        install(f"msi_{script}_install", msi, installed(msi, "1.0.0", app)),
        start_installed(f"msi_{script}_start", app, "{dir}\\app\\main.jar;{dir}\\app\\" +
                        NON_ASCII[script].replace("/", "\\")),
        install(f"msi_{script}_uninstall", msi, nothing_left(app), how="/x")]]
# A desktop app: a console launcher beside the windowed one, with its own Start-menu
# shortcut and version; a file type it opens, and one another program has, which it must not
# take; options from a file. Installed per user (the association read back from the
# registry) and per machine (a document opened through it).
DESK_FILES = {
    "cli.properties": 'main-class=demo.Main\narguments=--batch "two words"\nwin-console=true\n'
                      "win-menu=true\ndescription=Desk on the command line\napp-version=2.5\n",
    "old.properties": "extension=tvold\n",
    "badicon.properties": f"extension=tvbad\nicon={APP}/bad.ico\n", "bad.ico": "no icon",
    "doc.properties": "extension=tvdoc\nmime-type=application/x-tavrin-doc\n"
                      "description=Desk document\nicon=" + str(ROOT / "assets/icon/tavrin.ico") + "\n",
    "desk-options.txt": "--vendor Acme --win-menu\n--win-menu-group 'Acme Desk'  # a comment\n"}
DESK = ["--name", "Desk", "--input", "{app}/in", "--main-jar", "main.jar", *JMODS,
        "--add-launcher", "Cli={app}/cli.properties"]
DESK_MSI = DESK + ["--file-associations", "{app}/doc.properties", "--file-associations",
                   "{app}/old.properties", "--type", "msi", "@{app}/desk-options.txt"]
DESK_IMAGE = WORK / "rows/desktop_image/Desk"
CLASSES = "Software\\Classes\\"


def desk(per_machine):
    """The installed desktop app: where it is, its shortcuts, its keys and its classes."""
    app = App(["--name", "Desk", "--vendor", "Acme", "--win-menu-group", "Acme Desk"],
              desktop=False)
    app.links.append(app.links[0].replace("Desk.lnk", "Cli.lnk"))
    root = "HKLM\\" if per_machine else "HKCU\\"
    if per_machine:
        app.folder = "C:\\Program Files\\Desk"
    app.key = root + "Software\\Acme\\Desk"
    app.keys = [app.key, root + "Software\\Desk"] + [
        root + CLASSES + k for k in (".tvdoc", "Desk.tvdoc", "MIME\\Database\\Content Type\\"
                                     "application/x-tavrin-doc", "Applications\\Desk.exe",
                                     "Desk.tvold")] + [
        root + "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Desk.exe",
        "HKLM\\" + CLASSES + ".tvdoc", "HKLM\\" + CLASSES + "Desk.tvdoc"]
    return app


# The extension that another program has, as its installer registered it.
OTHER = "HKLM\\" + CLASSES + ".tvold"


def other_kept(bench, uninstalled):
    """The other program keeps its extension's default, and after an uninstall all of it."""
    got = registry(bench, OTHER) or ""
    kept = '@="OtherApp.tvold"' in got and not (uninstalled and "Desk" in got)
    return [] if kept else [f"{OTHER}: {got}"]


def associated(app):
    """The file type, registered: the extension to the ProgID, its content type, the open
    verb with the document last, the icon installed with the app."""
    def then(bench):
        got = "".join(registry(bench, k) or "" for k in app.keys[2:] + [
            app.key.split("\\")[0] + "\\" + CLASSES + ".tvold"])
        folder = app.folder.replace("\\", "\\\\")
        wanted = ['@="Desk.tvdoc"', '"Content Type"="application/x-tavrin-doc"',
                  '@="Desk document"', '"FriendlyTypeName"="Desk document"', '"Extension"=".tvdoc"',
                  '@="\\"' + folder + '\\\\Desk.exe\\" \\"%1\\""', '@="' + folder + '\\\\tvdoc.ico"',
                  '"Desk.tvdoc"=""', '"Desk.tvold"=""', '"FriendlyAppName"="Desk"', '".tvdoc"=""',
                  '".tvold"=""', '@="' + folder + '\\\\Desk.exe"', '"Path"="' + folder + '\\\\"']
        return [f"the association lacks {w}" for w in wanted if w not in got] + other_kept(
            bench, False)
    return then


def desk_steps(per_machine):
    app, msi = desk(per_machine), msi_file("desktop_msi" + "_machine" * per_machine, "1.0", "Desk")
    steps = [run.case(f"desk_other_program{'_machine' * per_machine}",
                      dir="C:\\windows\\system32", exe="reg.exe", exit=0,
                      cmd=f'reg add "{OTHER}" /ve /d OtherApp.tvold /f'),
             install(f"desk_install{'_machine' * per_machine}", msi, lambda bench: installed(
                 msi, "1.0.0", app)(bench) + associated(app)(bench))]
    if per_machine:
        steps.append(run.case(
            "desk_document_opened", dir="C:\\windows\\system32", exe="start.exe",
            cmd='start /wait "C:\\t\\doc one.tvdoc"', exit=0,
            files={"C:\\t\\doc one.tvdoc": b"a document"}, child=dict(argv=[
                app.folder + "\\runtime\\bin\\javaw.exe", "-cp",
                CLASS_PATH.replace("{dir}", app.folder), "demo.Main", "C:\\t\\doc one.tvdoc"],
                app_id="Acme.Desk")))
    else:
        steps.append(run.case(
            "desk_console_launcher", dir=app.folder, exe="Cli.exe", launcher="console", exit=0,
            child=dict(argv=["{dir}\\runtime\\bin\\java.exe", "-cp", CLASS_PATH, "demo.Main",
                             "--batch", "two words"], cwd="{dir}", app_id="Acme.Desk.Cli")))
    return steps + [install(f"desk_uninstall{'_machine' * per_machine}", msi,
                            lambda bench: nothing_left(app)(bench) + other_kept(bench, True),
                            how="/x")]


def user_adds_a_file(dest, out):
    """The image's user adds a file and an association's icon; Cli has a version of its own."""
    (dest / "Desk/README.txt").write_text("read me")
    (dest / "Desk/tvdoc.ico").write_bytes(ICON)
    return branded("Desk/Cli.exe", {"FileVersion": "2.5"})(dest, out)


def image_packed(name, holds):
    """The packed image holds the file its user added, both launchers, and their IDs."""
    def check(dest, out):
        packed = dest / name
        if packed.suffix == ".zip":
            files = zipfile.ZipFile(packed).namelist()
        else:
            files = [r[2].split("|")[-1] for r in table(packed, "File")]
            ids = column(packed, "MsiShortcutProperty", 1, 3)
            files += [] if ids == {"menu1": "Desk"} else [f"app ids {ids}"]
        return [f"{name} lacks {h}" for h in holds if h not in files]
    return check


ROWS = [
    # A javac-built app using java.sql and TLS, packed and started; the options and arguments
    # reach the program exactly, %NAME% expanded by the launcher; the check notes what is
    # unsigned.
    row("java_sql_app", DEMO + JMODS + sum((["--java-options", o] for o in OPTIONS), []) +
        sum((["--arguments", a] for a in ARGUMENTS), []), 0,
        says=["java.sql: used by demo.Db (app/lib/db tools.jar)\n",
              "jdk.crypto.ec: TLS (javax.net.ssl) needs its EC ciphers before Java 22\n",
              "jdk.crypto.mscapi: not in the module path, so left out",
              "jdk.zipfs: file systems (java.nio.file.FileSystems) open zips",
              "runtime: jlink 17.0.15, 7 modules of windows-amd64",
              "note: unsigned, so Smart App Control blocks it: runtime\\bin\\server\\jvm.dll"],
        # Without --app-version and --copyright: the app's 1.0, and no copyright.
        check=lambda dest, out: modules_cover_jdeps(dest, out) + branded("Demo/Demo.exe", {
            "FileVersion": "1.0", "ProductVersion": "1.0", "LegalCopyright": ""})(dest, out),
        wine=run.case("pack_java_sql_app", exe="Demo.exe", image="Demo", params=None,
                      args=" x", exit=0, child=dict(app_id="Demo", argv=[
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
                     "2.5.1"], 0, check=branded("Brand/Brand.exe", {
                         "ProductName": "Brand", "FileDescription": "Quarterly reports",
                         "CompanyName": "Acme \u00c6sir", "LegalCopyright": "\u00a9 2026 Acme",
                         "FileVersion": "2.5.1", "ProductVersion": "2.5.1",
                         "OriginalFilename": "Brand.exe", "InternalName": "Brand"})),
    row("zip_twice", ZIPPED, 0, env={"SOURCE_DATE_EPOCH": "1700000000"}, check=zip_twice),
    row("x86_from_x86_jmods", ["--name", "Hello", "--input", ROOT / "examples/hello/lib",
                               "--main-jar", "hello.jar", "--main-class", "demo.Hello",
                               "--module-path", "{F}/jmods-x86"], 0, check=x86_launcher),
    row("ready_runtime", ["--name", "Ready", "--input", "{app}/in", "--main-jar", "main.jar",
                          "--runtime-image", "{F}/jre-17.0.15_windows-x64.zip"], 0,
        check=same_runtime),
    # Warnings, each once: the check's, and a reference to a variable Windows lacks.
    row("check_warnings_keep_the_image", DEMO[:3] + ["{app}/warn"] + DEMO[4:] + JMODS +
        ["--arguments", "%d of %s"], 1,
        says=["warning: 'app\\main.jar' names 'missing.jar' in its manifest Class-Path",
              "warning: --arguments '%d of %s': %d of % names a variable that Windows does not "
              "define, and gives no default, so the launcher drops it and the app receives 's'"],
        check=lambda dest, out: [] if (dest / "Demo/Demo.exe").exists() and out.count(
            "missing.jar") == 1 else ["no image, or a warning twice"]),
    row("links_as_content", DEMO[:3] + ["{app}/links"] + DEMO[4:] + JMODS, 0, check=links_copied),
    row("links_in_msi", DEMO[:3] + ["{app}/links"] + DEMO[4:] + JMODS + [
        "--type", "msi", "--vendor", "Acme"], 0, check=outside_untouched),
    row("zip_limits", DEMO[:3] + ["{app}/zip-limits"] + DEMO[4:] + JMODS + ["--type", "zip"], 0,
        check=zip_limits),
    row("colon_in_dest", DEMO + JMODS + ["--dest", "{dest}/o:colon"], 0,
        check=lambda dest, out: [] if (dest / "o:colon/Demo/runtime/bin/javaw.exe").exists()
        else ["no Windows runtime"]),
    # JavaFX from its own jmods, a second module path; without them, the check's warning.
    row("javafx_from_its_jmods", FX + ["--module-path", "{F}/javafx-jmods"], 0,
        says=["javafx.controls: used by demo.FxApp (app/fx.jar)\n"],
        check=lambda dest, out: [] if " javafx.graphics" in (dest / "Fx/runtime/release")
        .read_text() else ["no javafx.graphics in the runtime's MODULES"]),
    row("javafx_missing", FX, 1, says=["JavaFX runtime components are missing"]),
    row("javafx_versions_differ", FX + ["--module-path", "{F}/javafx-jmods-mixed"], 1, says=[
        "warning: JavaFX's jmods are of different versions (javafx.base 11.0.11, javafx.controls "
        "21.0.1, javafx.graphics 21.0.1)"]),
    # Refusals: status 2, and the destination as it was.
    row("javafx_before_jdk", FX[:6] + ["--module-path", "{F}/javafx-jmods", *JMODS], 2,
        says=["has JavaFX's jmods but no java.base.jmod: give the JDK's jmods first"]),
    row("javafx_jmod_for_linux", FX + ["--module-path", "{F}/javafx-jmods-linux"], 2,
        says=["javafx-jmods-linux/javafx.base.jmod: is built for linux-amd64, but java.base for "
              "windows-amd64; give its jmods for windows-amd64"]),
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
    row("input_missing", DEMO[:3] + ["{app}/nothing"] + DEMO[4:] + JMODS, 2,
        says=["--input {app}/nothing: is no folder"]),
    # Names Windows cannot hold, refused for every type; the first for each.
    *[row(name + suffix, DEMO[:3] + [f"{{app}}/names/{name}"] + DEMO[4:] + JMODS + extra, 2,
          says=[says])
      for name, (_, says) in NAMES.items()
      for suffix, extra in [("", []), ("_zip", ["--type", "zip"]),
                            ("_msi", ["--type", "msi", "--vendor", "Acme"])][
          :3 if name == "one_name_ignoring_case" else 1]],
    *[row(name, DEMO[:3] + [f"{{app}}/bad-link/{name}"] + DEMO[4:] + JMODS, 2, says=[says])
      for name, says in [("dangling_link", "'link' is a link to nothing (missing.txt)"),
                         ("link_loop", "'link' is a link to a folder that holds it")]],
    *[row(f"runtime_zip_{name}", DEMO + ["--runtime-image", f"{{app}}/{name}.zip"], 2,
          says=[says]) for name, says in [
              ("twice", "'bin/java.exe' is there twice"),
              ("symlink", "javaw.lnk is a symbolic link, which Windows would get as a file"),
              ("backslash", "java.dll holds a backslash, where a zip separates folders")]],
    row("stopped_by_sigint", DEMO + JMODS, 130, stop=signal.SIGINT,
        says=["stopped by a signal; what it had written is removed"]),
    row("stopped_by_sigquit", DEMO + JMODS, 131, stop=signal.SIGQUIT,
        says=["stopped by a signal; what it had written is removed"]),
    row("source_date_epoch_not_a_number", DEMO + JMODS, 2, env={"SOURCE_DATE_EPOCH": "abc"},
        says=["SOURCE_DATE_EPOCH=abc: is not a number of seconds since 1970"]),
    row("zip_exists", ZIPPED, 2, present=["Zipped-1.0-windows-x64.zip"], says=["exists already"]),
    # Signed, the first through a PKCS#12 file, the second through a sign command.
    row("msi_1.0.0", MSI_100, 0, env=EPOCH, check=msi_tables),
    row("msi_1.0.0_rebuilt", MSI + ["--app-version", "1.0.0", "--arguments", "rebuilt"], 0,
        check=same_components(("msi_1.0.0", "1.0.0"), ("msi_1.0.0_rebuilt", "1.0.0"))),
    row("msi_1.0.1", MSI + ["--app-version", "1.0.1"] + SIGN_COMMAND, 0,
        check=lambda dest, out: same_components(("msi_1.0.0", "1.0.0"), ("msi_1.0.1", "1.0.1"))(
            dest, out) + verified(V101.name, "Demo")(dest, out), wine=MSI_STEPS),
    row("msi_acme_inc", DEMO + JMODS + ["--type", "msi", "--vendor", "Acme Inc",
                                        "--win-menu-group", "Acme Apps", "--app-version", "1.0.1"],
        0, check=same_components(("msi_1.0.1", "1.0.1"), ("msi_acme_inc", "1.0.1"), True)),
    row("msi_x86", ["--name", "Demo", "--input", ROOT / "examples/hello/lib", "--main-jar",
                    "hello.jar", "--main-class", "demo.Hello", "--module-path", "{F}/jmods-x86",
                    "--type", "msi", "--vendor", VENDOR, "--app-version", "1.0.1"], 0,
        check=other_codes),
    *[row(f"msi_{script}", DEMO[:3] + [f"{{app}}/{script}"] + DEMO[4:] + JMODS + ["--type", "msi"] +
          args, 0, check=code_page(page), wine=RU_STEPS if script == "latin" else [])
      for script, args, page in (("cyrillic", CYRILLIC, "1251"), ("latin", LATIN, "1252"))],
    row("msi_long_paths", DEMO[:3] + ["{app}/deep"] + DEMO[4:] + JMODS + [
        "--type", "msi", "--vendor", "Acme"], 1,
        says=["characters long with a 20-character user name, past the 259"]),
    row("msi_per_machine", DEMO + JMODS + ["--type", "msi", "--vendor", "Acme, Inc.",
                                           "--install-dir", "Acme\\Demo Tools",
                                           "--win-per-machine-install"], 0, check=per_machine),
    row("desktop_msi", DESK_MSI, 0, wine=desk_steps(False)),
    row("desktop_msi_machine", DESK_MSI + ["--win-per-machine-install"], 0,
        wine=desk_steps(True)),
    # An image as pack wrote it, with a file its user added, packed as it is.
    row("desktop_image", DESK, 0, check=user_adds_a_file),
    row("app_image_zip", ["--name", "Desk", "--app-image", DESK_IMAGE, "--type", "zip"], 0,
        check=image_packed("Desk-1.0-windows-x64.zip", ["Desk/README.txt", "Desk/Cli.exe"])),
    row("app_image_msi", ["--name", "Desk", "--app-image", DESK_IMAGE, "--type", "msi",
                          "--vendor", "Acme"], 0,
        check=image_packed("Desk-1.0-windows-x64.msi", ["README.txt", "Cli.exe"])),
    row("app_image_icon_clash", ["--name", "Desk", "--app-image", DESK_IMAGE, "--type", "msi",
                                 "--vendor", "Acme", "--file-associations",
                                 "{app}/doc.properties"], 2,
        says=["{app}/doc.properties: the image has a tvdoc.ico of its own, where the "
              "association's icon would go"]),
    row("app_image_not_one", ["--name", "Desk", "--app-image", "{app}/in", "--type", "zip"], 2,
        says=["--app-image {app}/in: has no Desk.exe, so it is no image of Desk"]),
    # An installer's refusals: status 2, nothing written.
    row("msi_version_limits", MSI + ["--app-version", "1.256.0"], 2, says=[
        "--app-version 1.256.0: an installer's version is MAJOR.MINOR.BUILD, with major and "
        "minor at most 255 and build at most 65535"]),
    row("msi_bad_uuid", MSI + ["--win-upgrade-uuid", "1234-5678"], 2, says=["is not a UUID"]),
    row("msi_bad_vendor", MSI + ["--vendor", "Acme\\Labs"], 2,
        says=["--vendor Acme\\Labs: holds '\\', which separates registry keys"]),
    row("msi_bad_name", ["--name", "De|mo"] + MSI[2:], 2,
        says=["--name De|mo: is not a Windows file name: it holds '|'"]),
    row("msi_missing_icon", MSI + ["--icon", "{app}/missing.ico"], 2, says=["missing.ico"]),
    row("msi_bad_association_icon", MSI + ["--file-associations", "{app}/badicon.properties"], 2,
        says=["{app}/badicon.properties: icon {app}/bad.ico: is not an icon file"]),
    row("msi_mixed_scripts", MSI + CYRILLIC[4:], 2, says=[
        "--win-menu-group '" + CYRILLIC[5] + "': needs another Windows code page than --vendor "
        "'" + VENDOR + "', and an installer's text must fit one code page"]),
    row("msi_past_cabinet", DEMO[:3] + ["{app}/zip-limits"] + DEMO[4:] + JMODS + [
        "--type", "msi", "--vendor", "Acme"], 2, says=["bytes an installer's cabinet holds"]),
    # Signing: NAME.exe, then the other programs and DLLs, each verified inside the zip; the
    # same bytes twice; the password on no command line and not in the verbose output.
    row("sign_pkcs12_zip_twice", SIGNED_ZIP, 0, env=EPOCH, secret=PASSWORD,
        says=["sign: runtime\\bin\\server\\jvm.dll"],
        check=lambda dest, out: built_twice(SIGNED_ZIP, ZIP_NAME, dest, out) +
        verified(ZIP_NAME, "Zipped", URL)(dest, out)),
    # A key in a token through its PKCS#11 module, the PIN kept off every command line and
    # out of every child's environment; time stamps from the third server, the first given up
    # at its deadline, the second dead; the signed exe starts.
    row("sign_token_stamped_starts", DEMO + JMODS + TOKEN + [
        "{S}/signer-chain.pem", "--verbose", "--win-sign-timestamp", "{silent}",
        "--win-sign-timestamp", "{dead}", "--win-sign-timestamp", "{tsa}"], 0, secret=PIN,
        check=verified("Demo", "Demo", stamped=True),
        wine=run.case("pack_signed_start", exe="Demo.exe", image="Demo", params=None, exit=0,
                      child=dict(argv=["{dir}\\runtime\\bin\\javaw.exe", "-cp", CLASS_PATH,
                                       "demo.Main"]))),
    row("sign_vendor_dll_kept", DEMO + ["--runtime-image", "{runtime}"] + SIGN_P12, 0,
        says=["sign: runtime\\bin\\server\\jvm.dll left as it is, signed by Example Vendor"],
        check=verified("Demo", "Demo", vendor=True)),
    # Signing's refusals: status 2, nothing written.
    row("sign_key_missing", DEMO + JMODS + ["--win-sign-pkcs12", "{S}/missing.p12"], 2,
        says=["missing.p12: no such file"]),
    row("sign_password_wrong", DEMO + JMODS + SIGN_P12[:3] + ["WRONG"], 2,
        env={"WRONG": "not-the-password"}, secret="not-the-password",
        says=["the password or PIN in WRONG is wrong for "]),
    row("sign_pin_unset", DEMO + JMODS + TOKEN[:5] + ["NO_PIN", "--win-sign-cert",
                                                      "{S}/signer-chain.pem"], 2,
        says=["--win-sign-password-env NO_PIN: NO_PIN is not set"]),
    row("sign_tls_certificate", DEMO + JMODS + TOKEN + ["{S}/tls-chain.pem"], 2,
        says=["the certificate of tavrin TLS server is not for code signing"]),
    row("sign_expired", DEMO + JMODS + ["--win-sign-pkcs12", "{S}/expired.p12"] + SIGN_P12[2:],
        2, says=["the certificate of tavrin expired signer expired on 2021-01-01 00:00:00 UTC"]),
    row("sign_command_fails", DEMO + JMODS + ["--win-sign-command", "echo no key for {}; exit 3"],
        2, says=["--win-sign-command exited with status 3 on a trial copy of Demo.exe: no key "
                 "for /"]),
    row("sign_command_signs_nothing", DEMO + JMODS + ["--win-sign-command", "true {}"], 2,
        says=["--win-sign-command exited with 0 but left a trial copy of Demo.exe unsigned"]),
    row("sign_two_ways", DEMO + JMODS + SIGN_P12 + SIGN_COMMAND, 2,
        says=["--win-sign-pkcs12 and --win-sign-command: give one way to sign, not two"]),
    row("sign_no_timestamp_server", MSI + SIGN_P12 + [
        "--win-sign-timestamp", "{dead}", "--win-sign-timestamp", "{http500}",
        "--win-sign-timestamp", "{garbage}"], 2,
        says=["no time-stamping server answered: {dead} (connection refused), {http500} (HTTP "
              "500 Internal Server Error), {garbage} (a reply that is no time stamp)"]),
    # Refused before anything is linked: the trial signature finds the key's faults.
    *[row(name, DEMO + JMODS + args, 2, says=[says], env=env,
          check=lambda dest, out: ["linked first"] if "runtime:" in out else [])
      for name, args, says, env in [
          ("sign_not_yet_valid", ["--win-sign-pkcs12", "{S}/future.p12"] + SIGN_P12[2:],
           "the certificate of tavrin future signer is not valid before 2099-01-01 00:00:00 UTC",
           {}),
          ("sign_chain_without_root", TOKEN + ["{S}/signer.pem"],
           "--win-sign-cert {S}/signer.pem lacks the certificate of tavrin test root", {}),
          ("sign_token_no_such_key", TOKEN[:3] + [TOKEN[3].replace("signer", "nothing")] +
           TOKEN[4:] + ["{S}/signer-chain.pem"], "no such object in the token", {}),
          ("sign_certificate_not_the_keys", TOKEN + ["{S}/vendor-chain.pem"],
           "--win-sign-cert {S}/vendor-chain.pem: the certificate is not the key's", {}),
          ("sign_password_empty", SIGN_P12[:3] + ["EMPTY"],
           "--win-sign-password-env EMPTY: EMPTY is empty", {"EMPTY": ""})]],
    row("sign_weak_certificate", DEMO + JMODS + ["--win-sign-pkcs12", "{S}/weak.p12"] +
        SIGN_P12[2:], 1, says=[
            "the certificate of tavrin weak signer has an RSA key of 1024 bits",
            "the certificate of tavrin weak signer is signed with SHA-1",
            "the signatures have no time stamp, so Windows will treat the files as unsigned"]),
    # A sign command gets the file as "$1", whatever its quotes, its path absolute though
    # --dest is relative, and must change nothing else and sign everything with one
    # certificate.
    row("sign_command_quoted_file", demo_in("inject") + JMODS + [
        "--win-sign-command", "cd {S}/apps && osslsigncode sign -certs {S}/signer-chain.pem "
        "-key {S}/signer.key -h sha256 -n Demo -in '{}' -out \"{}.s\" && mv {}.s '{}'",
        "--dest", os.path.relpath(WORK / "rows/sign_command_quoted_file")], 0,
        check=lambda dest, out: verify(dest / "Demo/app/x$(touch INJECTED).dll", "Demo") + (
            ["the file's name ran a command"] if Path(SIGN["{S}"], "apps/INJECTED").exists()
            else [])),
    row("sign_command_changes_others", DEMO + JMODS + [
        "--win-sign-command", "cp {} {}.orig && " + SIGN_COMMAND[1]], 2,
        says=["--win-sign-command changed Demo.exe.orig while signing a trial copy of Demo.exe"]),
    row("sign_command_two_signers", DEMO + JMODS + [
        "--win-sign-command", "case {} in *.exe) k=signer;; *) k=vendor;; esac; osslsigncode "
        "sign -certs {S}/$k-chain.pem -key {S}/$k.key -h sha256 -in {} -out {}.s && mv {}.s {}"],
        2, says=["is signed by the certificate of Example Vendor, the others by tavrin test "
                 "signer's"]),
    # What pack leaves signed must be valid: a broken signature is refused, an expired one
    # without a time stamp replaced; PE files are signed whatever their names.
    row("sign_tampered_refused", demo_in("tampered") + JMODS + SIGN_P12, 2, says=[
        "app\\tampered.dll: its signature is invalid (its digest does not match the file's "
        "contents)"]),
    row("sign_unreadable_refused", demo_in("unreadable") + JMODS + SIGN_P12, 2,
        says=["app\\unreadable.dll: its signature is invalid (it cannot be read)"]),
    row("sign_expired_signature_replaced", demo_in("old") + JMODS + SIGN_P12, 0, says=[
        "sign: app\\expired.dll re-signed, as the certificate of tavrin expired signer expired "
        "on 2021-01-01 00:00:00 UTC, and the signature has no time stamp",
        "sign: app\\stamped.dll left as it is, signed by tavrin expired signer"],
        check=lambda dest, out: verify(dest / "Demo/app/expired.dll", "Demo")),
    row("sign_by_pe_header", demo_in("kinds") + JMODS + SIGN_P12, 0, says=[
        "note: unsigned, so Smart App Control blocks it: app\\native.jar: "
        "win32-x86-64/jnidispatch.dll"],
        check=lambda dest, out: sum((verify(dest / "Demo/app" / n, "Demo") for n in (
            "plugin.node", "mod.pyd", "ctl.ocx", "panel.cpl", "driver.sys", "thing.scr")), [])),
    row("check_notes_signatures", demo_in("notes") + JMODS, 0, says=[
        f"note: {what}, so Smart App Control {how} it: app\\{name}" for what, how, name in [
            ("invalid signature (its digest does not match the file's contents)", "blocks",
             "tampered.dll"),
            ("invalid signature (it cannot be read)", "blocks", "unreadable.dll"),
            ("invalid signature (the certificate of tavrin expired signer expired on 2021-01-01 "
             "00:00:00 UTC, and the signature has no time stamp)", "blocks", "expired.dll"),
            ("unsigned", "blocks", "plugin.node"), ("unsigned", "blocks", "driver.sys"),
            ("an unsigned script", "may block", "run.ps1"),
            ("a batch script, which cannot be signed", "may block", "setup.bat"),
            ("unsigned", "blocks", "native.jar: win32-x86-64/jnidispatch.dll")]],
        check=lambda dest, out: ["stamped.dll noted"] if "stamped.dll" in out else []),
    # Updates' refusals, which read the key before anything is written: status 2, nothing
    # written (update.py runs the updates themselves).
    row("update_url_without_key", ZIPPED + ["--vendor", "Acme", "--update-url",
                                            "https://example.com/r"], 2,
        says=["--update-url needs --update-key: the ECDSA P-256 key (PEM) that signs releases"]),
    row("update_key_missing", ZIPPED + ["--vendor", "Acme", "--update-url", "https://example.com/r",
                                        "--update-key", "{app}/missing.pem"], 2,
        says=["--update-key {app}/missing.pem: no such file"]),
    # A self-updating zip: the update program in the runtime, content-named folders, the feed
    # and files/; the check still notes what is unsigned.
    row("update_zip", ZIPPED + ["--vendor", "Acme", "--update-url", "https://example.com/r",
                                "--update-key", "{app}/release.pem"], 0,
        says=["update: Zipped-windows-x64-zip.feed, ",
              "note: unsigned, so Smart App Control blocks it: runtime-",
              "bin\\tavrin-update.exe"],
        check=lambda dest, out: [] if (dest / "files").is_dir() else ["no files/"]),
    row("update_key_rsa", ZIPPED + ["--vendor", "Acme", "--update-url", "https://example.com/r",
                                    "--update-key", "{S}/signer.key"], 2,
        says=["signer.key: is an RSA key; releases are signed with ECDSA P-256"]),
]


def fill(args, dest):
    text = {"{F}": str(fixture()), "{app}": str(APP), "{dest}": str(dest), **SIGN}
    filled = [str(a) for a in args]
    for key, value in text.items():
        filled = [a.replace(key, value) for a in filled]
    return filled + ([] if "--dest" in filled else ["--dest", str(dest)])


def listing(folder):
    return sorted(str(p.relative_to(folder)) for p in folder.rglob("*")) if folder.exists() else None


def jlink_runs(dest):
    """Whether a jlink that pack started for dest runs: it runs in pack's temporary folder."""
    for proc in Path("/proc").glob("[0-9]*"):
        try:
            if (b"module-path-1" in (proc / "cmdline").read_bytes() and
                    os.readlink(proc / "cwd").startswith(str(dest))):
                return True
        except OSError:
            continue
    return False


def run_pack(r, dest):
    """pack's exit status and output; a row's stop signal is sent once jlink runs, and the
    jlink must not outlive pack."""
    command = [str(PACK), *fill(r["args"], dest)]
    env = dict(os.environ, **r["env"])
    if not r["stop"]:
        result = subprocess.run(command, capture_output=True, text=True, env=env)
        return result.returncode, result.stdout + result.stderr, []
    with subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          env=env) as pack:
        while not jlink_runs(dest) and pack.poll() is None:
            time.sleep(0.02)
        pack.send_signal(r["stop"])
        out = pack.communicate()[0]
    for _ in range(100):
        if not jlink_runs(dest):
            return pack.returncode, out, []
        time.sleep(0.05)
    return pack.returncode, out, ["jlink outlived pack"]


def watching(secret):
    """Reads the command line of every process started from now on, and the environment of
    every one that pack started, in a loop, until the returned function is called, which
    gives problems: the secret seen, or no osslsigncode seen (a watch too slow)."""
    done, seen, packs = threading.Event(), set(), set()
    last = int(Path("/proc/sys/kernel/ns_last_pid").read_text())

    def watch():
        while not done.is_set():
            for pid in os.listdir("/proc"):
                with contextlib.suppress(OSError, ValueError):
                    if int(pid) > last:
                        seen.add(Path(f"/proc/{pid}/cmdline").read_bytes())
                        parent = int(Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1]
                                     .split()[1])
                        # Pack and what it starts, not the machine's other processes; pack
                        # wipes its own at once.
                        if parent == os.getpid() or parent in packs:
                            packs.add(int(pid))
                        if parent in packs:
                            seen.add(Path(f"/proc/{pid}/environ").read_bytes())
    thread = threading.Thread(target=watch)
    thread.start()

    def stop():
        done.set()
        thread.join()
        held = [f"the secret on a command line or in an environment: {line[:200]!r}"
                for line in seen if secret.encode() in line]
        ran = any(line.startswith(b"osslsigncode") for line in seen)
        return held[:1] + ([] if ran else ["the watch saw no osslsigncode running"])
    return stop


def pack_row(r):
    """Runs pack for the row; returns problems and the Wine row with its image's path."""
    dest = WORK / "rows" / r["name"]
    for name in r["present"]:
        target = dest / name
        target.mkdir(parents=True) if name.endswith("/") else (
            target.parent.mkdir(parents=True, exist_ok=True), target.write_bytes(b"old"))
    before = listing(dest)
    stop = watching(r["secret"]) if r["secret"] else lambda: []
    status, out, problems = run_pack(r, dest)
    problems = stop() + problems
    if status != r["exit"]:
        problems.append(f"exit {status}, expected {r['exit']}:\n{out}")
    problems += ["the secret in the output"] if r["secret"] and r["secret"] in out else []
    problems += [f"output lacks {s!r}:\n{out}" for s in fill(r["says"], dest)[:len(r["says"])]
                 if s not in out]
    if r["exit"] > 1 and listing(dest) != before:
        problems.append(f"left behind: {listing(dest)}, before {before}")
    if not problems and r["check"]:
        problems += r["check"](dest, out)
    return problems, [dict(w, image=dest / w["image"]) if w.get("image") else w for w in r["wine"]]


def run_wine(rows, locale, passed, failed):
    """Runs the rows in a Wine prefix of the locale's own, whose ANSI code page follows it;
    returns the counts."""
    run.WORK = WORK / ("wine" if locale == "C.UTF-8" else "wine-" + locale)
    run.PREFIX = run.WORK / "prefix"
    bench = run.Bench(locale)
    try:
        bench.start()
        # Wine links the prefix's desktop to $HOME, where installers must write nothing.
        desktop = run.unix(HOME + "\\Desktop")
        if desktop.is_symlink():
            desktop.unlink()
            desktop.mkdir()
        for w in rows:
            problems = run.run_case(bench, w, "x64", {})
            ok = run.report(f"{w['name']} [x64, Wine, {locale}]",
                            problems + (w["then"](bench) if w.get("then") else []))
            passed, failed = passed + ok, failed + (not ok)
    finally:
        bench.stop()
    return passed, failed


def main(parts):
    build_app()
    (APP / "app.ico").write_bytes(ICON)
    sh("openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", APP / "release.pem")
    shutil.rmtree(WORK / "rows", ignore_errors=True)
    SIGN.update(sign_fixture.build(WORK / "sign", fixture() / "jre-17.0.15_windows-x64.zip",
                                   APP / "in/main.jar"))
    passed = failed = 0
    wine_rows = []
    for r in ROWS:
        if parts and not any(p in r["name"] for p in parts):
            continue
        problems, wine = pack_row(r)
        ok = run.report(r["name"], problems)
        passed, failed = passed + ok, failed + (not ok)
        if ok:
            wine_rows += wine
    for locale in sorted({w.get("locale", "C.UTF-8") for w in wine_rows}):
        passed, failed = run_wine([w for w in wine_rows if w.get("locale", "C.UTF-8") == locale],
                                  locale, passed, failed)
    print(f"pack: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
