"""What this host can run, decided once per run by a real attempt, never from a launcher row."""

import errno
import pathlib
import subprocess

WINE32_LOADER = "/usr/lib/wine/wine"
SETUP_NOTE = pathlib.Path(__file__).resolve().parents[2] / "build/wine32-missing.txt"


def x86_unavailable():
    """None when this host runs 32-bit programs; otherwise why not, in one line.

    Wine runs 32-bit Windows programs only through its 32-bit loader, an i386 ELF program.
    A kernel built or booted without IA-32 emulation refuses to execute it at all ("Exec
    format error"). scripts/setup may also have failed to install Wine's 32-bit side (its i386
    packages out of step with the amd64 ones on a mirror in sync), and says why in a note: that
    too is a reason to skip. A loader that fails in any other way is a broken setup, and the
    x86 rows then run and fail where it shows.
    """
    if SETUP_NOTE.exists() and not pathlib.Path(WINE32_LOADER).exists():
        return f"Wine's 32-bit side is not installed ({SETUP_NOTE.read_text().strip()})"
    try:
        subprocess.run([WINE32_LOADER, "--version"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    except OSError as e:
        if e.errno == errno.ENOEXEC:
            return (f"this host's kernel cannot execute 32-bit programs (no IA-32 emulation): "
                    f"Wine's 32-bit loader {WINE32_LOADER} fails with 'Exec format error'")
    return None
