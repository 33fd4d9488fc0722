#!/usr/bin/env python3
"""tavrin-pack end to end, with the fake Windows jmods of pack_fixture.py standing in for a
vendor's Windows JDK.

Each row of ROWS runs dist/linux-x64/tavrin-pack on a javac-built app and checks its exit
status, what it printed and what it left in its destination: a refusal leaves the folder as
it was. Packed apps then start under Wine on run.py's bench, where the Java stand-in
reports the command it received; jdeps and pefile are the oracles for the runtime's modules
and the exe's version details; osslsigncode verifies what pack signed with sign_fixture.py's
throwaway keys, while a watch reads every process's command line for the secret.

Usage: python3 tests/e2e/pack.py [NAME_PART ...]
"""

import contextlib
import hashlib
import os
import pwd
import re
import shutil
import struct
import subprocess
import sys
import threading
import uuid
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WORK = ROOT / "build/e2e-pack"
os.environ["TAVRIN_E2E_WORK"] = str(WORK / "wine")
import run  # noqa: E402
import sign_fixture  # noqa: E402
from brand import ICON, pefile_view  # noqa: E402
from pack_fixture import JDK_JMODS, JVM, STANDIN, fixture  # noqa: E402
from sign_fixture import PASSWORD, PIN  # noqa: E402

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
    """in/: main.jar, 'db tools.jar' and a DLL to sign; warn/: a main jar whose Class-Path
    names a jar that is missing; nojvm/: a runtime folder without jvm.dll."""
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
    shutil.copyfile(JVM, APP / "in/native.dll")
    (APP / "manifest.txt").write_text("Main-Class: demo.Main\nClass-Path: missing.jar\n")
    sh("jar", "-c", "-f", APP / "warn/main.jar", "-m", APP / "manifest.txt", "-C",
       APP / "classes", "demo")
    for program in ("java.exe", "javaw.exe"):
        (APP / "nojvm/bin").mkdir(parents=True, exist_ok=True)
        shutil.copyfile(STANDIN, APP / "nojvm/bin" / program)


def row(name, args, exit, says=(), check=None, wine=(), present=(), env=None, secret=None):
    """args: pack's arguments ({F} the fixture, {app} the app folder, sign_fixture's
    placeholders); says: texts its output must hold; check(dest, out) gives problems;
    wine: run.py rows run then in order (an image key names the packed folder in dest, a then
    key a function of the bench giving problems afterwards), one row or a list;
    present: names laid out in the destination before, which a refusal must leave alone;
    secret: a text that no command line and not the output may hold while pack runs."""
    return dict(name=name, args=args, exit=exit, says=says, check=check,
                wine=[wine] if isinstance(wine, dict) else wine, present=present, env=env or {},
                secret=secret)


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
        programs = [p for p in image.rglob("*") if p.suffix.lower() in (".exe", ".dll")]
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
# desktop shortcut, installed per user into the Wine prefix, started, upgraded, refused a
# downgrade and uninstalled. tavrin-pack's namespace of upgrade codes makes the oracle's.
VENDOR, URL = "Acme \u00c6sir", "https://example.com/help"
MSI = DEMO + JMODS + ["--type", "msi", "--vendor", VENDOR, "--win-menu-group", "Acme Apps",
                      "--win-shortcut", "--about-url", URL, "--dest", "{dest}"]
MSI_100 = MSI + ["--app-version", "1.0.0"] + SIGN_P12
UPGRADE_CODE = uuid.uuid5(uuid.UUID("6C1D52A4-7E0B-4A4C-9F3B-2B8E51D0C7A9"), VENDOR + "\\Demo")
HOME = "C:\\users\\" + pwd.getpwuid(os.getuid()).pw_name  # as Wine names the profile
INSTALL = HOME + "\\AppData\\Local\\Programs\\Demo"
LINKS = [HOME + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Acme Apps",
         HOME + "\\Desktop\\Demo.lnk"]
KEY = "HKCU\\Software\\" + VENDOR + "\\Demo"


def msi_file(version):
    return WORK / "rows" / f"msi_{version}" / f"Demo-{version}-windows-x64.msi"


def table(msi, name):
    rows = sh("msiinfo", "export", msi, name).stdout.splitlines()[3:]  # after the header
    return [r.split("\t") for r in rows]


def msi_tables(dest, out):
    """msiinfo reads the expected properties and shortcuts; it and its programs are signed; a
    second run gives the same bytes."""
    properties = dict(table(msi_file("1.0.0"), "Property"))
    expected = {"ProductName": "Demo", "ProductVersion": "1.0.0", "Manufacturer": VENDOR,
                "UpgradeCode": "{%s}" % str(UPGRADE_CODE).upper(), "ARPHELPLINK": URL,
                "ARPPRODUCTICON": "icon.exe", "ALLUSERS": None}
    problems = [f"{k}: {properties.get(k)!r}, expected {v!r}" for k, v in expected.items()
                if properties.get(k) != v]
    shortcuts = [(r[1], r[2], r[4], r[11]) for r in table(msi_file("1.0.0"), "Shortcut")]
    if sorted(shortcuts) != [(d, "Demo", "[INSTALLDIR]Demo.exe", "INSTALLDIR")
                             for d in ("DesktopFolder", "menu_group")]:
        problems.append(f"shortcuts {shortcuts}")
    return problems + verified(msi_file("1.0.0").name, "Demo")(dest, out) + built_twice(
        MSI_100, msi_file("1.0.0").name, dest, out)


def same_components(dest, out):
    """From one version to the next, every component keeps its GUID; the sign command signed
    the package and its programs."""
    guids = [sorted(r[1] for r in table(msi_file(v), "Component")) for v in ("1.0.0", "1.0.1")]
    return ([] if guids[0] == guids[1] else ["the component GUIDs changed with the version"]) + \
        verified(msi_file("1.0.1").name, "Demo")(dest, out)


def per_machine(dest, out):
    """For all users: ALLUSERS, Program Files, the key paths in HKLM (root 2)."""
    msi = dest / "Demo-1.0-windows-x64.msi"
    got = (dict(table(msi, "Property")).get("ALLUSERS"),
           {r[0]: r[1] for r in table(msi, "Directory")}["INSTALLDIR"],
           {r[1] for r in table(msi, "Registry")})
    return [] if got == ("1", "ProgramFiles64Folder", {"2"}) else [f"per machine: {got}"]


def registry(bench, key):
    """The key and its subkeys as `reg export` writes them; None when the key is absent."""
    exported = run.unix("C:\\r\\export.reg")
    found = bench.call([bench.wine, "reg", "export", key, "C:\\r\\export.reg", "/y"], "reg", 60)
    return exported.read_text(encoding="utf-16") if found == 0 else None


def products(bench):
    """The names and versions of the products installed for the user."""
    names = registry(bench, "HKCU\\Software\\Microsoft\\Installer\\Products") or ""
    data = registry(bench, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\"
                           "UserData") or ""
    return (re.findall(r'"ProductName"="(.*)"', names),
            re.findall(r'"DisplayVersion"="(.*)"', data))


def installed(version):
    """Installed: the files msiextract finds in the package, the shortcuts, the key; one
    product, of this version."""
    def then(bench):
        shutil.rmtree(WORK / "extracted", ignore_errors=True)
        sh("msiextract", "-C", WORK / "extracted", msi_file(version))
        got, packed = ({p.relative_to(top).as_posix(): p.read_bytes()
                        for p in top.rglob("*") if p.is_file()}
                       for top in (run.unix(INSTALL), WORK / "extracted/Programs/Demo"))
        problems = [] if got == packed else [
            f"installed {sorted(got)[:4]}..., packed {sorted(packed)[:4]}..."]
        problems += [f"no {link}" for link in LINKS if not run.unix(link).exists()]
        if f'"Version"="{version}"' not in (registry(bench, KEY) or ""):
            problems.append(f"{KEY} holds {registry(bench, KEY)}")
        return problems + ([] if products(bench) == (["Demo"], [version]) else
                           [f"products {products(bench)}"])
    return then


def nothing_left(bench):
    left = [p for p in [INSTALL] + LINKS if run.unix(p).exists()]
    left += [KEY] if registry(bench, KEY) is not None else []
    return [f"left behind: {left}"] if left else (
        [] if products(bench) == ([], []) else [f"products {products(bench)}"])


def msiexec(name, args, exit, then, **row):
    """msiexec under Wine, started by the driver as a launcher is (its boxes answered and
    recorded); then(bench) looks at the prefix afterwards."""
    return dict(run.case(name, dir="C:\\windows\\system32", exe="msiexec.exe",
                         cmd="msiexec " + args, exit=exit, **row), then=then)


def windows(path):
    return "Z:" + str(path).replace("/", "\\")


MSI_STEPS = [
    msiexec("msi_install", f'/i "{windows(msi_file("1.0.0"))}" /qn', 0, installed("1.0.0")),
    run.case("msi_start_installed", dir=INSTALL, exe="Demo.exe", args=" x", exit=0, child=dict(
        argv=["{dir}\\runtime\\bin\\javaw.exe", "-cp", CLASS_PATH, "demo.Main", "x"],
        cwd="{dir}")),
    msiexec("msi_upgrade", f'/i "{windows(msi_file("1.0.1"))}" /qn', 0, installed("1.0.1")),
    msiexec("msi_downgrade_refused", f'/i "{windows(msi_file("1.0.0"))}" /qb', 1603,
            installed("1.0.1"), boxes=[("Install Failed", "Demo 1.0.1 is installed, which is "
                                        "newer than this installer's version 1.0.0; uninstall "
                                        "it first to go back to 1.0.0.")]),
    msiexec("msi_uninstall", f'/x "{windows(msi_file("1.0.1"))}" /qn', 0, nothing_left),
]
ROWS = [
    # A javac-built app using java.sql and TLS, packed and started; the options and arguments
    # reach the program exactly, %NAME% expanded by the launcher; the check notes what is
    # unsigned.
    row("java_sql_app", DEMO + JMODS + sum((["--java-options", o] for o in OPTIONS), []) +
        sum((["--arguments", a] for a in ARGUMENTS), []), 0,
        says=["java.sql: used by demo.Db (app/db tools.jar)\n",
              "jdk.crypto.ec: TLS (javax.net.ssl) needs its EC ciphers before Java 22\n",
              "jdk.crypto.mscapi: not in the module path, so left out",
              "note: unsigned, so Smart App Control blocks it: runtime\\bin\\server\\jvm.dll"],
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
    # Both signed, the first through a PKCS#12 file, the second through a sign command.
    row("msi_1.0.0", MSI_100, 0, env=EPOCH, check=msi_tables),
    row("msi_1.0.1", MSI + ["--app-version", "1.0.1"] + SIGN_COMMAND, 0, check=same_components,
        wine=MSI_STEPS),
    row("msi_per_machine", DEMO + JMODS + ["--type", "msi", "--vendor", "Acme",
                                           "--win-per-machine-install"], 0, check=per_machine),
    # An installer's refusals: status 2, nothing written.
    row("msi_version_limits", MSI + ["--app-version", "1.256.0"], 2, says=[
        "--app-version 1.256.0: an installer's version is MAJOR.MINOR.BUILD, with major and "
        "minor at most 255 and build at most 65535"]),
    row("msi_bad_uuid", MSI + ["--win-upgrade-uuid", "1234-5678"], 2, says=["is not a UUID"]),
    row("msi_bad_vendor", MSI + ["--vendor", "Acme/Labs"], 2,
        says=["--vendor Acme/Labs: is not a Windows folder or registry key name"]),
    row("msi_bad_name", ["--name", "De|mo"] + MSI[2:], 2,
        says=["--name De|mo: is not a Windows file name"]),
    row("msi_missing_icon", MSI + ["--icon", "{app}/missing.ico"], 2, says=["missing.ico"]),
    # Signing: NAME.exe, then the other programs and DLLs, each verified inside the zip; the
    # same bytes twice; the password on no command line and not in the verbose output.
    row("sign_pkcs12_zip_twice", SIGNED_ZIP, 0, env=EPOCH, secret=PASSWORD,
        says=["sign: runtime\\bin\\server\\jvm.dll"],
        check=lambda dest, out: built_twice(SIGNED_ZIP, ZIP_NAME, dest, out) +
        verified(ZIP_NAME, "Zipped", URL)(dest, out)),
    # A key in a token through its PKCS#11 module, the PIN kept off every command line; time
    # stamps from the second server, the first dead; the signed exe starts.
    row("sign_token_stamped_starts", DEMO + JMODS + TOKEN + [
        "{S}/signer-chain.pem", "--verbose", "--win-sign-timestamp", "{dead}",
        "--win-sign-timestamp", "{tsa}"], 0, secret=PIN,
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
        2, says=["--win-sign-command exited with status 3 on Demo.exe: no key for /"]),
    row("sign_command_signs_nothing", DEMO + JMODS + ["--win-sign-command", "true {}"], 2,
        says=["--win-sign-command exited with 0 but left Demo.exe unsigned"]),
    row("sign_two_ways", DEMO + JMODS + SIGN_P12 + SIGN_COMMAND, 2,
        says=["--win-sign-pkcs12 and --win-sign-command: give one way to sign, not two"]),
    row("sign_no_timestamp_server", MSI + SIGN_P12 + [
        "--win-sign-timestamp", "{dead}", "--win-sign-timestamp", "{dead2}"], 2,
        says=["no time-stamping server answered: http://127.0.0.1:"]),
]


def fill(args, dest):
    text = {"{F}": str(fixture()), "{app}": str(APP), "{dest}": str(dest), **SIGN}
    filled = [str(a) for a in args]
    for key, value in text.items():
        filled = [a.replace(key, value) for a in filled]
    return filled + ([] if "--dest" in filled else ["--dest", str(dest)])


def listing(folder):
    return sorted(str(p.relative_to(folder)) for p in folder.rglob("*")) if folder.exists() else None


def watching(secret):
    """Reads the command line of every process started from now on, in a loop, until the
    returned function is called, which gives problems: the secret seen, or no osslsigncode
    seen (a watch too slow)."""
    done, seen = threading.Event(), set()
    last = int(Path("/proc/sys/kernel/ns_last_pid").read_text())

    def watch():
        while not done.is_set():
            for pid in os.listdir("/proc"):
                with contextlib.suppress(OSError, ValueError):
                    if int(pid) > last:
                        seen.add(Path(f"/proc/{pid}/cmdline").read_bytes())
    thread = threading.Thread(target=watch)
    thread.start()

    def stop():
        done.set()
        thread.join()
        held = [f"the secret on a command line: {line!r}" for line in seen
                if secret.encode() in line]
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
    result = subprocess.run([str(PACK), *fill(r["args"], dest)], capture_output=True, text=True,
                            env=dict(os.environ, **r["env"]))
    out = result.stdout + result.stderr
    problems = stop() + ([] if result.returncode == r["exit"] else [
        f"exit {result.returncode}, expected {r['exit']}:\n{out}"])
    problems += ["the secret in the output"] if r["secret"] and r["secret"] in out else []
    problems += [f"output lacks {s!r}:\n{out}" for s in r["says"] if s not in out]
    if r["exit"] == 2 and listing(dest) != before:
        problems.append(f"left behind: {listing(dest)}, before {before}")
    if not problems and r["check"]:
        problems += r["check"](dest, out)
    return problems, [dict(w, image=dest / w["image"]) if w.get("image") else w for w in r["wine"]]


def main(parts):
    build_app()
    (APP / "app.ico").write_bytes(ICON)
    shutil.rmtree(WORK / "rows", ignore_errors=True)
    SIGN.update(sign_fixture.build(WORK / "sign", fixture() / "jre-17.0.15_windows-x64.zip"))
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
    if wine_rows:
        bench = run.Bench()
        try:
            bench.start()
            # Wine links the prefix's desktop to $HOME, where installers must write nothing.
            desktop = run.unix(HOME + "\\Desktop")
            if desktop.is_symlink():
                desktop.unlink()
                desktop.mkdir()
            for w in wine_rows:
                problems = run.run_case(bench, w, "x64", {})
                ok = run.report(w["name"] + " [x64, Wine]",
                                problems + (w["then"](bench) if w.get("then") else []))
                passed, failed = passed + ok, failed + (not ok)
        finally:
            bench.stop()
    print(f"pack: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
