import os
import subprocess
import unittest

from harness import UNDER_WINE, ToolTestCase, native_path, tool_command
from qnstore import SERVER_KEY

USAGE = (
    "******************************************************************\n"
    "*            Quillerton Message Store Purge Utility              *\n"
    "*            Version 1.3                                         *\n"
    "******************************************************************\n\n"
    "This utility will purge all Postmaster, Badmail, Inbox or Deleted Items messages that exceed the specified age.\n\n"
    "Syntax: QNPURGE {POSTOFFICE|POSTOFFICE/MAILBOX|ALL} {DAYS} {SWITCHES} [UNREAD]\n\n"
    "Parameters:\n"
    "POSTOFFICE|POSTOFFICE/MAILBOX|ALL = Apply to a single postoffice, to a single mailbox or to all post offices\n"
    "DAYS = The minimum age of messages (in days)\n"
    "SWITCHES = See following section (switches are delimited by a plus)\n"
    "UNREAD = Do not purge unread messages\n\n"
    "Switches: (delimited by a plus character)\n"
    "POSTMASTER = Clean the Inbox of Postmaster Mailboxes\n"
    "INBOX = Clean the Inbox of all Mailboxes\n"
    "DELETED = Clean the Deleted Items Folder of all Mailboxes\n"
    "SENT = Clean the Sent Items Folder of all Mailboxes\n"
    "JUNK = Clean the Junk E-mail Folder of all Mailboxes\n"
    "BADMAIL = Clean the System BadMail Folder\n"
    "REPORT = Reports on matching deletions for all settings - does not delete messages\n\n"
    "Note: Multiple switches can be used if delimited with a + character.\n\n"
    "e.g.: QNPURGE MAINOFFICE 30 INBOX+DELETED+SENT UNREAD\n\n"
    "Press any key to continue..\n"
)


class UsageText(ToolTestCase):
    def test_usage_text_is_exact_and_ends_with_status_0_or_1_when_arguments_are_missing(self):
        too_few = USAGE.replace("Press any key to continue..\n",
                                "Not enough arguments: TARGET, DAYS and SWITCHES are needed. Nothing was done.\n")
        for args, status, text in [([], 0, USAGE), (["ALL", "30"], 1, too_few)]:
            with self.subTest(args=args):
                result = self.run_tool(args)
                self.assertEqual(result.status, status)
                self.assertEqual(result.text, text)
                if UNDER_WINE:
                    self.assertEqual(result.raw.count(b"\n"), result.raw.count(b"\r\n"))

    @unittest.skipIf(UNDER_WINE, "the terminal rule is the POSIX build's")
    def test_no_wait_for_a_key_without_a_terminal(self):
        # A pipe that stays open would block a read: the tool must not read it at all.
        result = self.run_tool([], stdin=subprocess.PIPE, timeout=10)
        self.assertEqual(result.status, 0)


class RunSequence(ToolTestCase):
    def setUp(self):
        super().setUp()
        self.install_registry({SERVER_KEY: {"Data Directory": native_path(self.scratch.name),
                                            "Bad Mail Directory": native_path(self.scratch.name)}})

    def test_retain_or_delete_line_comes_first(self):
        result = self.run_tool(["ALL", "30", "INBOX+DELETED", "UNREAD"])
        self.assertEqual(result.lines[:2], ["Utility is configured to retain unread messages", ""])
        result = self.run_tool(["ALL", "30", "JUNK"])
        self.assertEqual(result.lines[:2], ["Utility is configured to delete unread messages", ""])

    def test_a_log_that_cannot_be_written_fails_the_run(self):
        self.assertEqual(self.run_tool(["ALL", "30", "BADMAIL"]).status, 0)
        with open("/dev/full", "wb") as full:
            completed = subprocess.run(tool_command(["ALL", "30", "BADMAIL"]), stdin=subprocess.DEVNULL, stdout=full,
                                       stderr=subprocess.DEVNULL, timeout=120,
                                       env=dict(os.environ, QNPURGE_REGISTRY=self.registry_file))
        self.assertEqual(completed.returncode, 1)


if __name__ == "__main__":
    unittest.main()
