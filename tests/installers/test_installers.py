#!/usr/bin/env python3
"""The installer recipes in examples/, built from the freshly built exe and the
stand-in libraries and driven silently by their real engines under Wine, each
engine in a Wine prefix of its own: Windows Installer, NSIS and cmd.

usage: test_installers.py BINARIES WORK VERSION [unittest arguments, e.g. MsiRecipe -v]
  BINARIES  the Windows build's bin folder: the exe, and stand-in/VARIANT/cdintf400.dll
  WORK      a scratch folder, emptied first
  VERSION   the version the packages are built with
"""
import json
import os
import re
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
EXAMPLES = SOURCE / "examples"
sys.path.insert(0, str(SOURCE / "tests"))
from wine_paths import WINE_LOADER as WINE  # noqa: E402
SESSION = SOURCE / "cmake" / "wine-session"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"

START = "start Korvane Internal PDF Converter"
END = "end 0x5a17c0de00000000"
RELEASE = "release FreeLibrary"

binaries = work = version = None  # from the command line


PRINTER = "Korvane Internal PDF Converter"
# The stand-in the packages ship: it really adds its printer, and deletes it again.
PACKAGED = "printer"


def run_of(variant, removal=False):
    """What the stand-in journals for one run of the tool."""
    adds = variant == "printer"
    return (["load " + variant, START] + (["add-printer ok"] if adds else []) +
            ([END] + (["delete-printer ok"] if adds else []) if removal else []) + [RELEASE])


def check_of(variant):
    """What the stand-in journals for the doctor's check: a load and a release,
    never a call."""
    return ["load " + variant, RELEASE]


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def stage(folder, variant):
    """A folder with the tool, the doctor and a stand-in library, as a package is
    built from. Variant None leaves the library out."""
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy2(binaries / "pdf-printer-setup.exe", folder)
    shutil.copy2(binaries / "pdf-printer-doctor.exe", folder)
    library = folder / "cdintf400.dll"
    if variant is None:
        library.unlink(missing_ok=True)
    else:
        shutil.copy2(binaries / "stand-in" / variant / "cdintf400.dll", folder)
    return folder


class Prefix:
    """A Wine prefix of one engine's own, with one wineserver for all its runs.

    The stand-in's journal variable is set machine-wide: msiexec runs deferred
    custom actions in its service process, which does not inherit the caller's
    environment, and Wine's services read the machine's when they start."""

    def __init__(self, folder):
        self.folder = folder
        self.journal = folder / "journal.txt"
        self.environment = {key: value for key, value in os.environ.items()
                            if key != "CDINTF400_JOURNAL"}
        self.environment.update(WINEPREFIX=str(folder / "prefix"), WINEDEBUG="-all",
                                LC_ALL="C.UTF-8")
        self.runs = 0

    def start(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        self.folder.mkdir(parents=True)
        self._session("start")
        code, output = self.wine("reg", "add",
                                 r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment",
                                 "/v", "CDINTF400_JOURNAL", "/d", windows_path(self.journal), "/f")
        if code != 0:
            raise RuntimeError("cannot set the journal variable: " + output)
        self._session("start")  # restarts the wineserver and Wine's services
        # The driver the printer stand-in asks for, which a fresh prefix lacks.
        code, output = self.wine(windows_path(binaries / "printing_control.exe"), "add-driver",
                                 "Microsoft Print To PDF",
                                 windows_path(SOURCE / "tests" / "printing" / "stand-in.ppd"))
        if code != 0:
            raise RuntimeError("cannot add the printer driver: " + output)

    def printer_exists(self):
        """Whether the prefix has the printer the tool asks the library for."""
        return self.wine(windows_path(binaries / "printing_control.exe"), "printer-exists",
                         PRINTER)[0] == 0

    def stop(self):
        self._session("stop")

    def _session(self, action):
        subprocess.run([str(SESSION), action, self.environment["WINEPREFIX"]],
                       env=self.environment, check=True)

    def wine(self, *arguments, debug="-all"):
        """Runs a Windows program: its exit code (Wine passes on only the low 8 bits
        of a Windows one) and what it printed. Output goes through a file: Wine's
        helper processes keep an inherited pipe open for seconds after a run."""
        self.runs += 1
        output = self.folder / f"output-{self.runs}.txt"
        with open(output, "wb") as sink:
            code = subprocess.run([WINE, *arguments], env=dict(self.environment, WINEDEBUG=debug),
                                  stdin=subprocess.DEVNULL, stdout=sink, stderr=subprocess.STDOUT,
                                  timeout=300).returncode
        return code, output.read_text(errors="replace")

    def command_line(self, line):
        """Runs a Windows command line exactly as written, through cmd: NSIS reads
        /D= and _?= unquoted to the end of the line, which Wine's quoting of an
        argument with spaces would break."""
        script = self.folder / f"command-{self.runs + 1}.cmd"
        script.write_text("@" + line + "\r\n@exit /b %errorlevel%\r\n")
        return self.wine("cmd", "/c", windows_path(script))

    def drive_c(self, *parts):
        return Path(self.environment["WINEPREFIX"], "drive_c", *parts)

    def take_journal(self):
        """The calls the stand-in recorded since the last look."""
        if not self.journal.exists():
            return []
        lines = self.journal.read_text().splitlines()
        self.journal.unlink()
        return lines

    def has_key(self, key):
        return self.wine("reg", "query", key)[0] == 0


class EngineTest(unittest.TestCase):
    """Each engine's tests share its prefix; each test leaves nothing installed. An
    engine whose recipe is built gets two packages: one with the complete stand-in,
    and one with a library whose start fails."""

    engine = None
    build = None  # a class method: stand-in variant in, package out

    @classmethod
    def setUpClass(cls):
        cls.work = work / cls.engine
        cls.prefix = Prefix(cls.work)
        cls.prefix.start()
        if cls.build is not None:
            cls.package = cls.build(PACKAGED)
            cls.failing_package = cls.build("null-start")

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop()

    def setUp(self):
        self.prefix.take_journal()

    def files_in(self, *folder):
        directory = self.prefix.drive_c(*folder)
        return sorted(path.name for path in directory.iterdir()) if directory.exists() else None


INSTALLED = ["cdintf400.dll", "pdf-printer-doctor.exe", "pdf-printer-setup.exe"]
INSTALL_FOLDER = ("Program Files", "PDF Printer")


def msi_table(package, table):
    """A table of an MSI package as msiinfo exports it: one dict per row."""
    text = subprocess.run(["msiinfo", "export", str(package), table], check=True,
                          capture_output=True, text=True).stdout
    lines = text.splitlines()
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:]]


def msi_query(package, *statements):
    for statement in statements:
        subprocess.run(["msibuild", str(package), "-q", statement], check=True)


# Custom action type bits.
EXE_IN_INSTALLED_FILE = 18
CONTINUE = 0x40  # Return="ignore"
ROLLBACK = 0x100
IN_SCRIPT = 0x400  # deferred
NO_IMPERSONATE = 0x800


class MsiRecipe(EngineTest):
    engine = "msi"

    @classmethod
    def build(cls, variant, package_version=None, copy_as=None):
        package_version = package_version or version
        package = cls.work / f"pdf-printer-{variant}-{package_version}.msi"
        if not package.exists():
            files = stage(cls.work / f"files-{variant}", variant)
            subprocess.run([str(EXAMPLES / "msi" / "build-with-wixl"), package_version, str(files),
                            str(package)], check=True)
        if copy_as is None:
            return package
        copy = cls.work / copy_as
        shutil.copy2(package, copy)
        return copy

    def msiexec(self, *arguments, debug="-all"):
        return self.prefix.wine("msiexec", *arguments, "/qn", debug=debug)

    def install(self, package, *properties, debug="-all"):
        code, output = self.msiexec("/i", windows_path(package), *properties, debug=debug)
        self.addCleanup(self.msiexec, "/x", windows_path(package))
        return code, output

    def uninstall(self, package, *properties):
        return self.msiexec("/x", windows_path(package), *properties)[0]

    def registered(self, package):
        code = next(row["Value"] for row in msi_table(package, "Property")
                    if row["Property"] == "ProductCode")
        return self.prefix.has_key(UNINSTALL_KEY + "\\" + code)

    def assertNothingInstalled(self, package):
        self.assertIsNone(self.files_in(*INSTALL_FOLDER))
        self.assertFalse(self.registered(package))

    def test_custom_actions_read_back_from_the_package(self):
        actions = {row["Action"]: row for row in msi_table(self.package, "CustomAction")}
        expected = {
            "InstallPrinter": (IN_SCRIPT | NO_IMPERSONATE, '"-p:[INSTALLDIR]."'),
            "RollbackPrinter": (ROLLBACK | IN_SCRIPT | NO_IMPERSONATE | CONTINUE,
                                '-u "-p:[INSTALLDIR]."'),
            "RemovePrinter": (IN_SCRIPT | NO_IMPERSONATE | CONTINUE, '-u "-p:[INSTALLDIR]."'),
            "RestorePrinter": (ROLLBACK | IN_SCRIPT | NO_IMPERSONATE | CONTINUE,
                               '"-p:[INSTALLDIR]."'),
        }
        self.assertEqual(sorted(actions), sorted(expected))
        for action, (flags, target) in expected.items():
            with self.subTest(action):
                self.assertEqual(int(actions[action]["Type"]), EXE_IN_INSTALLED_FILE | flags)
                self.assertEqual(actions[action]["Source"], "ToolExe")
                self.assertEqual(actions[action]["Target"], target)

        rows = msi_table(self.package, "InstallExecuteSequence")
        sequence = {row["Action"]: int(row["Sequence"]) for row in rows}
        condition = {row["Action"]: row["Condition"] for row in rows}
        removal = 'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE'
        for action, number, when in (("RestorePrinter", 3480, removal),
                                     ("RemovePrinter", 3490, removal),
                                     ("RollbackPrinter", 4010, "NOT Installed"),
                                     ("InstallPrinter", 4020, "NOT Installed")):
            with self.subTest(action):
                self.assertEqual(sequence[action], number)
                self.assertEqual(condition[action], when)
        # Each rollback action before the one it undoes; the removal while the files
        # are there, the start once they are; all in the deferred part of the script.
        order = ["RemoveExistingProducts", "InstallInitialize", "RestorePrinter", "RemovePrinter",
                 "RemoveFiles", "InstallFiles", "RollbackPrinter", "InstallPrinter",
                 "RegisterProduct", "InstallFinalize"]
        self.assertEqual(sorted(order, key=sequence.get), order)
        # A major upgrade: a newer version of the same upgrade code removes this one.
        upgrades = msi_table(self.package, "Upgrade")
        self.assertIn("WIX_UPGRADE_DETECTED", [row["ActionProperty"] for row in upgrades])

    def test_install_then_uninstall(self):
        self.assertFalse(self.prefix.printer_exists())
        self.assertEqual(self.install(self.package)[0], 0)
        self.assertEqual(self.files_in(*INSTALL_FOLDER), INSTALLED)
        self.assertTrue(self.registered(self.package))
        self.assertEqual(self.prefix.take_journal(), run_of(PACKAGED))
        self.assertTrue(self.prefix.printer_exists())

        self.assertEqual(self.uninstall(self.package), 0)
        self.assertEqual(self.prefix.take_journal(), run_of(PACKAGED, removal=True))
        self.assertNothingInstalled(self.package)
        self.assertFalse(self.prefix.printer_exists())

    def test_repair_restores_files_without_starting_the_driver_again(self):
        self.assertEqual(self.install(self.package)[0], 0)
        self.prefix.take_journal()
        self.prefix.drive_c(*INSTALL_FOLDER, "cdintf400.dll").unlink()
        # What msiexec /fa does. Wine's msiexec cannot repair through /f: it answers
        # 1605 for a package and fails for a product code.
        code, _ = self.msiexec("/i", windows_path(self.package), "REINSTALL=ALL",
                               "REINSTALLMODE=amus")
        self.assertEqual(code, 0)
        self.assertEqual(self.files_in(*INSTALL_FOLDER), INSTALLED)
        self.assertEqual(self.prefix.take_journal(), [])

    def test_a_start_that_fails_fails_the_installation(self):
        code, _ = self.install(self.failing_package)
        self.assertNotEqual(code, 0)  # 1603 on Windows; Wine reports the low byte of 1627
        self.assertNothingInstalled(self.failing_package)
        journal = self.prefix.take_journal()
        self.assertEqual(journal[:3], run_of("null-start"))
        self.assertNotIn(END, journal)  # the rollback's removal run has nothing to end

    def test_the_doctor_in_the_package_explains_a_failed_start(self):
        # What the README has a person do where the installation failed: run the
        # doctor from the package's files (an administrative image on Windows;
        # Wine's msiexec cannot make one, so the files the package was built from
        # stand in for it).
        files = windows_path(self.work / "files-null-start")
        code, output = self.prefix.wine(files + "\\pdf-printer-doctor.exe", "--json",
                                        "-p:" + files + "\\.")
        report = json.loads(output)
        self.assertEqual(code, 0, output)  # nothing it can see stops the tool
        self.assertIsNone(report["tool_exit_status"])  # it turns on PDFDriverInit
        self.assertEqual(report["tool_exit_status_if_not_started"], 1)
        self.assertEqual(report["entry_points"], {"PDFDriverInit": True, "DriverEnd": True})
        self.assertEqual(self.prefix.take_journal(), check_of("null-start"))

    def test_a_later_failure_plays_the_removal_from_the_rollback_script(self):
        # Test-only: a deferred action after the start that fails, by running the
        # tool with an unknown option.
        package = self.build("complete", copy_as="later-failure.msi")
        msi_query(package,
                  "INSERT INTO CustomAction (Action, Type, Source, Target) "
                  f"VALUES ('FailLater', {EXE_IN_INSTALLED_FILE | IN_SCRIPT | NO_IMPERSONATE}, "
                  "'ToolExe', '-x')",
                  "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) "
                  "VALUES ('FailLater', 'NOT Installed', 4030)")
        code, trace = self.install(package, debug="+msi")
        self.assertNotEqual(code, 0)
        self.assertNothingInstalled(package)
        self.assertEqual(self.prefix.take_journal()[:3], run_of("complete"))  # it had started
        # Windows plays the rollback script in reverse, RollbackPrinter before the
        # files go. Wine plays it in the order it was written, so its file rollback
        # has removed the exe by the time RollbackPrinter runs it: that the removal
        # is in the rollback script and played is what can be seen here.
        # So a printer that a rolled-back installation leaves behind is for a Windows
        # machine to show; this package's stand-in adds none.
        rollback = trace[trace.index("installation failed, running rollback script"):]
        self.assertIn('Performing action (L"RollbackPrinter")', rollback)

    def test_a_directory_ending_in_a_backslash_escapes_its_quote(self):
        # Test-only: the spelling the recipe avoids. "-p:C:\...\PDF Printer\" reaches
        # the tool as a directory ending in a quote, which holds no library.
        package = self.build("complete", copy_as="unsafe-quoting.msi")
        msi_query(package, *(f"UPDATE CustomAction SET Target='{target}' WHERE Action='{action}'"
                             for action, target in (("InstallPrinter", '"-p:[INSTALLDIR]"'),
                                                    ("RollbackPrinter", '-u "-p:[INSTALLDIR]"'))))
        code, _ = self.install(package)
        self.assertNotEqual(code, 0)
        self.assertEqual(self.prefix.take_journal(), [])  # no run found the library
        self.assertNothingInstalled(package)

    def test_a_major_upgrade_leaves_the_driver_started(self):
        major, minor, patch = version.split(".")
        newer = self.build(PACKAGED, f"{major}.{minor}.{int(patch) + 1}")
        self.assertEqual(self.install(self.package)[0], 0)
        self.prefix.take_journal()
        self.assertEqual(self.install(newer)[0], 0)
        self.assertFalse(self.registered(self.package))
        self.assertTrue(self.registered(newer))
        self.assertEqual(self.files_in(*INSTALL_FOLDER), INSTALLED)
        # The new version's start comes last. Wine removes the old version without
        # UPGRADINGPRODUCTCODE, so its removal run comes first here; Windows sets it,
        # and the next test shows the removal then stays out.
        start = run_of(PACKAGED)
        self.assertEqual(self.prefix.take_journal()[-len(start):], start)
        self.assertTrue(self.prefix.printer_exists())

    def test_no_removal_run_while_an_upgrade_removes_this_version(self):
        self.assertEqual(self.install(self.package)[0], 0)
        self.prefix.take_journal()
        newer_product = "{7E0E6B2A-3C1D-4F5E-8A9B-0C1D2E3F4A5B}"
        self.assertEqual(self.uninstall(self.package, "UPGRADINGPRODUCTCODE=" + newer_product), 0)
        self.assertEqual(self.prefix.take_journal(), [])
        self.assertNothingInstalled(self.package)


NSIS_KEY = UNINSTALL_KEY + r"\PDF Printer"


class NsisRecipe(EngineTest):
    engine = "nsis"

    @classmethod
    def build(cls, variant, tool_starts=True, tool_timeout=None):
        files = stage(cls.work / f"files-{variant}{'' if tool_starts else '-no-tool'}", variant)
        if not tool_starts:
            (files / "pdf-printer-setup.exe").write_text("not a program")
        shutil.copy2(EXAMPLES / "nsis" / "pdf-printer.nsi", files)
        limit = [f"-DTOOL_TIMEOUT={tool_timeout}"] if tool_timeout else []
        subprocess.run(["makensis", "-V2", f"-DVERSION={version}", *limit, "pdf-printer.nsi"],
                       cwd=files, check=True, stdout=subprocess.DEVNULL)
        return files / f"pdf-printer-{version}-setup.exe"

    def test_warns_when_makensis_is_older_than_3_12(self):
        # Installers run as SYSTEM need the fix for CVE-2026-42171 that 3.12 brought.
        files = stage(self.work / "files-version-check", "complete")
        shutil.copy2(EXAMPLES / "nsis" / "pdf-printer.nsi", files)
        built = subprocess.run(["makensis", "-V2", f"-DVERSION={version}", "pdf-printer.nsi"],
                               cwd=files, check=True, capture_output=True, text=True)
        defines = subprocess.run(["makensis", "-HDRINFO"], check=True, capture_output=True,
                                 text=True).stdout
        packed = int(re.search(r"NSIS_PACKEDVERSION=(0x[0-9a-fA-F]+)", defines).group(1), 16)
        warned = "older than 3.12: do not run this installer as SYSTEM" in built.stdout + built.stderr
        self.assertEqual(warned, packed < 0x03012000, built.stdout + built.stderr)

    def test_install_then_uninstall(self):
        self.addCleanup(shutil.rmtree, self.prefix.drive_c(*INSTALL_FOLDER), ignore_errors=True)
        self.assertEqual(self.prefix.command_line(windows_path(self.package) + " /S")[0], 0)
        self.assertEqual(self.files_in(*INSTALL_FOLDER), INSTALLED + ["uninstall.exe"])
        self.assertTrue(self.prefix.has_key(NSIS_KEY))
        self.assertEqual(self.prefix.take_journal(), run_of(PACKAGED))
        self.assertTrue(self.prefix.printer_exists())

        # _?= keeps the uninstaller from copying itself away and returning at once;
        # then it cannot delete itself, and its caller removes it.
        code, _ = self.prefix.command_line(
            r'"C:\Program Files\PDF Printer\uninstall.exe" /S _?=C:\Program Files\PDF Printer')
        self.assertEqual(code, 0)
        self.assertEqual(self.prefix.take_journal(), run_of(PACKAGED, removal=True))
        self.assertEqual(self.files_in(*INSTALL_FOLDER), ["uninstall.exe"])
        self.assertFalse(self.prefix.has_key(NSIS_KEY))
        self.assertFalse(self.prefix.printer_exists())

    def test_a_tool_that_hangs_fails_the_installation_in_time(self):
        # Built with a 3-second limit in place of the recipe's 10 minutes. nsExec
        # leaves "timeout", which fails the installation like any failure, and ends
        # the hung tool, so that its files can be removed.
        package = self.build("hang-start", tool_timeout=3000)
        started = time.monotonic()
        code, _ = self.prefix.command_line(
            windows_path(package) + r" /S /D=C:\Program Files\Hung PDF Printer")
        self.assertLess(time.monotonic() - started, 60)
        self.assertEqual(code, 2)
        self.assertIsNone(self.files_in("Program Files", "Hung PDF Printer"))
        self.assertFalse(self.prefix.has_key(NSIS_KEY))
        # The tool's run as far as it got, then the doctor's check.
        self.assertEqual(self.prefix.take_journal(),
                         ["load hang-start", START] + check_of("hang-start"))

    def test_a_start_that_fails_removes_what_was_installed(self):
        code, _ = self.prefix.command_line(
            windows_path(self.failing_package) + r" /S /D=C:\Program Files\Other PDF Printer")
        self.assertEqual(code, 2)  # NSIS's exit code for an aborted installation
        self.assertIsNone(self.files_in("Program Files", "Other PDF Printer"))
        self.assertFalse(self.prefix.has_key(NSIS_KEY))
        # The tool's run, then the doctor's check for the installer's details.
        self.assertEqual(self.prefix.take_journal(), run_of("null-start") + check_of("null-start"))

    def test_a_tool_that_cannot_start_fails_the_installation(self):
        # nsExec leaves "error" for a program it cannot start, which is 0 as a
        # number: the installer compares as text, and fails.
        package = self.build("complete", tool_starts=False)
        code, _ = self.prefix.command_line(
            windows_path(package) + r" /S /D=C:\Program Files\Third PDF Printer")
        self.assertEqual(code, 2)
        self.assertIsNone(self.files_in("Program Files", "Third PDF Printer"))
        self.assertFalse(self.prefix.has_key(NSIS_KEY))
        self.assertEqual(self.prefix.take_journal(), check_of("complete"))  # only the doctor ran


class CmdRecipe(EngineTest):
    engine = "cmd"
    FOLDER = ("Some Tools", "PDF Printer")  # with spaces, away from the working folder

    def use_library(self, variant):
        """Variant None: no library at all."""
        folder = self.prefix.drive_c(*self.FOLDER)
        stage(folder, variant)
        for script in ("install.cmd", "uninstall.cmd"):
            shutil.copy2(EXAMPLES / "cmd" / script, folder)
        return "C:\\" + "\\".join(self.FOLDER)

    def test_install_then_uninstall(self):
        folder = self.use_library("complete")
        code, output = self.prefix.wine("cmd", "/c", folder + r"\install.cmd")
        self.assertEqual((code, output), (0, ""))
        self.assertEqual(self.prefix.take_journal(), run_of("complete"))
        code, output = self.prefix.wine("cmd", "/c", folder + r"\uninstall.cmd")
        self.assertEqual((code, output), (0, ""))
        self.assertEqual(self.prefix.take_journal(), run_of("complete", removal=True))

    def test_a_directory_from_percent_dp0_needs_a_dot_before_its_quote(self):
        folder = self.use_library("complete")
        script = self.prefix.drive_c(*self.FOLDER, "with-directory.cmd")
        for argument, status, journal in (('"-p:%~dp0."', 0, run_of("complete")),
                                          ('"-p:%~dp0"', 1, [])):
            with self.subTest(argument):
                script.write_text(f'@"%~dp0pdf-printer-setup.exe" {argument}\r\n'
                                  "@exit /b %errorlevel%\r\n")
                self.assertEqual(self.prefix.wine("cmd", "/c", folder + r"\with-directory.cmd")[0],
                                 status)
                self.assertEqual(self.prefix.take_journal(), journal)

    def test_the_exit_status_passes_through_to_a_scheduler_and_a_calling_script(self):
        # A failing run is followed by the doctor's check, which only loads and
        # releases the library.
        for script, variant, status, one_run in (
                ("install.cmd", "complete", 0, run_of("complete")),
                ("install.cmd", "null-start", 1, run_of("null-start") + check_of("null-start")),
                ("uninstall.cmd", "complete", 0, run_of("complete", removal=True)),
                ("uninstall.cmd", "no-end", 1, run_of("no-end") + check_of("no-end"))):
            with self.subTest(script=script, variant=variant):
                script_path = self.use_library(variant) + "\\" + script
                self.assertEqual(self.prefix.wine("cmd", "/c", script_path)[0], status)
                self.assertEqual(self.prefix.command_line(f'call "{script_path}"')[0], status)
                self.assertEqual(self.prefix.take_journal(), one_run * 2)

    def test_a_failure_comes_with_the_doctors_report(self):
        for script, variant, code in (("install.cmd", None, "library-not-found"),
                                      ("uninstall.cmd", "no-end", "end-entry-point-missing")):
            with self.subTest(script=script):
                status, output = self.prefix.wine("cmd", "/c", self.use_library(variant) + "\\" + script)
                self.assertEqual(status, 1)  # the tool's own, not the doctor's
                report = json.loads(output)  # one JSON line, and nothing else
                self.assertIn(code, [finding["code"] for finding in report["findings"]])
                self.assertEqual(report["run"], "removal" if script == "uninstall.cmd" else "install")


if __name__ == "__main__":
    binaries, work, version = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
    unittest.main(argv=[sys.argv[0], *sys.argv[4:]])
