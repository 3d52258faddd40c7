"""What only the Windows build meets: names the code page cannot show or that plain paths read as
devices, message files another program holds open or replaces (tests/hold_file.cpp), and
the run's event in the Application log."""
import codecs
import os
import re
import subprocess
import time
import unittest

from harness import UNDER_WINE, native_path
from qnstore import write_message
from walk_test import WalkCase

HOLD_FILE = os.environ.get("QNPURGE_HOLD_FILE")
SLASHES = "x\uff3c..\uff3c..\uff3c..\uff3cbob\uff3cInbox\uff3cVICTIM.MAI"  # fullwidth reverse solidus
FULLWIDTH_A = "\uff41.MAI"
# Wine 8 logs nothing, but traces the event on these channels: a line with its type and ID, then
# each string at the level of its type.
EVENT_TRACE = {"WINEDEBUG": "fixme+advapi,+eventlog"}
REPORTED = re.compile(r"fixme:advapi:ReportEventW \([0-9A-Fa-f]+,0x([0-9a-f]+),0x[0-9a-f]+,0x([0-9a-f]+),")
STRING = re.compile(r"(trace|warn|err):eventlog:ReportEventW L\"(.*)\"$")
INFORMATION, ERROR = 0x4, 0x1
DEVICE_NAMES = ["LPT9.MAI", "com9.mai", "PRN.x.MAI", "CON.MAI", "NUL.MAI", "AUX.MAI", "COM1.MAI"]


class HeadquartersCase(WalkCase):
    def setUp(self):
        super().setUp()
        self.store.describe("Headquarters", "Headquarters")
        self.configure()


@unittest.skipUnless(UNDER_WINE, "Windows names and sharing")
class ExactNames(HeadquartersCase):
    def test_a_name_the_code_page_lacks_is_handled_as_itself_and_printed_without_best_fit(self):
        s = self.store
        for switches in (["INBOX"], ["INBOX", "UNREAD"]):
            victim = s.message("Headquarters", "bob", "Inbox", "VICTIM.MAI", 1)
            plain = s.message("Headquarters", "alice", "Inbox", "a.MAI", 1, read=True)
            odd = [s.message("Headquarters", "alice", "Inbox", name, 40, read=True) for name in (SLASHES, FULLWIDTH_A)]
            result = self.purge("Headquarters/alice", "30", *switches)
            self.assertEqual(result.status, 0, result.text)
            self.assertTrue(os.path.exists(victim) and os.path.exists(plain), switches)
            self.assertFalse(any(os.path.exists(path) for path in odd), switches)
            inbox = self.folder("Headquarters", "MAILROOT", "alice", "Inbox")
            printed = sorted(line.split(" in ")[0] for line in result.lines if line.endswith(" old"))
            self.assertEqual(printed, ["?.MAI", "x?..?..?..?bob?Inbox?VICTIM.MAI"], switches)
            self.assertIn("-->2\t Messages in\t" + inbox, result.lines)
        # Each rescan was asked for from the multithreaded apartment.
        self.assertEqual(set(self.calls_to("Apartment")), {"Apartment MTA"})

    def test_messages_named_as_devices_are_purged_by_their_own_names(self):
        s = self.store
        for switches in (["INBOX"], ["INBOX", "UNREAD"]):
            old = [s.message("Headquarters", "alice", "Inbox", name, 40, read=True) for name in DEVICE_NAMES]
            unread = s.message("Headquarters", "alice", "Inbox", "Lpt8.MAI", 40)
            result = self.purge("Headquarters/alice", "30", *switches)
            self.assertEqual(result.status, 0, result.text)
            self.assertFalse(any(os.path.exists(path) for path in old), switches)
            self.assertEqual(os.path.exists(unread), "UNREAD" in switches)
            self.assertIn("Purged %d messages" % (len(old) + ("UNREAD" not in switches)), result.lines[-1])

    def test_a_name_that_does_not_convert_never_costs_the_young_message_that_bears_its_substitute(self):
        # Wine lists the name 0xFF as U+FFFD, which names the other file.
        young = self.store.message("Headquarters", "alice", "Inbox", "\ufffd.MAI", 1, read=True)
        write_message(os.path.join(os.path.dirname(young).encode(), b"\xff.MAI"), 40, read=True)
        for switches in (["INBOX"], ["INBOX", "UNREAD"]):
            result = self.purge("Headquarters/alice", "30", *switches)
            self.assertTrue(os.path.exists(young), result.text)
            self.assertFalse(any(line.endswith(" old") for line in result.lines), result.text)

@unittest.skipUnless(UNDER_WINE, "Windows names and sharing")
class HeldFiles(HeadquartersCase):
    def hold(self, release_when_gone, milliseconds, files, replacement=None):
        holder = subprocess.Popen(["wine", HOLD_FILE, native_path(release_when_gone), str(milliseconds)] +
                                  [native_path(path) for path in files] +
                                  (["+" + native_path(replacement)] if replacement else []),
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(holder.wait, 30)
        self.assertEqual(holder.stdout.readline().strip(), b"held")
        holder.stdout.close()
        return holder

    def test_a_file_held_for_a_moment_is_deleted_on_a_later_try(self):
        s = self.store
        for switches in (["INBOX+DELETED"], ["INBOX+DELETED", "UNREAD"]):
            # Deleted Items goes first: the holder lets go of the Inbox message a moment after
            # the first deletion, while the run waits to try it again.
            first = s.message("Headquarters", "alice", "Deleted Items", "first.MAI", 40, read=True)
            held = s.message("Headquarters", "alice", "Inbox", "held.MAI", 40, read=True)
            holder = self.hold(first, 150, [held])
            result = self.purge("Headquarters/alice", "30", *switches)
            holder.wait(30)
            self.assertEqual(result.status, 0, result.text)
            self.assertFalse(os.path.exists(held), switches)

    def test_a_held_message_replaced_during_the_retries_stays(self):
        s = self.store
        for switches in (["INBOX+DELETED"], ["INBOX+DELETED", "UNREAD"]):
            first = s.message("Headquarters", "alice", "Deleted Items", "first.MAI", 40, read=True)
            held = s.message("Headquarters", "alice", "Inbox", "held.MAI", 40, read=True)
            young = os.path.join(self.scratch.name, "young.MAI")
            write_message(young, 0, read=True)
            holder = self.hold(first, 150, [held], replacement=young)
            result = self.purge("Headquarters/alice", "30", *switches)
            self.assertEqual(holder.wait(30), 0)
            self.assertEqual(result.status, 0, result.text)
            self.assertTrue(os.path.exists(held), switches)
            self.assertFalse(any(line.startswith("held.MAI") for line in result.lines), result.text)

    def test_every_other_file_of_a_folder_held_throughout_is_said_and_never_stalls_the_run(self):
        s = self.store
        files = [s.message("Headquarters", "alice", "Inbox", "m%02d.MAI" % i, 40, read=True) for i in range(60)]
        held = files[::2]
        flag = os.path.join(self.scratch.name, "hold.flag")
        open(flag, "w").close()
        self.hold(flag, 0, held)
        try:
            started = time.monotonic()
            result = self.purge("Headquarters/alice", "30", "INBOX")
            elapsed = time.monotonic() - started
        finally:
            os.remove(flag)
        self.assertEqual(result.status, 1, result.text)
        inbox = self.folder("Headquarters", "MAILROOT", "alice", "Inbox")
        unable = [line for line in result.lines if line.startswith("Unable to ")]
        self.assertEqual(sorted(unable), ["Unable to delete %s in %s" % (os.path.basename(p), inbox) for p in held])
        self.assertTrue(all(os.path.exists(path) for path in held))
        self.assertFalse(any(os.path.exists(path) for path in files[1::2]))
        # A second of waits for the folder, one try for each held file after that.
        self.assertLess(elapsed, 8)


@unittest.skipUnless(UNDER_WINE, "the Application log")
class RunEvents(HeadquartersCase):
    def events(self, *args):
        """The status, the output's lines and every event of a run: (type, ID, level, strings)."""
        result = self.run_tool(list(args), env=dict(EVENT_TRACE))
        events = []
        for line in result.errors.splitlines():
            reported, string = REPORTED.search(line), STRING.search(line)
            if reported:
                events.append((int(reported.group(1), 16), int(reported.group(2), 16), [], []))
            elif string and events:
                events[-1][2].append(string.group(1))
                events[-1][3].append(codecs.decode(string.group(2), "unicode_escape"))
        return result, [(kind, event_id, set(levels), strings) for kind, event_id, levels, strings in events]

    def assertEvent(self, events, kind, event_id, level, strings):
        self.assertEqual(len(events), 1, events)
        self.assertEqual(events[0][:3], (kind, event_id, {level}))
        self.assertRegex(events[0][3][0], r"\\(?i:qnpurge\.exe) " + re.escape(strings[0]) + "$")
        self.assertEqual(events[0][3][1:], strings[1:])

    def test_each_run_past_the_usage_text_writes_one_event_of_its_kind(self):
        self.store.message("Headquarters", "alice", "Inbox", "old.MAI", 40, read=True)
        result, events = self.events("Headquarters/alice", "30", "INBOX")
        self.assertEqual(result.status, 0, result.text)
        self.assertEvent(events, INFORMATION, 1000, "trace",
                         ["Headquarters/alice 30 INBOX", self.totals("Purged", 1, 1)])

        result, events = self.events("Nowhere", "30", "INBOX")
        self.assertEqual(result.status, 1, result.text)
        self.assertEvent(events, ERROR, 1001, "err", ["Nowhere 30 INBOX",
                                                      'No postoffice or mailbox matched the target "Nowhere".',
                                                      self.totals("Purged", 0, 0)])

        for args, refusal in ((["ALL", "3O", "INBOX"], 'The DAYS argument "3O" is not a number. Nothing was done.'),
                              (["ALL"], "Not enough arguments: TARGET, DAYS and SWITCHES are needed. Nothing was done.")):
            result, events = self.events(*args)
            self.assertEqual((result.status, result.lines[-1]), (1, refusal))
            self.assertEvent(events, ERROR, 1002, "err", [" ".join(args), refusal])

        result, events = self.events("/?")
        self.assertEqual((result.status, events), (0, []))


if __name__ == "__main__":
    unittest.main()
