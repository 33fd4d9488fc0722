#!/usr/bin/env python3
"""End-to-end tests of tavrin-brand, checked by readers the tool did not write.

Each row of ROWS brands a launcher (or another row's output) with the Linux build of the
tool and with the Windows build under Wine; both copies must be the same bytes. The copy
is then read by Windows itself (resource_probe.exe under Wine: version strings,
Translation, fixed versions, manifest, icon picked and loaded for 16, 32, 48 and 256
pixels), by wrestool (the icon group comes out as the icon given), by pefile (strings and
checksum), and signed and verified by osslsigncode with a throwaway certificate, after
which the tool must refuse the signed copy. Last, the branded launchers run a few rows of
tests/e2e/run.py. Prints the sizes before and after branding.

Usage: python3 tests/e2e/brand.py [NAME_PART ...]   (run.py's rows run when no part is given)
"""

import json
import os
import shutil
import struct
import subprocess
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DIST = ROOT / "dist"
HELPERS = ROOT / "build/win-x64/tests/e2e"
WORK = ROOT / "build/e2e-brand"
WINE = shutil.which("/usr/lib/wine/wine64") or shutil.which("wine64") or "wine"
ENV = dict(os.environ, WINEPREFIX=str(WORK / "prefix"), WINEDEBUG="-all",
           WINEDLLOVERRIDES="mscoree,mshtml=")
ENV.pop("DISPLAY", None)


def bitmap(size, shade):
    """An icon bitmap: header, 32-bit pixels, an empty mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + bytes([shade, 64, 255 - shade, 255]) * size * size + \
        bytes(size * ((size + 31) // 32 * 4))


def png(size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + bytes([y % 256, 90, 200, 255]) * size for y in range(size))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def ico(images):
    """An .ico file of (size, data) images, stored in order after the directory."""
    head, body = struct.pack("<HHH", 0, 1, len(images)), b""
    for size, data in images:
        head += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data),
                            6 + 16 * len(images) + len(body))
        body += data
    return head + body


ICON = ico([(16, bitmap(16, 10)), (32, bitmap(32, 20)), (48, bitmap(48, 30)), (256, png(256))])
TEXTS = {"--name": "Zo\u00eb's R\u00e9port \u2713 \U0001f600", "--vendor": "Acme \u00c6sir GmbH",
         "--copyright": "\u00a9 2026 Acme", "--description": "Quarterly reports"}
KEYS = {"--name": "ProductName", "--vendor": "CompanyName", "--copyright": "LegalCopyright",
        "--description": "FileDescription"}
EVERYTHING = [*sum(([k, v] for k, v in TEXTS.items()), []), "--icon", "{icon}",
              "--app-version", "2.5.0.17", "--execution-level", "highestAvailable"]


def row(name, source, options, out="Report.exe", icon=None, version=None,
        level="asInvoker", same_as_source=False):
    """source: a launcher under dist/ or an earlier row's name; icon: the icon the copy
    must show (None: the launcher's own); version: the fixed version expected (None: the
    source's); same_as_source: branding must give the source's bytes again."""
    return dict(name=name, source=source, options=options, out=out, icon=icon,
                version=version, level=level, same_as_source=same_as_source)


ROWS = [
    row("x64_everything", "x64/tavrin.exe", EVERYTHING, icon=ICON, version="2.5.0.17",
        level="highestAvailable"),
    row("x86_everything", "x86/tavrin.exe", EVERYTHING, icon=ICON, version="2.5.0.17",
        level="highestAvailable"),
    row("x64_name_only", "x64/tavrin.exe", ["--name", "Plain"], out="pl\u00e4in.exe"),
    # The console twins are branded alike.
    row("x64_console_everything", "x64/tavrin-console.exe", EVERYTHING, out="mytool.exe",
        icon=ICON, version="2.5.0.17", level="highestAvailable"),
    row("x86_console_name_only", "x86/tavrin-console.exe", ["--name", "Tool"], out="tool.exe"),
    # Branding a branded copy again with its icon alone keeps everything, bytes included.
    row("x86_again_icon_only", "x86_everything", ["--icon", "{icon}"], icon=ICON,
        version="2.5.0.17", level="highestAvailable", same_as_source=True),
]
# run.py rows that the branded launchers must pass like the originals: a start, an error box.
LAUNCHER_ROWS = ["simple_launch", "no_param_file", "non_ascii_launcher_name"]

PEFILE = """
import json, re, sys, pefile
pe = pefile.PE(sys.argv[1])
strings = {}
for info in getattr(pe, "FileInfo", [[]])[0]:
    for table in getattr(info, "StringTable", []):
        strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
# pefile writes a character beyond U+FFFF as its two surrogates' escapes.
pair = re.compile(r"\\\\u(d[89ab][0-9a-f]{2})\\\\u(d[c-f][0-9a-f]{2})")
join = lambda m: (chr(int(m[1], 16)) + chr(int(m[2], 16))).encode("utf-16", "surrogatepass").decode("utf-16")
strings = {k: pair.sub(join, v) for k, v in strings.items()}
# Parsed in full, pefile writes the strings back with those escapes before it sums the
# file; headers alone leave the bytes as they are.
headers = pefile.PE(sys.argv[1], fast_load=True)
print(json.dumps({"strings": strings, "checksum": headers.OPTIONAL_HEADER.CheckSum,
                  "computed": headers.generate_checksum()}))
"""


def run(argv, log, **kw):
    """Runs a program with its output in log (Wine's helpers outlive pipes)."""
    with open(WORK / log, "ab") as out:
        return subprocess.run(argv, env=ENV, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                              timeout=300, **kw).returncode


def brand_both(options, source, out, folder):
    """Brands with both builds of the tool; returns the two outputs' paths, or problems."""
    outputs, problems = [], []
    for build, tool in (("linux", [str(DIST / "linux-x64/tavrin-brand")]),
                        ("windows", [WINE, str(DIST / "x64/tavrin-brand.exe")])):
        target = WORK / folder / build / out
        target.parent.mkdir(parents=True, exist_ok=True)
        argv = tool + [o.replace("{icon}", str(WORK / "app.ico")) for o in options]
        code = run(argv + [str(source), str(target)], f"{folder}.log")
        if code != 0:
            problems.append(f"{build} tool exited {code}, see {WORK / (folder + '.log')}")
        outputs.append(target)
    return outputs, problems


def probe(exe):
    report = exe.with_suffix(".json")
    run([WINE, str(HELPERS / "resource_probe.exe"), str(exe), str(report)], "probe.log")
    return json.loads(report.read_text())


def pefile_view(exe):
    return json.loads(subprocess.run(["/usr/bin/python3", "-c", PEFILE, str(exe)], check=True,
                                     capture_output=True, text=True).stdout)


def wrestool_icon(exe):
    """The first icon group as wrestool writes it. wrestool (0.32) writes as many bytes
    more as the group resource has, of no defined value; they are cut here."""
    data = subprocess.run(["wrestool", "-x", "-t", "14", str(exe)], check=True,
                          capture_output=True).stdout
    return data[:len(data) - 6 - 14 * struct.unpack_from("<H", data, 4)[0]]


def sign_and_verify(exe, folder):
    """Signs a copy with a throwaway certificate, which the tool must refuse; returns problems."""
    problems = signed(exe, folder)
    if problems:
        return problems
    refused = subprocess.run([str(DIST / "linux-x64/tavrin-brand"), str(folder / "signed.exe"),
                              str(folder / "again.exe")], capture_output=True, text=True)
    if refused.returncode != 1 or "brand the unsigned launcher" not in refused.stderr:
        return [f"the signed copy was not refused: {refused.stderr!r}"]
    return []


def signed(exe, folder):
    """Signs a copy of an exe or MSI, folder/signed.exe, with a throwaway certificate, and
    verifies it; returns problems."""
    key, cert, signed = folder / "key.pem", folder / "cert.pem", folder / "signed.exe"
    WORK.mkdir(parents=True, exist_ok=True)  # for the log
    signed.unlink(missing_ok=True)  # osslsigncode replaces no file
    steps = [["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key),
              "-out", str(cert), "-days", "2", "-subj", "/CN=tavrin-brand test"],
             ["osslsigncode", "sign", "-certs", str(cert), "-key", str(key), "-in", str(exe),
              "-out", str(signed)],
             ["osslsigncode", "verify", "-CAfile", str(cert), "-in", str(signed)]]
    for argv in steps:
        if run(argv, "sign.log") != 0:
            return [f"{argv[0]} {argv[1]} failed, see {WORK / 'sign.log'}"]
    return []


def check(r, outputs, source):
    linux, windows = outputs
    problems = []
    if linux.read_bytes() != windows.read_bytes():
        problems.append("the Linux and Windows builds of the tool wrote different bytes")
    if r["same_as_source"] and linux.read_bytes() != source.read_bytes():
        problems.append("branding again changed the bytes")
    before, got = pefile_view(source), probe(linux)
    strings = dict(before["strings"])
    options = dict(zip(r["options"][::2], r["options"][1::2]))
    for option, key in KEYS.items():
        if option in options:
            strings[key] = options[option]
    if "--name" in options and "--description" not in options:
        strings["FileDescription"] = options["--name"]
    if "--app-version" in options:
        strings["FileVersion"] = strings["ProductVersion"] = options["--app-version"]
    strings.update(OriginalFilename=r["out"], InternalName=Path(r["out"]).stem)
    version = r["version"] or probe(source)["fixed"]["file"]
    expected = {"translations": ["040904b0"], "strings": {"040904b0": strings},
                "fixed": {"file": version, "product": version, "signature_ok": True},
                "icon_group": {"name": "APPICON", "languages": ["0409"]}}
    problems += [f"Windows reads {k} {got[k]!r}, expected {v!r}"
                 for k, v in expected.items() if got[k] != v]
    if f'level="{r["level"]}"' not in (got["manifest"] or ""):
        problems.append(f"FindResourceW finds no manifest with level {r['level']}")
    if r["icon"]:
        for px, icon in got["icons"].items():
            if (icon["width"], icon["height"]) != (int(px), int(px)):
                problems.append(f"for {px} pixels Windows loads {icon}")
    given_icon = r["icon"] or (ROOT / "assets/icon/tavrin.ico").read_bytes()
    if wrestool_icon(linux) != given_icon:
        problems.append("wrestool extracts another icon than the one given")
    view = pefile_view(linux)
    if view["strings"] != strings:
        problems.append(f"pefile reads {view['strings']!r}, expected {strings!r}")
    if view["checksum"] != view["computed"]:
        problems.append(f"checksum {view['checksum']:#x}, pefile computes {view['computed']:#x}")
    return problems + sign_and_verify(linux, linux.parent)


def refuses_itself():
    """The Windows build under Wine refuses an OUTPUT that spells INPUT otherwise, and
    leaves the folder as it was; returns problems."""
    folder = WORK / "itself"
    folder.mkdir()
    shutil.copyfile(DIST / "x64/tavrin.exe", folder / "tavrin.exe")
    code = run([WINE, str(DIST / "x64/tavrin-brand.exe"), "--name", "X", str(folder / "tavrin.exe"),
                str(folder / ".." / "itself" / "TAVRIN.EXE")], "itself.log")
    message = (WORK / "itself.log").read_text(errors="replace")
    if code != 1 or "TAVRIN.EXE: is INPUT itself" not in message:
        return [f"exit {code}, {message!r}"]
    if os.listdir(folder) != ["tavrin.exe"] or \
            (folder / "tavrin.exe").read_bytes() != (DIST / "x64/tavrin.exe").read_bytes():
        return ["the folder changed"]
    return []


def run_launcher_rows():
    """The launcher rows on copies branded like the first row, in a copy of dist/."""
    branded = WORK / "dist"
    for arch in ("x64", "x86"):
        shutil.copytree(DIST / arch, branded / arch)
        options = [o.replace("highestAvailable", "asInvoker") for o in EVERYTHING]
        outputs, problems = brand_both(options, DIST / arch / "tavrin.exe", "tavrin.exe",
                                       f"dist-{arch}")
        if problems:
            print(f"FAIL branded {arch} launcher: {problems}")
            return False
        shutil.copyfile(outputs[0], branded / arch / "tavrin.exe")
    env = dict(os.environ, TAVRIN_E2E_DIST=str(branded),
               TAVRIN_E2E_WORK=str(ROOT / "build/e2e-branded"))
    return subprocess.run([sys.executable, str(ROOT / "tests/e2e/run.py"), *LAUNCHER_ROWS],
                          env=env).returncode == 0


def report(name, problems):
    print(("FAIL " if problems else "PASS ") + name, flush=True)
    for p in problems:
        print("    " + p, flush=True)
    return not problems


def main(parts):
    shutil.rmtree(WORK, ignore_errors=True)
    WORK.mkdir(parents=True)
    (WORK / "app.ico").write_bytes(ICON)
    outputs, passed = {}, True
    server = WINE.replace("wine64", "wineserver")
    try:
        # The prefix is made first and its server kept running, so that no row's Windows tool
        # starts while the server is still setting the prefix up or is shutting down.
        run([WINE, "wineboot", "-i"], "wineboot.log")
        run([server, "-w"], "wineserver.log")
        run([server, "-p"], "wineserver.log")
        for r in ROWS:
            if parts and not any(p in r["name"] for p in parts):
                continue
            source = outputs.get(r["source"]) or DIST / r["source"]
            made, problems = brand_both(r["options"], source, r["out"], r["name"])
            if not problems:
                problems = check(r, made, source)
                outputs[r["name"]] = made[0]
                print(f"     {r['name']}: {source.stat().st_size} -> {made[0].stat().st_size} bytes"
                      f" (icon file {len(ICON)} bytes)")
            passed &= report(r["name"], problems)
        if not parts or any(p in "refuses_itself" for p in parts):
            passed &= report("refuses_itself", refuses_itself())
    finally:
        run([server, "-k"], "wineserver.log")
    if not parts:
        passed &= run_launcher_rows()
    print("brand: all rows passed" if passed else "brand: FAILED")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
