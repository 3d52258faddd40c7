"""qnpurge_faults as a process (QNPURGE_TOOL names it here). It fails only what happens inside one call
of the host system: a listing part way, an entry's type or times, a header read after the open, the
disposition, the registry file, the output, an allocation, and on Windows the pause, the rescan's
apartment and the event once its source is open; a call that fails as a whole is failed over the
in-memory system by the unit test FaultSweep. QNPURGE_FAULT_AT=N fails the N-th such failure point
reached, of the kind QNPURGE_FAULT_KIND names if set; QNPURGE_FAULT_LOG receives the points reached
of every kind of the build and the kind failed. The run without a fault reaches every kind of the
build; its first point, and the first of every kind it reaches, failed, ends with status 1 and a
line saying what failed (unless the output did; an event not written leaves the run's status; an
apartment not joined changes nothing), and deletes nothing the run without the fault keeps.
"""
import os
import re
import unittest

from harness import UNDER_WINE, native_path
from walk_test import WalkCase, lay_main_office

FAILURE_LINE = re.compile(r"^(Unable to |Skipped |Not enough memory|The registry file )")


class FaultInjection(WalkCase):
    def run_faulted(self, fail_at, kind=""):
        lay_main_office(self.store)  # again before every run: what an earlier run deleted is back
        self.store.bad_message("bad.MAI", 90)
        link = os.path.join(self.store.folder("Main", "alice", "Inbox"), "link.MAI")
        if not UNDER_WINE and not os.path.lexists(link):  # its type is read through the link
            os.symlink(os.path.join(self.store.folder("Main", "alice", "Inbox"), "old-read.MAI"), link)
            os.utime(link, (0, 0), follow_symlinks=False)
        log = os.path.join(self.scratch.name, "faults.log")
        env = {"QNPURGE_FAULT_AT": str(fail_at), "QNPURGE_FAULT_KIND": kind, "QNPURGE_FAULT_LOG": native_path(log)}
        result = self.run_tool(["ALL", "30", "POSTMASTER+INBOX+BADMAIL", "UNREAD"], env=env)
        with open(log) as lines:
            return result, [line.split() for line in lines], self.store.files()

    def test_failed_calls_are_said_and_delete_nothing_that_is_kept(self):
        self.configure()
        expected, entries, kept = self.run_faulted(0)
        self.assertEqual(expected.status, 0, expected.text)
        self.assertEqual(entries[-1], ["failed", "none"])
        made = [kind for kind, count in entries[:-1] if int(count) > 0]
        self.assertEqual(made, [kind for kind, _ in entries[:-1]], "every kind of the build is reached")
        for kind in [""] + made:
            result, entries, left = self.run_faulted(1, kind)
            failed = entries[-1][1]
            where = "first call of %s (%s): status %d\n%s" % (kind or "any kind", failed, result.status, result.text)
            self.assertEqual(failed, kind or failed, where)
            self.assertLessEqual(kept, left, where)
            if failed == "com-apartment":  # the store provider is asked all the same: it may join one itself
                self.assertEqual((result.status, result.lines), (0, expected.lines), where)
                continue
            self.assertEqual(result.status, expected.status if failed == "report-event" else 1, where)
            said = [line for line in result.lines if FAILURE_LINE.match(line) and line not in expected.lines]
            self.assertTrue(said or failed == "write-output", where)


if __name__ == "__main__":
    unittest.main()
