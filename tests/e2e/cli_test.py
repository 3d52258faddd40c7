import subprocess
import unittest

from harness import UNDER_WINE, ToolTestCase

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


class UsageText(unittest.TestCase):
    def test_usage_text_is_exact_and_ends_with_status_0(self):
        cases = [[], ["ALL"], ["ALL", "30"], ["/?", "30", "INBOX"], ["?", "30", "INBOX", "UNREAD"]]
        for args in cases:
            with self.subTest(args=args):
                result = ToolTestCase.run_tool(self, args)
                self.assertEqual(result.status, 0)
                self.assertEqual(result.text, USAGE)
                if UNDER_WINE:
                    self.assertEqual(result.raw.count(b"\n"), result.raw.count(b"\r\n"))

    def test_banner_lines_are_66_characters(self):
        self.assertEqual([len(line) for line in USAGE.split("\n")[:4]], [66, 66, 66, 66])

    @unittest.skipIf(UNDER_WINE, "the terminal rule is the POSIX build's")
    def test_no_wait_for_a_key_without_a_terminal(self):
        # A pipe that stays open would block a read: the tool must not read it at all.
        result = ToolTestCase.run_tool(self, [], stdin=subprocess.PIPE, timeout=10)
        self.assertEqual(result.status, 0)

    def setUp(self):
        ToolTestCase.setUp(self)


class RunSequence(ToolTestCase):
    def test_retain_or_delete_line_comes_first(self):
        result = self.run_tool(["ALL", "30", "INBOX+DELETED", "UNREAD"])
        self.assertEqual(result.lines[:2], ["Utility is configured to retain unread messages", ""])
        result = self.run_tool(["ALL", "30", "nothing"])
        self.assertEqual(result.lines[:2], ["Utility is configured to delete unread messages", ""])

    def test_overlong_arguments_are_refused_before_anything_runs(self):
        result = self.run_tool(["P" * 128, "30", "INBOX"])
        self.assertEqual(result.status, 1)
        self.assertEqual(result.lines,
                         ["The target argument is 128 characters long; at most 127 are accepted. Nothing was done."])
        result = self.run_tool(["ALL", "30", "X" * 1024])
        self.assertEqual(result.status, 1)
        self.assertEqual(len(result.lines), 1)


if __name__ == "__main__":
    unittest.main()
