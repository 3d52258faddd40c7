"""The release as shipped: what `cmake --install` installs; the zip, made afresh and signed with a
throwaway certificate, unpacked, checked and run."""
import glob
import os
import re
import subprocess
import sys
import unittest
import zipfile
from xml.etree import ElementTree

from harness import APPLICATION_DIRECTORY, UNDER_WINE, ToolTestCase, native_path
from qnstore import ADMINISTRATION_KEY, SERVER_KEY, Store

BUILD, VERSION = os.environ["QNPURGE_BUILD"], os.environ["QNPURGE_VERSION"]
SOURCE = os.path.join(os.path.dirname(__file__), "..", "..")


def run(*command, env=None, cwd=None):
    return subprocess.run(command, check=True, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          env=env, cwd=cwd).stdout


def make_signing_certificate(folder):
    """A throwaway certificate authority and a code-signing certificate it issued, as a PKCS#12
    file with a password in a file: (the authority's certificate, the PKCS#12 file, the password
    file)."""
    def path(name):
        return os.path.join(folder, name)
    with open(path("password"), "w") as password:
        password.write("test only\n")
    with open(path("signer.ext"), "w") as extensions:
        extensions.write("basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                         "extendedKeyUsage=codeSigning\n")
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", path("ca.key"), "-out", path("ca.pem"),
        "-days", "2", "-subj", "/CN=qnpurge test authority", "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", path("signer.key"), "-out", path("signer.csr"),
        "-subj", "/CN=qnpurge test signer")
    run("openssl", "x509", "-req", "-in", path("signer.csr"), "-CA", path("ca.pem"), "-CAkey", path("ca.key"),
        "-set_serial", "2", "-days", "2", "-extfile", path("signer.ext"), "-out", path("signer.pem"))
    run("openssl", "pkcs12", "-export", "-inkey", path("signer.key"), "-in", path("signer.pem"), "-certfile",
        path("ca.pem"), "-passout", "file:" + path("password"), "-out", path("signer.pfx"))
    return path("ca.pem"), path("signer.pfx"), path("password")


def guide_text(scratch):
    """The administrators' guide as scripts/guide_text.py writes it for README.txt."""
    target = os.path.join(scratch, "README.txt")
    run(sys.executable, os.path.join(SOURCE, "scripts", "guide_text.py"),
        os.path.join(SOURCE, "docs", "administrators.md"), target)
    with open(target, "rb") as text:
        return text.read()


class Package(ToolTestCase):
    def test_the_guide_as_readme_txt_is_plain_text_for_notepad(self):
        text = guide_text(self.scratch.name)
        self.assertTrue(text.endswith(b"\r\n"))
        lines = text.split(b"\r\n")
        # No Markdown left: no table rows, no `code` marks; the PowerShell line continuation stays.
        self.assertEqual([line for line in lines if b"\n" in line or len(line) > 100 or line.lstrip().startswith(b"|")
                          or re.search(rb"`[^`]+`", line)], [])
        self.assertIn(b"  Mail Root\r\n      the folder of the postoffices;", text)

    @unittest.skipIf(UNDER_WINE, "the Windows build is checked through its zip")
    def test_install_puts_the_tool_and_its_documents_only(self):
        run(os.environ["QNPURGE_CMAKE"], "--install", BUILD, "--prefix", self.scratch.name)
        installed = glob.glob("**", root_dir=self.scratch.name, recursive=True)
        self.assertEqual(sorted(p for p in installed if os.path.isfile(os.path.join(self.scratch.name, p))),
                         ["bin/qnpurge", "share/doc/qnpurge/README.md", "share/doc/qnpurge/provider_api.h"])

    @unittest.skipUnless(UNDER_WINE, "the zip is the Windows build's")
    def test_the_zip_unpacked_as_the_guide_says_holds_a_signed_versioned_tool_that_reports_the_old_messages(self):
        certificates = os.path.join(self.scratch.name, "certificates")
        os.mkdir(certificates)
        authority, pfx, password = make_signing_certificate(certificates)
        run(os.environ["QNPURGE_CPACK"], "-G", "ZIP", "--config", BUILD + "/CPackConfig.cmake", "-B",
            self.scratch.name, env=dict(os.environ, QNPURGE_SIGNING_PFX=pfx, QNPURGE_SIGNING_PASSWORD_FILE=password,
                                        QNPURGE_TIMESTAMP_URL=""))
        with open(os.path.join(SOURCE, "docs", "administrators.md"), "rb") as guide:
            guide = guide.read()
        # The guide's install step names this zip, and every command of the guide runs the tool
        # from the folder that step unpacks it into (C: is the scratch folder here).
        name, destination = re.search(rb"Expand-Archive (\S+) -DestinationPath (\S+)", guide).groups()
        self.assertEqual(name.decode(), "qnpurge-%s-win64.zip" % VERSION)
        self.assertEqual(set(re.findall(rb"([^\s'\"`]+)\\qnpurge\.exe ", guide)), {destination})
        unpacked = os.path.join(self.scratch.name, *destination.decode().split("\\")[1:])
        with zipfile.ZipFile(os.path.join(self.scratch.name, name.decode())) as archive:
            archive.extractall(unpacked)
        self.assertEqual(sorted(os.listdir(unpacked)), ["README.txt", "SHA256SUMS", "provider_api.h", "qnpurge.exe"])
        exe_path = os.path.join(unpacked, "qnpurge.exe")
        # Signed by the certificate the authority issued, and every file as SHA256SUMS lists it.
        verified = run("osslsigncode", "verify", "-CAfile", authority, "-in", exe_path)
        self.assertIn("Signature verification: ok", verified)
        self.assertIn("qnpurge test signer", verified)
        self.assertEqual(run("sha256sum", "--check", "--strict", "SHA256SUMS", cwd=unpacked).split("\n")[:-1],
                         ["%s: OK" % name for name in ["README.txt", "provider_api.h", "qnpurge.exe"]])
        with open(os.path.join(unpacked, "README.txt"), "rb") as readme, open(exe_path, "rb") as exe:
            readme, exe = readme.read(), exe.read()
        self.assertEqual(readme, guide_text(self.scratch.name))
        resources = run(os.environ["QNPURGE_RC"], "-i", exe_path, "-O", "rc")
        self.assertIn("FILEVERSION %s, 0" % VERSION.replace(".", ", "), resources)
        self.assertIn('VALUE "ProductVersion", "%s"' % VERSION, resources)
        # Windows refuses to start an executable with a malformed manifest; Wine starts it anyway.
        manifest = list(ElementTree.fromstring(exe[exe.index(b"<?xml"):exe.index(b"</assembly>") + 11]).iter())
        levels = [e.get("level") for e in manifest if e.tag.endswith("}requestedExecutionLevel")]
        self.assertEqual(levels, ["asInvoker"])
        self.assertEqual(sum(e.tag.endswith("}supportedOS") for e in manifest), 5)

        store = Store(os.path.join(self.scratch.name, "store"))
        store.message("Main", "alice", "Inbox", "old.MAI", 40, read=True)
        store.message("Main", "alice", "Inbox", "new.MAI", 5, read=True)
        store.bad_message("bad.MAI", 90)
        # A Data Directory of the test's own, so that the run creates nothing outside the scratch folder.
        self.install_registry({ADMINISTRATION_KEY: {"Purge Wait": 0}, SERVER_KEY: {
            "Mail Root": native_path(store.mail_root), "Bad Mail Directory": native_path(store.bad_mail),
            "Application Directory": native_path(APPLICATION_DIRECTORY),
            "Data Directory": native_path(self.scratch.name)}})
        before = store.files()
        # Output to a file: the services Wine starts would hold a pipe open.
        with open(os.path.join(self.scratch.name, "out"), "w+b") as out:
            status = subprocess.run(["wine", exe_path, "ALL", "30", "REPORT"], stdin=subprocess.DEVNULL, stdout=out,
                                    timeout=120).returncode
            out.seek(0)
            lines = out.read().decode("latin-1").split("\r\n")
        self.assertEqual((status, store.files()), (0, before), lines)
        self.assertEqual(sorted(line.split(" in ")[0].strip() for line in lines if line.endswith(" old")),
                         ["bad.MAI", "old.MAI"])
