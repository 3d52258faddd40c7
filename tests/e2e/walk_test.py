import os
import re
import shutil
import subprocess
import time
import unittest

from harness import (APPLICATION_DIRECTORY, PROVIDER_DIRECTORY, SEPARATOR, UNDER_WINE, ToolTestCase, native_path,
                     tool_command)
from qnstore import ADMINISTRATION_KEY, BODY, HEADERS, SERVER_KEY, Store, message_data

MESSAGE_SIZE = len(message_data(HEADERS, BODY))  # read or not: "X-Read: 1" or "X-Read: 0"
PER_FILE = re.compile(r"^(\t\t)?.+ in .+ is \d+\(y\), \d+\(m\), \d+\(d\) old$")


def lay_main_office(store):
    """Postoffice Main ("Main Office"): alice's Inbox with an old read, an old unread and a new
    read message, and an old read message in the Postmaster's Inbox."""
    store.describe("Main", "Main Office")
    store.message("Main", "alice", "Inbox", "old-read.MAI", 40, read=True)
    store.message("Main", "alice", "Inbox", "old-unread.MAI", 40)
    store.message("Main", "alice", "Inbox", "new.MAI", 5, read=True)
    store.message("Main", "Postmaster", "Inbox", "pm.MAI", 50, read=True)


def normalized(lines):
    """Per-file lines of one folder come in the directory's own order: compare them as a set."""
    result, block = [], []
    for line in lines:
        if PER_FILE.match(line):
            block.append(line)
            continue
        if block:
            result.append(sorted(block))
            block = []
        result.append(line)
    if block:
        result.append(sorted(block))
    return result


class WalkCase(ToolTestCase):
    def setUp(self):
        super().setUp()
        self.store = Store(os.path.join(self.scratch.name, "store"))
        self.log_file = os.path.join(self.scratch.name, "provider.log")

    def configure(self, purge_wait=0, application_directory=APPLICATION_DIRECTORY):
        # A Data Directory of the test's own: an empty one would make the tool create
        # \Logging\RADMS at the top of the drive.
        self.install_registry({ADMINISTRATION_KEY: {"Purge Wait": purge_wait}, SERVER_KEY: {
            "Mail Root": native_path(self.store.mail_root), "Data Directory": native_path(self.scratch.name),
            "Application Directory": native_path(application_directory),
            "Bad Mail Directory": native_path(self.store.bad_mail_folder())}})

    def purge(self, *args, **kwargs):
        env = {"QNPURGE_PROVIDER_LOG": native_path(self.log_file)}
        return self.run_tool(list(args), env=env, **kwargs)

    def calls(self):
        if not os.path.exists(self.log_file):
            return []
        with open(self.log_file, encoding="latin-1") as log:
            return [line.rstrip("\r\n") for line in log]

    def calls_to(self, entry):
        return [line for line in self.calls() if line.startswith(entry + " ")]

    def folder(self, *parts):
        return native_path(os.path.join(self.store.mail_root, *parts))

    @staticmethod
    def totals(verb, messages, folders):
        """The last line of a run that lists `messages` of the store's one size."""
        return "%s %d messages (%d bytes) from %d folders." % (verb, messages, messages * MESSAGE_SIZE, folders)


class FullRun(WalkCase):
    def setUp(self):
        super().setUp()
        s = self.store
        for po, mailbox in [("Main", "alice"), ("Main", "bob"), ("Branch", "carol"), ("Main", "Postmaster")]:
            s.mailbox(po, mailbox)
        lay_main_office(s)
        s.message("Branch", "carol", "Inbox", "b.mai", 400, read=True)
        self.configure()

    def test_records_are_filled_and_reset_before_every_call(self):
        self.purge("ALL", "30", "INBOX")
        walk = [line for line in self.calls() if line.startswith(("Postoffice", "Mailbox"))]
        self.assertEqual(walk, [
            'PostofficeFindFirst name="" request=1 description="" -> 1 '
            'name="Branch" request=1 description="Branch"',
            'MailboxFindFirst postoffice="Branch" mailbox="" reserved="" request=-1,1,-1,-1 -> 1 mailbox="carol"',
            'MailboxFindNext postoffice="Branch" mailbox="" reserved="" request=-1,1,-1,-1 -> 0',
            'PostofficeFindNext name="" request=1 description="" -> 1 name="Main" request=1 description="Main Office"',
            'MailboxFindFirst postoffice="Main" mailbox="" reserved="" request=-1,1,-1,-1 -> 1 mailbox="alice"',
            'MailboxFindNext postoffice="Main" mailbox="" reserved="" request=-1,1,-1,-1 -> 1 mailbox="bob"',
            'MailboxFindNext postoffice="Main" mailbox="" reserved="" request=-1,1,-1,-1 -> 1 mailbox="Postmaster"',
            'MailboxFindNext postoffice="Main" mailbox="" reserved="" request=-1,1,-1,-1 -> 0',
            'PostofficeFindNext name="" request=1 description="" -> 0',
        ])
        main, branch = self.folder("Main", "MAILROOT"), self.folder("Branch", "MAILROOT")
        self.assertEqual(self.calls_to("ScanFolders"), ['ScanFolders path="%s%s%s%sInbox" 0 0' % (
            root, SEPARATOR, mailbox, SEPARATOR) for root, mailbox in [(branch, "carol"), (main, "alice"),
                                                                      (main, "Postmaster")]])

    @unittest.skipUnless(UNDER_WINE, "names the code page prints alike")
    def test_a_preview_says_exactly_what_the_run_then_does_and_deletes_nothing(self):
        # A read and an unread message whose names the code page prints alike (a?.MAI).
        s = self.store
        s.message("Main", "Postmaster", "Inbox", "a\u4e00.MAI", 50, read=True)
        s.message("Main", "Postmaster", "Inbox", "a\u4e01.MAI", 50)
        before = self.store.files()
        preview = self.purge("ALL", "30", "PREVIEW+POSTMASTER+INBOX", "UNREAD")
        self.assertEqual(preview.status, 0, preview.text)
        self.assertEqual(self.store.files(), before)
        run = self.purge("ALL", "30", "POSTMASTER+INBOX", "UNREAD")
        self.assertEqual(preview.lines[-1], run.lines[-1].replace("Purged", "Would purge"))
        self.assertEqual(normalized(preview.lines[:-1]), normalized(["Preview: nothing is deleted."] + run.lines[:-1]))


@unittest.skipIf(UNDER_WINE, "a FIFO is a POSIX file")
class Providers(WalkCase):
    def test_a_fifo_in_place_of_a_library_is_never_opened(self):
        self.store.mailbox("P", "m")
        libraries = os.path.join(self.scratch.name, "app")
        os.makedirs(libraries + "64")
        for name in ("QNAIAU.DLL", "QNAISP.DLL"):
            shutil.copy(os.path.join(PROVIDER_DIRECTORY, name), libraries + "64")
        os.mkfifo(os.path.join(libraries + "64", "QNAIPO.DLL"))
        self.configure(application_directory=libraries)
        result = self.purge("ALL", "30", "INBOX", timeout=20)
        self.assertEqual(result.status, 1)
        self.assertEqual(result.lines[2], "Unable to Load Postoffice Configuration Provider")


class FailSafe(WalkCase):
    def setUp(self):
        super().setUp()
        self.store.mailbox("P", "m")
        self.old = self.store.message("P", "m", "Inbox", "old.MAI", 40)
        self.configure()

    def test_a_message_that_cannot_be_deleted_is_reported_and_fails_the_run(self):
        inbox = self.folder("P", "MAILROOT", "m", "Inbox")
        if UNDER_WINE:
            os.chmod(self.old, 0o444)  # the read-only attribute: DeleteFileA refuses the file
            self.addCleanup(os.chmod, self.old, 0o644)
        elif subprocess.run(["chattr", "+i", self.old], stderr=subprocess.DEVNULL).returncode == 0:
            self.addCleanup(subprocess.run, ["chattr", "-i", self.old])
        else:
            self.skipTest("no immutable files here")
        result = self.purge("ALL", "30", "INBOX")
        self.assertEqual(result.status, 1)
        self.assertEqual(result.lines[-3:-1], ["Unable to delete old.MAI in " + inbox, "-->1\t Messages in\t" + inbox])
        self.assertTrue(os.path.exists(self.old))

    def test_two_runs_at_once_do_not_call_each_others_deletions_failures(self):
        # Each reads headers while the other deletes: the file must stay deletable while it is read.
        for i in range(3000):
            self.store.message("P", "m", "Inbox", "m%04d.MAI" % i, 40, read=True)
        env = dict(os.environ, QNPURGE_REGISTRY=self.registry_file)
        runs = [subprocess.Popen(tool_command(["ALL", "30", "INBOX", "UNREAD"]), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, env=env) for _ in range(2)]
        outputs = [run.communicate(timeout=300)[0].decode("latin-1") for run in runs]
        for run, output in zip(runs, outputs):
            self.assertEqual(run.returncode, 0, [line for line in output.splitlines() if "Unable" in line][:5])
        self.assertEqual(os.listdir(os.path.dirname(self.old)), ["old.MAI"])  # unread: kept

    @unittest.skipIf(UNDER_WINE, "the signal is sent to the POSIX process")
    def test_a_stopped_run_leaves_whole_lines_for_every_finished_folder(self):
        self.store.mailbox("Q", "m")
        self.configure(purge_wait=20000)
        path = os.path.join(self.scratch.name, "out")

        def log():  # read through a file of its own: the tool shares the offset of `out`
            with open(path, "rb") as written:
                return written.read().decode("latin-1")

        with open(path, "wb") as out:
            tool = subprocess.Popen(tool_command(["ALL", "30", "INBOX"]), stdin=subprocess.DEVNULL, stdout=out,
                                    env=dict(os.environ, QNPURGE_REGISTRY=self.registry_file))
            deadline = time.monotonic() + 10
            while "-->1" not in log() and time.monotonic() < deadline:
                time.sleep(0.05)
            tool.terminate()
            tool.wait(timeout=10)
        self.assertTrue(log().endswith("-->1\t Messages in\t%s\n" % self.folder("P", "MAILROOT", "m", "Inbox")), log())


if __name__ == "__main__":
    unittest.main()
