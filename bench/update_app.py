#!/usr/bin/env python3
"""A self-updating app for the start-up benchmarks of run.py: Hello 1.0 packed with
--update-url, and an app-only 1.1 beside it, served by the loopback server of the update rows
(tests/e2e/release_server.py), stalled or not."""

import shutil
import sys
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.append(str(ROOT / "tests/e2e"))
from release_server import keys, release, serve  # noqa: E402, F401

WORK = ROOT / "build/bench/update"
PORT = 8766


def releases():
    """Packs 1.0 and 1.1 of Hello, the second changing only the app's files; returns their
    folders."""
    shutil.rmtree(WORK, ignore_errors=True)
    WORK.mkdir(parents=True)
    keys(WORK, "a")
    return release(WORK, PORT, "r10", "1.0", "a"), release(WORK, PORT, "r11", "1.1", "a")


def install(folder, into, checked):
    """Unpacks the release's zip into the folder into; with checked, a check has just
    finished, so that none is due. Returns the launcher's path below into."""
    with zipfile.ZipFile(next(folder.glob("*.zip"))) as z:
        z.extractall(into)
    if checked:
        (into / "Hello/tavrin-update").mkdir()
        (into / "Hello/tavrin-update/checked").write_bytes(b"")
    return "Hello\\Hello.exe"


def image_bytes(folder):
    """The bytes of every file a release's feed names, and of its zip."""
    feed = next(folder.glob("*.feed")).read_text().splitlines()
    return (sum(int(line.split()[1]) for line in feed if line.startswith("file ")),
            next(folder.glob("*.zip")).stat().st_size)
