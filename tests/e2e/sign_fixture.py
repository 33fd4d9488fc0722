"""Throwaway keys for tavrin-pack's signing rows, offline and afresh for each run: a root CA
issuing (openssl ca) a code-signing certificate, an expired one, one not valid yet, a weak
one (RSA 1024, SHA-1, expiring in days), a TLS-only one for the same key, a vendor's and a
time-stamping authority's; the key in a PKCS#12 file and a SoftHSM token; time-stamping
servers on 127.0.0.1: a good one (openssl ts -reply), one answering HTTP 500, one answering
garbage, one that never answers, and closed ports; the fixture's JRE with a vendor-signed
jvm.dll; apps (main.jar beside DLLs) whose DLLs' signatures are broken, expired, or whose PE
files and scripts have other names. SIGN_PASSWORD and SIGN_PIN hold the secrets."""

import contextlib
import http.server
import os
import struct
import shutil
import socket
import subprocess
import threading
import zipfile

PASSWORD, PIN = "Pw-7fq2-unguessable", "80417263"
TOKEN_KEY = "pkcs11:token=tavrin-test;object=signer;type=private"
SOFTHSM = "/usr/lib/softhsm/libsofthsm2.so"
CONFIG = """[ca]
default_ca = local
[local]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
[any]
commonName = supplied
[code]
extendedKeyUsage = codeSigning
[tls]
extendedKeyUsage = serverAuth
[tsa]
extendedKeyUsage = critical,timeStamping
[stamps]
serial = stamp-serial
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
"""


class Stalls(http.server.BaseHTTPRequestHandler):
    """HTTP 500 or garbage for every request, as the server's mode says."""
    def do_POST(self):
        self.rfile.read(int(self.headers["Content-Length"]))
        self.send_response(500 if self.server.mode == "500" else 200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.end_headers()
        with contextlib.suppress(OSError):  # osslsigncode may hang up after the status
            self.wfile.write(b"not a time stamp")

    def log_message(self, *args):
        pass


SILENT = []  # listening sockets never accepted from: connections wait for an answer forever


def serve(handler, **attributes):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.__dict__.update(attributes)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_port}/"


def pe_section_byte(path):
    """Flips a byte of the first section's code, after signing."""
    data = bytearray(path.read_bytes())
    pe = struct.unpack_from("<I", data, 60)[0]
    sections = pe + 24 + struct.unpack_from("<H", data, pe + 20)[0]
    data[struct.unpack_from("<I", data, sections + 20)[0] + 100] ^= 0xFF
    path.write_bytes(data)


def zero_signature(path):
    """Zeroes the PKCS#7 in the certificate table, keeping its header."""
    data = bytearray(path.read_bytes())
    pe = struct.unpack_from("<I", data, 60)[0]
    entry = pe + 24 + (112 if struct.unpack_from("<H", data, pe + 24)[0] == 0x20B else 96) + 32
    at, size = struct.unpack_from("<II", data, entry)
    data[at + 8:at + size] = bytes(size - 8)
    path.write_bytes(data)


def build(folder, jre_zip, main_jar):
    """Makes it all in folder; returns pack.py's placeholders: {S} the folder, {runtime} the
    vendor's runtime, {tsa} the server, {dead} and {dead2} closed ports, {http500},
    {garbage} and {silent} the failing servers. The apps: {S}/apps/tampered (a DLL changed
    after signing), unreadable (its signature zeroed), old (expired.dll signed by the expired
    certificate without a time stamp, stamped.dll with one of its valid time), kinds (PE
    files of other names, scripts, a jar holding an unsigned DLL), notes (all of those
    broken), inject (a DLL whose name runs a command in a shell)."""
    def run(*argv, **kw):
        return subprocess.run([str(a) for a in argv], cwd=folder, check=True,
                              capture_output=True, **kw).stdout

    def issue(name, subject, usage, *dates, key=None, bits=2048, md="sha256"):
        new = ["-key", f"{key}.key"] if key else ["-newkey", f"rsa:{bits}", "-nodes", "-keyout",
                                                  f"{name}.key"]
        run("openssl", "req", "-new", *new, "-out", "csr", "-subj", f"/CN={subject}")
        run("openssl", "ca", "-batch", "-config", "ca.cnf", "-extensions", usage, "-md", md,
            "-cert", "ca.pem", "-keyfile", "ca.key", "-in", "csr", "-out", f"{name}.pem", "-notext",
            *(dates or ("-days", "365")))
        (folder / f"{name}-chain.pem").write_bytes((folder / f"{name}.pem").read_bytes() +
                                                   (folder / "ca.pem").read_bytes())

    shutil.rmtree(folder, ignore_errors=True)
    (folder / "tokens").mkdir(parents=True)
    for name, text in [("ca.cnf", CONFIG), ("index.txt", ""), ("serial", "01\n"),
                       ("password", PASSWORD), ("softhsm2.conf", f"directories.tokendir = "
                                                                f"{folder}/tokens\n")]:
        (folder / name).write_text(text)
    os.environ.update(SOFTHSM2_CONF=str(folder / "softhsm2.conf"), SIGN_PASSWORD=PASSWORD,
                      SIGN_PIN=PIN)
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
        "ca.pem", "-days", "3650", "-subj", "/CN=tavrin test root")
    issue("signer", "tavrin test signer", "code")
    issue("expired", "tavrin expired signer", "code", "-startdate", "20200101000000Z",
          "-enddate", "20210101000000Z")
    issue("future", "tavrin future signer", "code", "-startdate", "20990101000000Z",
          "-enddate", "20991231000000Z")
    issue("weak", "tavrin weak signer", "code", "-days", "10", bits=1024, md="sha1")
    issue("tls", "tavrin TLS server", "tls", key="signer")
    issue("vendor", "Example Vendor", "code")
    issue("tsa", "tavrin test TSA", "tsa")
    issue("tsa-2020", "tavrin TSA of 2020", "tsa", "-startdate", "20190101000000Z", "-enddate",
          "20300101000000Z")
    for name in ("signer", "expired", "future", "weak"):
        run("openssl", "pkcs12", "-export", "-in", f"{name}-chain.pem", "-inkey", f"{name}.key",
            "-out", f"{name}.p12", "-passout", "file:password")
    run("openssl", "pkcs8", "-topk8", "-nocrypt", "-in", "signer.key", "-out", "signer.p8")
    run("softhsm2-util", "--init-token", "--free", "--label", "tavrin-test", "--pin", PIN,
        "--so-pin", PIN)
    run("softhsm2-util", "--import", "signer.p8", "--token", "tavrin-test", "--label", "signer",
        "--id", "01", "--pin", PIN)
    zipfile.ZipFile(jre_zip).extractall(folder / "jre")
    jvm = next((folder / "jre").iterdir()) / "bin/server/jvm.dll"

    def signed(by, out, *stamp):
        run("osslsigncode", "sign", "-certs", f"{by}-chain.pem", "-key", f"{by}.key", "-h",
            "sha256", "-in", jvm, "-out", "signed.dll")
        if stamp:  # by osslsigncode's own authority, at a time the signer's certificate held
            run("osslsigncode", "add", "-TSA-certs", "tsa-2020-chain.pem", "-TSA-key",
                "tsa-2020.key", "-TSA-time", *stamp, "-in", "signed.dll", "-out", "stamped.dll")
            shutil.move(folder / "stamped.dll", folder / "signed.dll")
        out.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(main_jar, out.parent / "main.jar")
        shutil.move(folder / "signed.dll", out)
        return out

    apps = folder / "apps"
    pe_section_byte(signed("vendor", apps / "tampered/tampered.dll"))
    zero_signature(signed("vendor", apps / "unreadable/unreadable.dll"))
    signed("expired", apps / "old/expired.dll")
    signed("expired", apps / "old/stamped.dll", "1590000000")
    for app, names in (("kinds", ["plugin.node", "mod.pyd", "ctl.ocx", "panel.cpl",
                                  "driver.sys", "thing.scr"]),
                       ("inject", ["x$(touch INJECTED).dll"])):
        (apps / app).mkdir()
        shutil.copyfile(main_jar, apps / app / "main.jar")
        for name in names:
            shutil.copyfile(jvm, apps / app / name)
    (apps / "kinds/run.ps1").write_text("Write-Output 1\n")
    (apps / "kinds/setup.bat").write_text("@echo off\n")
    with zipfile.ZipFile(apps / "kinds/native.jar", "w") as jar:
        jar.write(jvm, "win32-x86-64/jnidispatch.dll")
    shutil.copytree(apps / "kinds", apps / "notes")
    for app in ("tampered", "unreadable", "old"):
        for dll in (apps / app).glob("*.dll"):
            shutil.copyfile(dll, apps / "notes" / dll.name)
    run("osslsigncode", "sign", "-certs", "vendor-chain.pem", "-key", "vendor.key", "-h",
        "sha256", "-in", jvm, "-out", "vendor.dll")
    shutil.move(folder / "vendor.dll", jvm)

    class Stamps(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            body = run("openssl", "ts", "-reply", "-config", "ca.cnf", "-section", "stamps",
                       "-queryfile", "/dev/stdin", "-signer", "tsa.pem", "-inkey", "tsa.key",
                       "-out", "/dev/stdout",
                       input=self.rfile.read(int(self.headers["Content-Length"])))
            self.send_response(200)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(64)
    SILENT.append(silent)
    ports = [socket.socket() for _ in range(2)]  # bound at once, so two, then closed
    closed = [f"http://127.0.0.1:{p.bind(('127.0.0.1', 0)) or p.getsockname()[1]}/" for p in ports]
    for port in ports:
        port.close()
    return {"{S}": str(folder), "{runtime}": str(jvm.parents[2]),
            "{tsa}": serve(Stamps), "{dead}": closed[0], "{dead2}": closed[1],
            "{http500}": serve(Stalls, mode="500"), "{garbage}": serve(Stalls, mode="garbage"),
            "{silent}": f"http://127.0.0.1:{silent.getsockname()[1]}/"}
