#!/usr/bin/env python3
"""The doctor writing to a console: under Wine, a program whose output is a
terminal gets a console, and the doctor must write to it with WriteConsoleW, so a
path in any script shows as it is. Written as UTF-8 bytes with WriteFile, the same
text would be read in the console's code page and come out garbled.

Wine's console keeps one UTF-16 unit a screen cell, so a character outside the
Basic Multilingual Plane comes out as two replacement characters there (Windows
shows it); the folder's name keeps to the plane.

usage: doctor_console_test.py BINARIES WORK WINEPREFIX
"""
import os
import pty
import re
import shutil
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from wine_paths import WINE_LOADER  # noqa: E402

binaries, work, prefix = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
folder = work / "Drücker für PDF 印刷"
shutil.rmtree(work, ignore_errors=True)
folder.mkdir(parents=True)
for name in ("pdf-printer-setup.exe", "pdf-printer-doctor.exe"):
    shutil.copy2(binaries / name, folder)
shutil.copy2(binaries / "stand-in" / "complete" / "cdintf400.dll", folder)

environment = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", LC_ALL="C.UTF-8")
pid, terminal = pty.fork()
if pid == 0:
    os.chdir(folder)
    os.execve(WINE_LOADER, ["wine64", "pdf-printer-doctor.exe"], environment)
output = b""
while True:
    try:
        chunk = os.read(terminal, 4096)
    except OSError:  # the terminal closes when the doctor ends
        break
    if not chunk:
        break
    output += chunk
_, status = os.waitpid(pid, 0)

# The console's own control sequences and line breaks (it wraps at 80 columns) out.
text = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", output).replace(b"\r", b"").replace(b"\n", b"")
expected = ("library: Z:" + str(folder / "cdintf400.dll").replace("/", "\\")).encode()
if os.waitstatus_to_exitcode(status) != 0 or expected not in text:
    sys.exit(f"expected {expected.decode()!r} on the console, got {output!r}")
print("the console shows", expected.decode())
