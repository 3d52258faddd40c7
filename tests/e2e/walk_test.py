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

    def configure(self, purge_wait=0, application_directory=APPLICATION_DIRECTORY, bad_mail=True):
        # A Data Directory of the test's own: an empty one would make the tool create
        # \Logging\RADMS at the top of the drive.
        server = {"Mail Root": native_path(self.store.mail_root), "Data Directory": native_path(self.scratch.name)}
        if application_directory is not None:
            server["Application Directory"] = native_path(application_directory)
        if bad_mail:
            server["Bad Mail Directory"] = native_path(self.store.bad_mail_folder())
        keys = {SERVER_KEY: server}
        if purge_wait is not None:
            keys[ADMINISTRATION_KEY] = {"Purge Wait": purge_wait}
        self.install_registry(keys)

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

    def assertOutput(self, result, expected):
        self.assertEqual(normalized(result.lines), normalized(expected))

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
        s.message("Main", "alice", "Deleted Items", "d1.MAI", 100, read=True)
        s.message("Main", "alice", "Sent Items", "s.MAI", 100, read=True)
        s.message("Branch", "carol", "Inbox", "b.mai", 400, read=True)
        s.bad_message("bad.MAI", 90)
        self.configure()

    def test_purges_the_chosen_folders_of_every_mailbox(self):
        before = self.store.files()
        result = self.purge("ALL", "30", "INBOX+DELETED", "UNREAD")
        self.assertEqual(result.status, 0, result.text)
        main, branch = self.folder("Main", "MAILROOT"), self.folder("Branch", "MAILROOT")
        self.assertOutput(result, [
            "Utility is configured to retain unread messages", "",
            "Purging Mailbox Messages older than 30 days",
            "Postoffice Root=" + native_path(self.store.mail_root),
            "Purging Postmaster mailbox for postoffice: Branch",
            "[SF:Branch/carol] -> Purging Deleted Items",
            "[SF:Branch/carol] -> Purging Inbox",
            "b.mai in %s%scarol%sInbox is 1(y), 1(m), 5(d) old" % (branch, SEPARATOR, SEPARATOR),
            "-->1\t Messages in\t%s%scarol%sInbox" % (branch, SEPARATOR, SEPARATOR),
            "Purging Postmaster mailbox for postoffice: Main Office",
            "[SF:Main/alice] -> Purging Deleted Items",
            "d1.MAI in %s%salice%sDeleted Items is 0(y), 3(m), 11(d) old" % (main, SEPARATOR, SEPARATOR),
            "-->1\t Messages in\t%s%salice%sDeleted Items" % (main, SEPARATOR, SEPARATOR),
            "[SF:Main/alice] -> Purging Inbox",
            "old-read.MAI in %s%salice%sInbox is 0(y), 1(m), 10(d) old" % (main, SEPARATOR, SEPARATOR),
            "-->2\t Messages in\t%s%salice%sInbox" % (main, SEPARATOR, SEPARATOR),
            "[SF:Main/bob] -> Purging Deleted Items",
            "[SF:Main/bob] -> Purging Inbox",
            "[SF:Main/Postmaster] -> Purging Deleted Items",
            "[SF:Main/Postmaster] -> Purging Inbox",
            "pm.MAI in %s%sPostmaster%sInbox is 0(y), 1(m), 20(d) old" % (main, SEPARATOR, SEPARATOR),
            "-->1\t Messages in\t%s%sPostmaster%sInbox" % (main, SEPARATOR, SEPARATOR),
            self.totals("Purged", 4, 4),
        ])
        gone = {"POSTOFFICES/Main/MAILROOT/Postmaster/Inbox/pm.MAI",
                "POSTOFFICES/Branch/MAILROOT/carol/Inbox/b.mai",
                "POSTOFFICES/Main/MAILROOT/alice/Deleted Items/d1.MAI",
                "POSTOFFICES/Main/MAILROOT/alice/Inbox/old-read.MAI"}
        self.assertEqual(self.store.files(), before - gone)
        self.assertEqual(self.calls_to("ScanFolders"), [
            'ScanFolders path="%s%scarol%sInbox" 0 0' % (branch, SEPARATOR, SEPARATOR),
            'ScanFolders path="%s%salice%sDeleted Items" 0 0' % (main, SEPARATOR, SEPARATOR),
            'ScanFolders path="%s%salice%sInbox" 0 0' % (main, SEPARATOR, SEPARATOR),
            'ScanFolders path="%s%sPostmaster%sInbox" 0 0' % (main, SEPARATOR, SEPARATOR),
        ])

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

    def test_a_preview_says_exactly_what_the_run_then_does_and_deletes_nothing(self):
        # With POSTMASTER and INBOX the Postmaster's Inbox comes twice: the run's second visit finds
        # the read messages gone and the old unread one kept.
        self.store.message("Main", "Postmaster", "Inbox", "pm-unread.MAI", 50)
        pristine = os.path.join(self.scratch.name, "pristine")
        shutil.copytree(self.store.root, pristine)
        s = self.store
        if UNDER_WINE:
            # A read and an unread message whose names the code page prints alike (a?.MAI).
            odd = [lambda: s.message("Main", "Postmaster", "Inbox", "a\u4e00.MAI", 50, read=True),
                   lambda: s.message("Main", "Postmaster", "Inbox", "a\u4e01.MAI", 50)]
        else:
            # Folders whose names differ only in case are other folders.
            odd = [lambda: s.message("Main", "POSTMASTER", "Inbox", "upper.MAI", 50, read=True),
                   lambda: s.message("Main", "m", "Inbox", "m.MAI", 40, read=True),
                   lambda: s.message("Main", "M", "Inbox", "M.MAI", 40, read=True)]
        for switches, unread, lay in [("POSTMASTER+INBOX+DELETED+BADMAIL", ["UNREAD"], []), ("POSTMASTER+INBOX", [], []),
                                      ("POSTMASTER+INBOX", ["UNREAD"], odd)]:
            with self.subTest(switches=switches, unread=unread, odd=bool(lay)):
                shutil.rmtree(self.store.root)
                shutil.copytree(pristine, self.store.root)
                for message in lay:
                    message()
                os.path.exists(self.log_file) and os.remove(self.log_file)
                before = self.store.files()
                preview = self.purge("ALL", "30", "PREVIEW+" + switches, *unread)
                self.assertEqual(preview.status, 0, preview.text)
                self.assertEqual(self.store.files(), before)
                self.assertEqual(self.calls_to("ScanFolders"), [])
                run = self.purge("ALL", "30", switches, *unread)
                self.assertNotEqual(self.store.files(), before)
                self.assertEqual(preview.lines[-1], run.lines[-1].replace("Purged", "Would purge"))
                self.assertEqual(normalized(preview.lines[:-1]),
                                 normalized(["Preview: nothing is deleted."] + run.lines[:-1]))

class Providers(WalkCase):
    def setUp(self):
        super().setUp()
        self.store.mailbox("P", "m")
        self.store.message("P", "m", "Inbox", "old.MAI", 40)
        self.libraries = os.path.join(self.scratch.name, "app")

    def provide(self, *names):
        """An application directory whose provider directory holds only `names`."""
        os.makedirs(self.libraries + "64", exist_ok=True)
        for name in names:
            shutil.copy(os.path.join(PROVIDER_DIRECTORY, name), self.libraries + "64")
        self.configure(application_directory=self.libraries)

    def test_a_missing_store_provider_skips_only_the_rescan_and_its_preview_says_so(self):
        self.provide("QNAIPO.DLL")
        preview = self.purge("ALL", "30", "PREVIEW+INBOX")
        result = self.purge("ALL", "30", "INBOX")
        self.assertEqual(preview.status, 1)
        self.assertEqual(preview.lines, ["Preview: nothing is deleted."] + result.lines[:-1] +
                         [result.lines[-1].replace("Purged", "Would purge")])
        self.assertEqual(result.status, 1)
        inbox = self.folder("P", "MAILROOT", "m", "Inbox")
        self.assertEqual(result.lines[-3:-1], [
            "-->1\t Messages in\t" + inbox,
            "Skipped the rescan of %s: the Store Provider is not loaded" % inbox,
        ])
        self.assertFalse(os.path.exists(os.path.join(self.store.mail_root, "P", "MAILROOT", "m", "Inbox", "old.MAI")))

    def test_only_loaded_libraries_are_released_store_first(self):
        self.provide("QNAIPO.DLL", "QNAISP.DLL")
        result = self.purge("ALL", "30", "BADMAIL")
        self.assertEqual(result.status, 0, result.text)
        self.assertEqual([c for c in self.calls() if c.startswith("QNAI")], [
            "QNAIPO loaded", "QNAISP loaded", "QNAISP released", "QNAIPO released"])
        self.assertEqual(result.lines[2:], ["Unable to Load Authentication Provider",
                                            "Cleaning Files files older than 30 days from BadMail directory",
                                            "Purged 0 messages (0 bytes) from 0 folders."])

    def test_a_relative_provider_directory_is_never_loaded_from(self):
        # Without an Application Directory the provider directory is "64": libraries planted
        # there, in the current directory, must not run.
        planted = os.path.join(self.scratch.name, "64")
        shutil.copytree(PROVIDER_DIRECTORY, planted)
        self.configure(application_directory=None)
        result = self.run_tool(["ALL", "30", "INBOX"], cwd=self.scratch.name,
                               env={"QNPURGE_PROVIDER_LOG": native_path(self.log_file)})
        self.assertEqual(result.status, 1)
        self.assertEqual(result.lines[2:5], [
            "Unable to Load Authentication Provider",
            "Unable to Load Postoffice Configuration Provider",
            "Unable to Load Store Provider",
        ])
        self.assertEqual(self.calls(), [])


    @unittest.skipIf(UNDER_WINE, "a FIFO is a POSIX file")
    def test_a_fifo_in_place_of_a_library_is_never_opened(self):
        self.provide("QNAIAU.DLL", "QNAISP.DLL")
        os.mkfifo(os.path.join(self.libraries + "64", "QNAIPO.DLL"))
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

    def test_a_file_where_a_folder_should_be_is_reported_and_fails_the_run(self):
        sent = os.path.join(self.store.mail_root, "P", "MAILROOT", "m", "Sent Items")
        os.rmdir(sent)
        with open(sent, "w") as out:
            out.write("not a folder")
        result = self.purge("ALL", "30", "SENT")
        self.assertEqual(result.status, 1)
        self.assertEqual(result.lines[-2], "Unable to search " + self.folder("P", "MAILROOT", "m", "Sent Items"))

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


@unittest.skipIf(UNDER_WINE, "Windows folder names cannot hold these characters")
class UnusableNames(WalkCase):
    def test_names_that_cannot_be_part_of_a_path_are_skipped(self):
        self.store.mailbox("P", "a:b")
        self.store.mailbox("P", "ok")
        self.store.mailbox("x:y", "m")
        self.store.message("P", "ok", "Inbox", "old.MAI", 40)
        self.configure()
        result = self.purge("ALL", "30", "INBOX")
        self.assertEqual(result.status, 1)
        self.assertIn('Skipped mailbox "a:b" of postoffice P: the name cannot be part of a folder path', result.lines)
        self.assertIn('Skipped postoffice "x:y": the name cannot be part of a folder path', result.lines)
        self.assertIn("[SF:P/ok] -> Purging Inbox", result.lines)


class NamesWindowsWouldRewrite(WalkCase):
    def test_postoffices_and_mailboxes_plain_paths_read_as_others_are_skipped_on_both_builds(self):
        s = self.store
        odd = [s.message("P", name, "Inbox", "old.MAI", 40) for name in ("m.", "m..", "CON", "lpt1.x")]
        odd.append(s.message("...", "Postmaster", "Inbox", "old.MAI", 40))
        plain = s.message("P", "m", "Inbox", "old.MAI", 40)
        self.configure()
        result = self.purge("P/m.", "30", "INBOX")
        self.assertEqual(result.status, 1, result.text)
        self.assertIn('Skipped mailbox "m." of postoffice P: Windows would read its folder name as another one',
                      result.lines)
        self.assertTrue(os.path.exists(plain))
        result = self.purge("ALL", "30", "INBOX+POSTMASTER")
        self.assertEqual(result.status, 1, result.text)
        # Under Wine the sample provider's own listing reads CON, lpt1.x and ... as a device or
        # the parent folder, and never names them.
        mailboxes = ("m.", "m..") if UNDER_WINE else ("CON", "lpt1.x", "m.", "m..")
        skipped = [line for line in result.lines if line.startswith("Skipped ")]
        self.assertEqual(sorted(skipped), [
            'Skipped mailbox "%s" of postoffice P: Windows would read its folder name as another one' % name
            for name in mailboxes] +
            ([] if UNDER_WINE else ['Skipped postoffice "...": Windows would read its folder name as another one']))
        self.assertTrue(all(os.path.exists(path) for path in odd))
        self.assertFalse(os.path.exists(plain))


if __name__ == "__main__":
    unittest.main()
