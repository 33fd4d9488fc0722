"""Throwaway keys for tavrin-pack's signing rows, offline and afresh for each run: a root CA
issuing (openssl ca) a code-signing certificate, an expired one, a TLS-only one for the same
key, a vendor's and a time-stamping authority's; the key in a PKCS#12 file and a SoftHSM
token; a time-stamping server on 127.0.0.1 (openssl ts -reply) and closed ports; the
fixture's JRE with a vendor-signed jvm.dll. SIGN_PASSWORD and SIGN_PIN hold the secrets."""

import http.server
import os
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


def build(folder, jre_zip):
    """Makes it all in folder; returns pack.py's placeholders: {S} the folder, {runtime} the
    vendor's runtime, {tsa} the server, {dead} and {dead2} closed ports."""
    def run(*argv, **kw):
        return subprocess.run([str(a) for a in argv], cwd=folder, check=True,
                              capture_output=True, **kw).stdout

    def issue(name, subject, usage, *dates, key=None):
        new = ["-key", f"{key}.key"] if key else ["-newkey", "rsa:2048", "-nodes", "-keyout",
                                                  f"{name}.key"]
        run("openssl", "req", "-new", *new, "-out", "csr", "-subj", f"/CN={subject}")
        run("openssl", "ca", "-batch", "-config", "ca.cnf", "-extensions", usage, "-cert",
            "ca.pem", "-keyfile", "ca.key", "-in", "csr", "-out", f"{name}.pem", "-notext",
            *(dates or ("-days", "30")))
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
        "ca.pem", "-days", "30", "-subj", "/CN=tavrin test root")
    issue("signer", "tavrin test signer", "code")
    issue("expired", "tavrin expired signer", "code", "-startdate", "20200101000000Z",
          "-enddate", "20210101000000Z")
    issue("tls", "tavrin TLS server", "tls", key="signer")
    issue("vendor", "Example Vendor", "code")
    issue("tsa", "tavrin test TSA", "tsa")
    for name in ("signer", "expired"):
        run("openssl", "pkcs12", "-export", "-in", f"{name}-chain.pem", "-inkey", f"{name}.key",
            "-out", f"{name}.p12", "-passout", "file:password")
    run("openssl", "pkcs8", "-topk8", "-nocrypt", "-in", "signer.key", "-out", "signer.p8")
    run("softhsm2-util", "--init-token", "--free", "--label", "tavrin-test", "--pin", PIN,
        "--so-pin", PIN)
    run("softhsm2-util", "--import", "signer.p8", "--token", "tavrin-test", "--label", "signer",
        "--id", "01", "--pin", PIN)
    zipfile.ZipFile(jre_zip).extractall(folder / "jre")
    jvm = next((folder / "jre").iterdir()) / "bin/server/jvm.dll"
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

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Stamps)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    ports = [socket.socket() for _ in range(2)]  # bound at once, so two, then closed
    closed = [f"http://127.0.0.1:{p.bind(('127.0.0.1', 0)) or p.getsockname()[1]}/" for p in ports]
    for port in ports:
        port.close()
    return {"{S}": str(folder), "{runtime}": str(jvm.parents[2]),
            "{tsa}": f"http://127.0.0.1:{server.server_port}/", "{dead}": closed[0],
            "{dead2}": closed[1]}
