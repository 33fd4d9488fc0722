"""The releases that self-updating rows and benchmarks serve: Hello packed by tavrin-pack
with the fake Windows runtime of pack_fixture.py, and a loopback HTTP server of their own
that can stall, corrupt or break off what it sends, and counts the bytes it sends."""

import http.server
import shutil
import subprocess
import threading
from pathlib import Path

from pack_fixture import fixture

ROOT = Path(__file__).resolve().parents[2]
PACK = ROOT / "dist/linux-x64/tavrin-pack"


def keys(work, names):
    """An ECDSA P-256 key pair work/NAME.pem, work/NAME.pub for each name."""
    for name in names:
        subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out",
                        work / f"{name}.pem"], check=True, capture_output=True)
        subprocess.run(["openssl", "ec", "-in", work / f"{name}.pem", "-pubout", "-out",
                        work / f"{name}.pub"], check=True, capture_output=True)


def serve(port):
    """A running server; its folder, mode, sent and requests are set between uses."""
    server = Server(("127.0.0.1", port), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Server(http.server.ThreadingHTTPServer):
    """Serves self.folder; mode "stall" holds every answer until self.release is set,
    "corrupt" flips a byte of each file of files/, "break" sends half of the first file of
    files/ that has more than 100 bytes and then closes the connection."""
    daemon_threads = True
    folder, mode, sent, requests = None, "", 0, []
    release = threading.Event()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        s = self.server
        s.requests.append(self.path)
        if s.mode == "stall":
            s.release.wait(120)
        path = s.folder / self.path.lstrip("/").split("/", 1)[-1]
        if not path.is_file():
            self.send_error(404)
            return
        body = path.read_bytes()
        broken = s.mode == "break" and "/files/" in self.path and len(body) > 100
        if s.mode == "corrupt" and "/files/" in self.path:
            body = bytes([body[0] ^ 1]) + body[1:]
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        body = body[:len(body) // 2] if broken else body
        try:
            self.wfile.write(body)
        except ConnectionError:  # the update program gave up
            return
        s.sent += len(body)
        if broken:
            s.mode = ""  # once
            self.close_connection = True

    def log_message(self, *args):
        pass


def release(work, port, name, version, key, *extra, runtime=None, kind="zip", trust=()):
    """Packs a release of Hello into work/releases/name, served at port, signed with
    work/KEY.pem and trusting work/T.pub for each T of trust; its app folder differs by
    version (notes.txt names it)."""
    dest, app = work / "releases" / name, work / "input" / version
    if not app.exists():
        app.mkdir(parents=True)
        shutil.copy(ROOT / "examples/hello/lib/hello.jar", app)
        (app / "notes.txt").write_text(f"Hello {version}\n")
    args = [PACK, "--name", "Hello", "--input", app, "--main-jar", "hello.jar", "--main-class",
            "demo.Hello", "--runtime-image", runtime or fixture() / "jre-17.0.15_windows-x64.zip",
            "--vendor", "Acme", "--app-version", version, "--type", kind, "--update-url",
            f"http://127.0.0.1:{port}/rel", "--update-key", work / f"{key}.pem", "--dest", dest,
            *[a for t in trust for a in ("--update-trust", work / f"{t}.pub")], *extra]
    subprocess.run([str(a) for a in args], check=True, stdout=subprocess.DEVNULL)
    return dest


