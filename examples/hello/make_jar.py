#!/usr/bin/env python3
"""Builds lib/hello.jar beside this script from src/: the classes compiled for Java 8 and
every entry stamped with the same time, so that the same JDK gives the same bytes.
Run it after changing src/: python3 examples/hello/make_jar.py
"""

import subprocess
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
STAMP = "2026-01-01T00:00:00Z"


def main():
    sources = sorted(str(p) for p in (HERE / "src").rglob("*.java"))
    with tempfile.TemporaryDirectory() as classes:
        subprocess.run(["javac", "--release", "8", "-d", classes, *sources], check=True)
        jar = HERE / "lib" / "hello.jar"
        jar.unlink(missing_ok=True)
        subprocess.run(["jar", "--create", "--file", str(jar), f"--date={STAMP}",
                        "-C", classes, "."], check=True)


if __name__ == "__main__":
    main()
