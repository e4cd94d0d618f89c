#!/usr/bin/env python3
"""No program we ship runs a DLL planted beside it.

Windows looks for a DLL that is not one of its KnownDLLs in the program's own
folder first. For each program, a DLL that leaves a marker when it starts is put
beside it under the name of every DLL the program imports that is not a KnownDLL
(read from its import table now, so a new import is covered the day it is added)
and of the system DLLs programs commonly load by name. Wine is told to prefer them,
as Windows would (WINEDLLOVERRIDES=NAME=n,b). Each program must then leave no
marker and do exactly what it did without them: the tool the same exit status,
silence and journal; the doctor the same exit status and report.

usage: test_planted_dlls.py BINARIES PLANTED_DLL WORK WINEPREFIX
"""
import json
import os
import shutil
import struct
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from wine_paths import WINE_LOADER  # noqa: E402

# HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs on Windows 10 and
# 11, with ntdll.dll and kernelbase.dll, which the loader maps from the system
# folder in any case. These never come from a program's folder.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "kernelbase.dll",
    "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ntdll.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll",
    "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}

# System DLLs that programs like ours load by name, statically or at run time.
COMMONLY_LOADED = [
    "version.dll", "winspool.drv", "userenv.dll", "dbghelp.dll", "secur32.dll", "wintrust.dll",
    "crypt32.dll", "uxtheme.dll", "dwmapi.dll", "propsys.dll", "profapi.dll", "wtsapi32.dll",
    "netapi32.dll", "iphlpapi.dll", "winhttp.dll", "wininet.dll", "cabinet.dll", "msi.dll",
    "mpr.dll", "bcrypt.dll", "ncrypt.dll", "cryptsp.dll", "dnsapi.dll", "winmm.dll",
]


def imported_dlls(program):
    """The DLLs in a PE32+ file's import and delay-load tables."""
    data = program.read_bytes()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    section_count, = struct.unpack_from("<H", data, header + 6)
    optional_size, = struct.unpack_from("<H", data, header + 20)
    optional = header + 24
    assert struct.unpack_from("<H", data, optional)[0] == 0x20B, "not a PE32+ file"
    sections = [struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
                for i in range(section_count)]

    def offset(rva):
        for size, address, raw_size, raw in sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"address {rva:#x} is in no section")

    def name_at(rva):
        start = offset(rva)
        return data[start:data.index(b"\0", start)].decode("ascii").lower()

    names = []
    # Data directory 1 is the import table (20-byte entries, name at 12); 13 is the
    # delay-load table (32-byte entries, name at 4).
    for directory, entry_size, name_field in ((1, 20, 12), (13, 32, 4)):
        rva, size = struct.unpack_from("<II", data, optional + 112 + 8 * directory)
        if rva == 0 or size == 0:
            continue
        entry = offset(rva)
        while any(data[entry:entry + entry_size]):
            names.append(name_at(struct.unpack_from("<I", data, entry + name_field)[0]))
            entry += entry_size
    return names


def override_name(dll):
    # Wine names a module without its extension when that is .dll.
    return dll[:-4] if dll.endswith(".dll") else dll


class Staging:
    def __init__(self, binaries, work, prefix):
        self.binaries, self.work = binaries, work
        self.environment = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
                                LC_ALL="C.UTF-8")
        self.environment.pop("WINEDLLOVERRIDES", None)

    def folder(self, program):
        folder = self.work / Path(program).stem
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        for name in ("pdf-printer-setup.exe", "pdf-printer-doctor.exe"):
            shutil.copy2(self.binaries / name, folder)
        shutil.copy2(self.binaries / "stand-in" / "complete" / "cdintf400.dll", folder)
        return folder

    def run(self, folder, command, overrides=()):
        """Exit status, standard output, standard error and the stand-in's journal."""
        journal = folder / "journal.txt"
        journal.unlink(missing_ok=True)
        environment = dict(self.environment,
                           CDINTF400_JOURNAL="Z:" + str(journal).replace("/", "\\"))
        if overrides:
            environment["WINEDLLOVERRIDES"] = ",".join(overrides) + "=n,b"
        result = subprocess.run([WINE_LOADER] + command, cwd=folder, env=environment,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
        lines = journal.read_text().splitlines() if journal.exists() else []
        return result.returncode, result.stdout.decode(), result.stderr.decode(), lines


def check_program(staging, planted_dll, program, runs):
    """Plants every name beside |program| and compares |runs| with and without."""
    folder = staging.folder(program)
    imports = imported_dlls(folder / program)
    names = sorted({dll for dll in imports if dll not in KNOWN_DLLS} | set(COMMONLY_LOADED))
    print(f"{program}: imports {', '.join(imports)}; planting {len(names)} names")
    before = [staging.run(folder, [program] + arguments) for arguments in runs]
    for name in names:
        shutil.copy2(planted_dll, folder / name)
    after = [staging.run(folder, [program] + arguments, map(override_name, names))
             for arguments in runs]

    failures = []
    ran = sorted(marker.name[:-4] for marker in folder.glob("*.ran"))
    if ran:
        failures.append(f"{program} ran the planted {', '.join(ran)}")
    for arguments, plain, planted in zip(runs, before, after):
        if plain != planted:
            failures.append(f"{program} {' '.join(arguments)} behaved differently with DLLs "
                            f"planted:\n  without: {plain}\n  with:    {planted}")
    return failures, before


def main():
    binaries, planted_dll, work, prefix = (Path(sys.argv[1]), Path(sys.argv[2]),
                                           Path(sys.argv[3]), sys.argv[4])
    staging = Staging(binaries, work, prefix)
    failures = []

    tool_failures, tool_runs = check_program(staging, planted_dll, "pdf-printer-setup.exe",
                                             [[], ["-u"]])
    failures += tool_failures
    for status, output, error, journal in tool_runs:
        if status != 0 or output or error or not journal:
            failures.append(f"the tool's own run is not a quiet success: {status} {journal}")

    doctor_failures, doctor_runs = check_program(
        staging, planted_dll, "pdf-printer-doctor.exe",
        [["--json"], ["--json", "-u"], ["--run", "--json"], ["--run", "--json", "-u"]])
    failures += doctor_failures
    for status, output, error, journal in doctor_runs:
        report = json.loads(output)  # a complete report, one JSON object
        if status != 0 or "verdict" not in report or report["file_version"] is None:
            failures.append(f"the doctor's own report is not complete: {output}")

    for failure in failures:
        print("FAILED:", failure)
    if failures:
        sys.exit(1)
    shutil.rmtree(work, ignore_errors=True)
    print("no planted DLL ran")


main()
