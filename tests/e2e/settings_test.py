"""The settings read from the registry, end to end: the bad-mail phase and the registry file."""
import os
import resource
import subprocess
import sys
import unittest

from harness import (APPLICATION_DIRECTORY, SANITIZED, SEPARATOR, TOOL, UNDER_WINE, ToolTestCase, clear_wine_registry,
                     native_path)
from qnstore import SERVER_KEY, Store, encode_registry, registry_text, write_registry

RETAIN_LINES = ["Utility is configured to delete unread messages", ""]
OPENING = "Cleaning Files files older than 30 days from BadMail directory"
SKIPPED = "Skipped the BadMail directory: Bad Mail Directory is not set"
NOTHING_PURGED = "Purged 0 messages (0 bytes) from 0 folders."


def install_export(case, keys):
    """Puts `keys` where the tool reads its registry as the file `reg export` writes (UTF-16LE
    with its byte-order mark): natively the registry file itself, under Wine imported into the
    prefix's registry. The same file on both."""
    write_registry(case.registry_file, keys)
    if UNDER_WINE:
        case.import_into_wine(case.registry_file)


class BadMailPhase(ToolTestCase):
    def setUp(self):
        super().setUp()
        if UNDER_WINE:
            clear_wine_registry()
            self.addCleanup(clear_wine_registry)
        self.store = Store(os.path.join(self.scratch.name, "store"))
        self.store.bad_message("old.MAI", 40)
        self.store.bad_message("new.MAI", 3)
        self.store.bad_message("older.mai", 400, in_messages=True)
        self.bad = native_path(self.store.bad_mail)
        self.messages = self.bad + SEPARATOR + "Messages"

    def configure(self, **server):
        values = {"Application Directory": native_path(APPLICATION_DIRECTORY),
                  "Data Directory": native_path(self.scratch.name)}
        values.update(server)
        install_export(self, {SERVER_KEY: values})

    def test_purges_the_folder_and_its_messages_folder_from_an_export(self):
        self.configure(**{"Bad Mail Directory": self.bad})
        size = sum(os.path.getsize(os.path.join(self.store.root, name)) for name in ["BADMAIL/old.MAI",
                                                                                   "BADMAIL/Messages/older.mai"])
        result = self.run_tool(["ALL", "30", "BADMAIL"])
        self.assertEqual(result.status, 0, result.text)
        self.assertEqual(result.lines, RETAIN_LINES + [
            OPENING,
            "old.MAI in %s is 0(y), 1(m), 10(d) old" % self.bad,
            "-->1\t Messages in\t" + self.bad,
            "older.mai in %s is 1(y), 1(m), 5(d) old" % self.messages,
            "-->1\t Messages in\t" + self.messages,
            "Purged 2 messages (%d bytes) from 2 folders." % size,
        ])
        self.assertEqual(self.store.files(), {"BADMAIL/new.MAI"})

    def test_an_unset_bad_mail_directory_skips_the_phase_with_status_1(self):
        self.configure()
        result = self.run_tool(["ALL", "30", "BADMAIL"])
        self.assertEqual(result.status, 1, result.text)
        self.assertEqual(result.lines, RETAIN_LINES + [SKIPPED, NOTHING_PURGED])

class MailRoot(ToolTestCase):
    def setUp(self):
        super().setUp()
        if UNDER_WINE:
            clear_wine_registry()
            self.addCleanup(clear_wine_registry)

    def test_a_store_or_a_server_key_that_is_not_there_is_said_with_status_1(self):
        # A typo, a store moved away or a drive not mounted must not purge nothing and succeed.
        a_file = os.path.join(self.scratch.name, "a file")
        open(a_file, "w").close()
        for path in (native_path(os.path.join(self.scratch.name, "nowhere")), native_path(a_file)):
            install_export(self, {SERVER_KEY: {
                "Mail Root": path, "Bad Mail Directory": path, "Data Directory": native_path(self.scratch.name),
                "Application Directory": native_path(APPLICATION_DIRECTORY)}})
            result = self.run_tool(["ALL", "30", "INBOX+BADMAIL"])
            self.assertEqual(result.status, 1, result.text)
            self.assertEqual(result.lines[2:], [
                "Purging Mailbox Messages older than 30 days",
                "Postoffice Root=" + path,
                "The Mail Root %s does not exist or is not a folder: no postoffice was purged." % path,
                OPENING,
                "The Bad Mail Directory %s does not exist or is not a folder: no bad mail was purged." % path,
                NOTHING_PURGED,
            ])
        # No server key at all: nothing else is read, loaded or said.
        if UNDER_WINE:
            clear_wine_registry()
        another = r"HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Another"
        install_export(self, {another: {"Mail Root": native_path(self.scratch.name)}})
        result = self.run_tool(["ALL", "30", "INBOX+BADMAIL"])
        self.assertEqual(result.status, 1, result.text)
        self.assertEqual(result.lines, RETAIN_LINES + [
            "The server key HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton does not exist: is the "
            "mail server installed on this machine? Nothing was done."])

@unittest.skipIf(UNDER_WINE, "the registry file is the POSIX build's registry")
class RegistryFile(ToolTestCase):
    def setUp(self):
        super().setUp()
        self.store = Store(os.path.join(self.scratch.name, "store"))
        self.old = self.store.bad_message("old.MAI", 400)

    def test_a_malformed_file_stops_the_run_before_anything_is_deleted(self):
        text = registry_text({SERVER_KEY: {"Bad Mail Directory": self.store.bad_mail}})
        with open(self.registry_file, "wb") as out:
            out.write(encode_registry(text + '"Blob"=hex:01,\\\r\n'))
        result = self.run_tool(["ALL", "30", "BADMAIL"])
        self.assertEqual(result.status, 1)
        self.assertEqual(result.lines, RETAIN_LINES + [
            "The registry file %s cannot be used: line 6: hex data is continued past the end of the file. "
            "Nothing was done." % self.registry_file])
        self.assertTrue(os.path.exists(self.old))

    def test_a_large_file_costs_memory_in_proportion_to_its_size(self):
        # 60 MiB of empty lines took 2.2 GB. (The parse's time is bench/hot_functions'.)
        # A Data Directory of the test's own, so that the run creates nothing outside it.
        header = ("Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n\"Data Directory\"=\"%s\"\r\n"
                  "\"Bad Mail Directory\"=\"%s\"\r\n\r\n" % (SERVER_KEY, self.scratch.name, self.scratch.name)).encode()
        # The peak of this run alone: a fresh process has waited for no other child.
        measure = ("import resource, subprocess, sys\n"
                   "status = subprocess.call(sys.argv[1:], stdout=subprocess.DEVNULL)\n"
                   "print(status, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
        # 60 MiB of empty lines; 59 MiB of short values in one key, each held (a map node each took
        # ten times the file's size).
        values = (b"".join(b"\"%x\"=\"\"\n" % i for i in range(n, n + 65536)) for n in range(0, 5 << 20, 65536))
        for chunks in ([b"\n" * (60 << 20)], values):
            with open(self.registry_file, "wb") as out:
                out.write(header)
                out.writelines(chunks)
            probe = subprocess.run([sys.executable, "-c", measure, TOOL, "ALL", "30", "BADMAIL"], check=True,
                                   text=True, stdout=subprocess.PIPE,
                                   env=dict(os.environ, QNPURGE_REGISTRY=self.registry_file))
            status, peak_kib = map(int, probe.stdout.split())
            self.assertEqual(status, 0)
            if not SANITIZED:
                self.assertLess(peak_kib, 4 * os.path.getsize(self.registry_file) // 1024 + 16 * 1024)

    @unittest.skipIf(SANITIZED, "a sanitizer reserves more address space than the limit")
    def test_memory_that_runs_out_ends_the_run_with_a_line(self):
        with open(self.registry_file, "wb") as out:
            out.write(b"Windows Registry Editor Version 5.00\r\n\r\n")
            out.writelines(b"".join(b"[HKEY_LOCAL_MACHINE\\k%07d]\r\n" % i for i in range(n, n + 65536))
                           for n in range(0, 2 << 20, 65536))
        limited = subprocess.run([TOOL, "ALL", "30", "INBOX"], stdin=subprocess.DEVNULL, capture_output=True,
                                 env=dict(os.environ, QNPURGE_REGISTRY=self.registry_file),
                                 preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (160 << 20, 160 << 20)))
        self.assertEqual((limited.returncode, limited.stderr), (1, b""))
        self.assertEqual(limited.stdout.decode().split("\n"), RETAIN_LINES + [
            "Not enough memory to go on. The run stopped.", ""])


if __name__ == "__main__":
    unittest.main()
