"""Throwaway keys for tavrin-pack's signing rows, all offline, made afresh for each run.

A root CA made with `openssl req -x509` issues, through `openssl ca`, the signer's
code-signing certificate, an expired one, a TLS-only one, a vendor's, and a time-stamping
authority's. The signer's key is also in a PKCS#12 file and in a SoftHSM token (its
configuration in the fixture's own folder, SOFTHSM2_CONF set for pack). A local RFC 3161
server on 127.0.0.1 answers POSTs through `openssl ts -reply`; a closed port stands for a
dead one. A runtime whose jvm.dll the vendor signed stands for a vendor's JRE.

The password and the PIN are in SIGN_PASSWORD and SIGN_PIN of this process's environment.
"""

import http.server
import os
import shutil
import socket
import subprocess
import tempfile
import threading
import zipfile
from pathlib import Path

PASSWORD, PIN = "Pw-7fq2-unguessable", "80417263"
TOKEN_KEY = "pkcs11:token=tavrin-test;object=signer;type=private"
SOFTHSM = "/usr/lib/softhsm/libsofthsm2.so"
CA_CONFIG = """[ca]
default_ca = local
[local]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
[code]
extendedKeyUsage = codeSigning
[tls]
extendedKeyUsage = serverAuth
[tsa]
extendedKeyUsage = critical,timeStamping
[tsa_config]
serial = tsa-serial
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
certs = ca.pem
"""


def run(folder, *argv):
    subprocess.run([str(a) for a in argv], cwd=folder, check=True, capture_output=True)


def issue(folder, name, subject, extensions, *dates, key=None):
    """name.pem and name-chain.pem, issued by the CA for key.key, or a new name.key; dates:
    -startdate and -enddate, or -days."""
    made = ["-key", f"{key}.key"] if key else ["-newkey", "rsa:2048", "-nodes", "-keyout",
                                                f"{name}.key"]
    run(folder, "openssl", "req", "-new", *made, "-out", f"{name}.csr", "-subj", f"/CN={subject}")
    run(folder, "openssl", "ca", "-batch", "-config", "ca.cnf", "-extensions", extensions,
        "-cert", "ca.pem", "-keyfile", "ca.key", "-in", f"{name}.csr", "-out", f"{name}.pem",
        "-notext", *(dates or ("-days", "30")))
    (folder / f"{name}-chain.pem").write_bytes((folder / f"{name}.pem").read_bytes() +
                                               (folder / "ca.pem").read_bytes())


def tsa_server(folder):
    """Serves time stamps on a free port of 127.0.0.1; returns its URL."""
    class Tsa(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            with tempfile.TemporaryDirectory() as work:
                query, reply = Path(work) / "query", Path(work) / "reply"
                query.write_bytes(self.rfile.read(int(self.headers["Content-Length"])))
                run(folder, "openssl", "ts", "-reply", "-config", "ca.cnf", "-section",
                    "tsa_config", "-queryfile", query, "-signer", "tsa.pem", "-inkey",
                    "tsa.key", "-out", reply)
                body = reply.read_bytes()
            self.send_response(200)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Tsa)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_port}/"


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return f"http://127.0.0.1:{s.getsockname()[1]}/"


def build(folder, jre_zip):
    """Makes the keys, the token, the vendor's runtime and the servers in folder; returns the
    placeholders of pack.py's rows: {S} the folder, {tsa} the server, {dead} and {dead2}
    closed ports."""
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    (folder / "ca.cnf").write_text(CA_CONFIG)
    (folder / "index.txt").write_text("")
    (folder / "serial").write_text("01\n")
    (folder / "password").write_text(PASSWORD)
    run(folder, "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
        "-out", "ca.pem", "-days", "30", "-subj", "/CN=tavrin test root")
    issue(folder, "signer", "tavrin test signer", "code")
    issue(folder, "expired", "tavrin expired signer", "code", "-startdate", "20200101000000Z",
          "-enddate", "20210101000000Z")
    issue(folder, "tls", "tavrin TLS server", "tls", key="signer")
    issue(folder, "vendor", "Example Vendor", "code")
    issue(folder, "tsa", "tavrin test TSA", "tsa")
    for name in ("signer", "expired"):
        run(folder, "openssl", "pkcs12", "-export", "-in", f"{name}-chain.pem", "-inkey",
            f"{name}.key", "-out", f"{name}.p12", "-passout", "file:password")
    (folder / "tokens").mkdir()
    (folder / "softhsm2.conf").write_text(f"directories.tokendir = {folder / 'tokens'}\n"
                                          "objectstore.backend = file\nlog.level = ERROR\n")
    os.environ.update(SOFTHSM2_CONF=str(folder / "softhsm2.conf"), SIGN_PASSWORD=PASSWORD,
                      SIGN_PIN=PIN)
    run(folder, "openssl", "pkcs8", "-topk8", "-nocrypt", "-in", "signer.key", "-out",
        "signer.p8")
    run(folder, "softhsm2-util", "--init-token", "--free", "--label", "tavrin-test", "--pin", PIN,
        "--so-pin", PIN)
    run(folder, "softhsm2-util", "--import", "signer.p8", "--token", "tavrin-test", "--label",
        "signer", "--id", "01", "--pin", PIN)
    with zipfile.ZipFile(jre_zip) as z:
        z.extractall(folder / "jre")
    runtime = next((folder / "jre").iterdir())
    jvm = runtime / "bin/server/jvm.dll"
    run(folder, "osslsigncode", "sign", "-certs", "vendor-chain.pem", "-key", "vendor.key",
        "-h", "sha256", "-in", jvm, "-out", folder / "jvm-vendor.dll")
    shutil.move(folder / "jvm-vendor.dll", jvm)
    return {"{S}": str(folder), "{runtime}": str(runtime), "{tsa}": tsa_server(folder),
            "{dead}": closed_port(), "{dead2}": closed_port()}
