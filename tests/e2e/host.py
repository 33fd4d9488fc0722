"""What this host can run, decided once per run by a real attempt, never from a launcher row."""

import errno
import subprocess

WINE32_LOADER = "/usr/lib/wine/wine"


def x86_unavailable():
    """None when this host runs 32-bit programs; otherwise why not, in one line.

    Wine runs 32-bit Windows programs only through its 32-bit loader, an i386 ELF program.
    A kernel built or booted without IA-32 emulation refuses to execute it at all ("Exec
    format error"), and only that is a reason to skip: a loader that is missing or fails in
    any other way is a broken setup, and the x86 rows then run and fail where it shows.
    """
    try:
        subprocess.run([WINE32_LOADER, "--version"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    except OSError as e:
        if e.errno == errno.ENOEXEC:
            return (f"this host's kernel cannot execute 32-bit programs (no IA-32 emulation): "
                    f"Wine's 32-bit loader {WINE32_LOADER} fails with 'Exec format error'")
    return None
