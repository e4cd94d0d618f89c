#!/usr/bin/env python3
"""The release signed as fleets admit it, and checked as a downloader checks it.

cpack signs the programs with a key from a PKCS#12 file or from a PKCS#11 token
(SoftHSM, a real token made here), with and without an RFC 3161 timestamp from a
responder of the test's own on 127.0.0.1. Each signed zip is unpacked and checked:
every program's signature and its chain (osslsigncode verify), SHA256SUMS, and
that removing the signature gives back the build byte for byte. A signing that
fails must fail cpack with a message naming what failed, and leave no zip behind.
The recipes sign their packages with the same script.

The keys are a throwaway root CA, a code-signing certificate and a time-stamping
certificate, made with openssl when the tests start and never kept. Wine does not
check signatures, so what these tests prove is the signatures' structure and
chain, not that Windows admits them.

usage: test_signing.py BUILD_DIRECTORY PACKAGE_NAME WORK [unittest arguments]
"""
import hashlib
import http.server
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import unittest
import zipfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
PROGRAMS = ["pdf-printer-setup.exe", "pdf-printer-doctor.exe"]
SOFTHSM_MODULE = Path("/usr/lib/softhsm/libsofthsm2.so")

build = package_name = work = None  # from the command line


def run(*command, **options):
    return subprocess.run([str(part) for part in command], check=True, capture_output=True,
                          text=True, **options)


class Pki:
    """A throwaway root CA with a code-signing and a time-stamping certificate."""

    def __init__(self, folder):
        self.folder = folder
        folder.mkdir(parents=True)
        self.ca, self.ca_key = folder / "ca.pem", folder / "ca.key"
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.ca_key,
            "-out", self.ca, "-days", "2", "-subj", "/CN=Throwaway Root CA",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        self.signer, self.signer_key = self.issue(
            "signer", "/CN=pdf-printer-setup test signer",
            "keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning")
        self.tsa, self.tsa_key = self.issue(
            "tsa", "/CN=Throwaway TSA",
            "keyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping")
        self.chain = folder / "chain.pem"
        self.chain.write_text(self.signer.read_text() + self.ca.read_text())
        self.password = folder / "password.txt"
        self.password.write_text("correct horse battery staple")
        self.pkcs12 = folder / "signer.p12"
        run("openssl", "pkcs12", "-export", "-inkey", self.signer_key, "-in", self.signer,
            "-certfile", self.ca, "-out", self.pkcs12, "-passout", f"file:{self.password}")
        self.wrong = folder / "wrong.txt"
        self.wrong.write_text("not it")

    def issue(self, name, subject, extensions):
        key, request = self.folder / f"{name}.key", self.folder / f"{name}.csr"
        certificate, extension_file = self.folder / f"{name}.pem", self.folder / f"{name}.ext"
        extension_file.write_text("basicConstraints=CA:FALSE\n" + extensions + "\n")
        run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request,
            "-subj", subject)
        run("openssl", "x509", "-req", "-in", request, "-CA", self.ca, "-CAkey", self.ca_key,
            "-CAcreateserial", "-out", certificate, "-days", "2", "-extfile", extension_file)
        return certificate, key


class SoftHsmToken:
    """The signing key in a SoftHSM token of the build folder's own."""

    PIN = "271828"

    def __init__(self, folder, pki):
        folder.mkdir(parents=True)
        (folder / "tokens").mkdir()
        self.config = folder / "softhsm2.conf"
        self.config.write_text(f"directories.tokendir = {folder / 'tokens'}\n"
                               "objectstore.backend = file\nlog.level = ERROR\n")
        self.environment = dict(os.environ, SOFTHSM2_CONF=str(self.config))
        run("softhsm2-util", "--init-token", "--free", "--label", "release", "--pin", self.PIN,
            "--so-pin", "31415926", env=self.environment)
        key = folder / "signer.p8"
        run("openssl", "pkcs8", "-topk8", "-nocrypt", "-in", pki.signer_key, "-out", key)
        run("softhsm2-util", "--import", key, "--token", "release", "--label", "signing",
            "--id", "01", "--pin", self.PIN, env=self.environment)
        key.unlink()
        self.pin = folder / "pin.txt"
        self.pin.write_text(self.PIN)
        self.wrong_pin = folder / "wrong-pin.txt"
        self.wrong_pin.write_text("000000")
        self.uri = "pkcs11:token=release;object=signing;type=private"


class TimestampResponder:
    """An RFC 3161 time-stamping service on 127.0.0.1, answering with openssl ts."""

    def __init__(self, folder, pki):
        folder.mkdir(parents=True)
        config = folder / "ts.cnf"
        (folder / "serial").write_text("01\n")
        config.write_text(
            "[ tsa ]\ndefault_tsa = tsa_config\n[ tsa_config ]\n"
            f"serial = {folder / 'serial'}\ncrypto_device = builtin\nsigner_digest = sha256\n"
            "default_policy = 1.3.6.1.4.1.4146.2.2\ndigests = sha1, sha256, sha384, sha512\n"
            "accuracy = secs:1\nordering = yes\ntsa_name = no\ness_cert_id_chain = no\n"
            "ess_cert_id_alg = sha256\n")

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers["Content-Length"]))
                with tempfile.TemporaryDirectory() as scratch:
                    query_file, reply_file = Path(scratch, "query"), Path(scratch, "reply")
                    query_file.write_bytes(query)
                    run("openssl", "ts", "-reply", "-config", config, "-queryfile", query_file,
                        "-signer", pki.tsa, "-inkey", pki.tsa_key, "-chain", pki.ca,
                        "-out", reply_file)
                    reply = reply_file.read_bytes()
                self.send_response(200)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *arguments):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def stop(self):
        self.server.shutdown()


def closed_port():
    """A port on 127.0.0.1 where nothing listens."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def verify(path, pki, *options):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", str(pki.ca), *options,
                           "-in", str(path)], capture_output=True, text=True)


class SignedRelease(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(work, ignore_errors=True)
        work.mkdir(parents=True)
        cls.pki = Pki(work / "pki")
        cls.token = SoftHsmToken(work / "softhsm", cls.pki)
        cls.responder = TimestampResponder(work / "tsa", cls.pki)
        cls.runs = 0

    @classmethod
    def tearDownClass(cls):
        cls.responder.stop()

    def cpack(self, **signing):
        """Makes the release with the given SIGN_* variables and nothing else of
        the kind: its exit status, its output and where the zip goes."""
        SignedRelease.runs += 1
        output = work / f"package-{self.runs}"
        environment = {key: value for key, value in self.token.environment.items()
                       if not key.startswith("SIGN_")}
        environment.update({key: str(value) for key, value in signing.items()})
        result = subprocess.run(["cpack", "--config", str(build / "CPackConfig.cmake"),
                                 "-B", str(output)], env=environment, capture_output=True,
                                text=True)
        return result.returncode, result.stdout + result.stderr, output / f"{package_name}.zip"

    def unpack(self, zip_path):
        folder = zip_path.parent / "unpacked"
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(folder)
        return folder / package_name

    def assertSignedRelease(self, zip_path, *verify_options):
        """Each program verifies with its chain, SHA256SUMS holds, and each program
        without its signature is the build's, byte for byte."""
        release = self.unpack(zip_path)
        sums = {}
        for line in (release / "SHA256SUMS").read_text().splitlines():
            digest, name = line.split("  ", 1)
            sums[name] = digest
        for path in sorted(release.rglob("*")):
            if path.is_file() and path.name != "SHA256SUMS":
                self.assertEqual(hashlib.sha256(path.read_bytes()).hexdigest(),
                                 sums.pop(path.relative_to(release).as_posix()), path)
        self.assertEqual(sums, {})
        reports = {}
        for program in PROGRAMS:
            with self.subTest(program):
                signed = release / program
                result = verify(signed, self.pki, *verify_options)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertIn("Signature verification: ok", result.stdout)
                self.assertIn("Message digest algorithm  : SHA256", result.stdout)
                unsigned = zip_path.parent / f"unsigned-{program}"
                run("osslsigncode", "remove-signature", "-in", signed, "-out", unsigned)
                self.assertEqual(unsigned.read_bytes(), (build / "bin" / program).read_bytes())
                print(f"\n{program}: {unsigned.stat().st_size} bytes built, "
                      f"{signed.stat().st_size} signed", end="")
                reports[program] = result.stdout
        return reports

    def test_signed_with_a_pkcs12_file(self):
        code, output, zip_path = self.cpack(SIGN_PKCS12=self.pki.pkcs12,
                                            SIGN_PASSWORD_FILE=self.pki.password)
        self.assertEqual(code, 0, output)
        for report in self.assertSignedRelease(zip_path).values():
            self.assertIn("Timestamp is not available", report)

    def test_signed_through_a_pkcs11_token(self):
        code, output, zip_path = self.cpack(SIGN_PKCS11_MODULE=SOFTHSM_MODULE,
                                            SIGN_KEY_URI=self.token.uri,
                                            SIGN_CERTIFICATES=self.pki.chain,
                                            SIGN_PIN_FILE=self.token.pin)
        self.assertEqual(code, 0, output)
        self.assertSignedRelease(zip_path)
        # The PIN never stands in the output; its file's name may.
        self.assertNotIn(SoftHsmToken.PIN, output)

    def test_timestamped(self):
        code, output, zip_path = self.cpack(SIGN_PKCS12=self.pki.pkcs12,
                                            SIGN_PASSWORD_FILE=self.pki.password,
                                            SIGN_TIMESTAMP_URL=self.responder.url)
        self.assertEqual(code, 0, output)
        reports = self.assertSignedRelease(zip_path, "-TSA-CAfile", str(self.pki.ca))
        for report in reports.values():
            self.assertIn("Timestamp Server Signature verification: ok", report)

    def test_a_signing_that_fails_fails_the_release_and_leaves_no_zip(self):
        pkcs12 = dict(SIGN_PKCS12=self.pki.pkcs12, SIGN_PASSWORD_FILE=self.pki.password)
        pkcs11 = dict(SIGN_PKCS11_MODULE=SOFTHSM_MODULE, SIGN_KEY_URI=self.token.uri,
                      SIGN_CERTIFICATES=self.pki.chain, SIGN_PIN_FILE=self.token.pin)
        for name, signing, reason in (
                ("a wrong PIN", dict(pkcs11, SIGN_PIN_FILE=self.token.wrong_pin),
                 "the token refused the PIN in SIGN_PIN_FILE"),
                ("a wrong password", dict(pkcs12, SIGN_PASSWORD_FILE=self.pki.wrong),
                 "the password in SIGN_PASSWORD_FILE"),
                ("a missing key file", dict(pkcs12, SIGN_PKCS12=work / "missing.p12"),
                 "SIGN_PKCS12: no such file"),
                ("a key the token does not hold",
                 dict(pkcs11, SIGN_KEY_URI="pkcs11:token=release;object=other;type=private"),
                 "there is no key at SIGN_KEY_URI"),
                ("an unreachable timestamp service",
                 dict(pkcs12, SIGN_TIMESTAMP_URL=f"http://127.0.0.1:{closed_port()}"),
                 "gave no timestamp"),
                ("a PIN on the command line",
                 dict(pkcs11, SIGN_KEY_URI=self.token.uri + ";pin-value=" + SoftHsmToken.PIN),
                 "put it in SIGN_PIN_FILE")):
            with self.subTest(name):
                # An unsigned zip from an earlier run waits where the signed one goes.
                stale = work / f"package-{self.runs + 1}" / f"{package_name}.zip"
                stale.parent.mkdir(parents=True)
                stale.write_bytes(b"an earlier, unsigned release")
                code, output, zip_path = self.cpack(**signing)
                self.assertEqual(zip_path, stale)
                self.assertNotEqual(code, 0, output)
                self.assertIn(reason, output)
                self.assertIn("signing the release failed", output)
                self.assertFalse(zip_path.exists(), "an unsigned zip was left")

    def test_a_changed_byte_fails_verification(self):
        code, output, zip_path = self.cpack(SIGN_PKCS12=self.pki.pkcs12,
                                            SIGN_PASSWORD_FILE=self.pki.password)
        self.assertEqual(code, 0, output)
        tampered = self.unpack(zip_path) / "pdf-printer-setup.exe"
        data = bytearray(tampered.read_bytes())
        data[0x600] ^= 0x01  # in the code
        tampered.write_bytes(data)
        result = verify(tampered, self.pki)
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertIn("mismatch", (result.stdout + result.stderr).lower())

    def test_the_recipes_sign_their_packages(self):
        files = work / "recipe-files"
        files.mkdir()
        for program in PROGRAMS:
            shutil.copy2(build / "bin" / program, files)
        shutil.copy2(build / "bin" / "stand-in" / "complete" / "cdintf400.dll", files)
        signing = dict(self.token.environment, SIGN_PKCS12=str(self.pki.pkcs12),
                       SIGN_PASSWORD_FILE=str(self.pki.password))
        package = work / "pdf-printer.msi"
        subprocess.run([str(SOURCE / "examples" / "msi" / "build-with-wixl"), "1.0.0", str(files),
                        str(package)], env=signing, check=True, capture_output=True)
        shutil.copy2(SOURCE / "examples" / "nsis" / "pdf-printer.nsi", files)
        subprocess.run(["makensis", "-V2", "-DVERSION=1.0.0", f"-DSIGN={SOURCE / 'scripts' / 'sign'}",
                        "pdf-printer.nsi"], cwd=files, env=signing, check=True, capture_output=True)
        for signed in (package, files / "pdf-printer-1.0.0-setup.exe"):
            with self.subTest(signed.name):
                result = verify(signed, self.pki)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertIn("Signature verification: ok", result.stdout)


if __name__ == "__main__":
    build, package_name, work = Path(sys.argv[1]), sys.argv[2], Path(sys.argv[3])
    unittest.main(argv=[sys.argv[0], *sys.argv[4:]])
