"""The fault-injection build of the tool as a process (QNPURGE_TOOL names qnpurge_faults here); the
unit test FaultSweep fails every call of representative runs in turn, in one process.

QNPURGE_FAULT_AT=N fails the N-th platform call that can fail, of the kind QNPURGE_FAULT_KIND
names if set, and QNPURGE_FAULT_LOG receives how many calls the run made of every kind the build
has, and the kind it failed. The run without a fault lists every kind of platform/fault_points.def
that the build makes, once. Its first call failed, and the first call of a few kinds: status 1,
a line saying what failed (unless the output did), and nothing deleted that the run keeps.
"""
import os
import re
import unittest

from harness import APPLICATION_DIRECTORY, UNDER_WINE, ToolTestCase, native_path
from qnstore import ADMINISTRATION_KEY, SERVER_KEY, Store
from walk_test import lay_main_office

FAULT_POINTS = os.path.join(os.path.dirname(__file__), "..", "..", "platform", "fault_points.def")
FAILURE_LINE = re.compile(r"^(Unable to |Skipped |Not enough memory|The registry file )")


class FaultInjection(ToolTestCase):
    def run_faulted(self, fail_at, kind=""):
        # Laid out again before every run: what an earlier run deleted is back.
        lay_main_office(self.store)
        self.store.bad_message("bad.MAI", 90)
        log = os.path.join(self.scratch.name, "faults.log")
        env = {"QNPURGE_FAULT_AT": str(fail_at), "QNPURGE_FAULT_KIND": kind, "QNPURGE_FAULT_LOG": native_path(log)}
        result = self.run_tool(["ALL", "30", "POSTMASTER+INBOX+BADMAIL"], env=env)
        with open(log) as lines:
            entries = [line.split() for line in lines]
        return result, entries, self.store.files()

    def test_failed_calls_are_said_and_delete_nothing_that_is_kept(self):
        self.store = Store(os.path.join(self.scratch.name, "store"))
        self.install_registry({
            SERVER_KEY: {
                "Mail Root": native_path(self.store.mail_root),
                "Application Directory": native_path(APPLICATION_DIRECTORY),
                "Bad Mail Directory": native_path(self.store.bad_mail),
                "Data Directory": native_path(self.scratch.name),
            },
            ADMINISTRATION_KEY: {"Purge Wait": 0},
        })
        expected, entries, kept = self.run_faulted(0)
        self.assertEqual(expected.status, 0, expected.text)
        with open(FAULT_POINTS) as table:
            rows = re.findall(r'QNPURGE_FAULT_POINT\(\w+, "([\w-]+)", (\w+)', table.read())
        builds = ("kBoth", "kWindows" if UNDER_WINE else "kPosix")
        kinds = [name for name, made in rows if made in builds]
        self.assertEqual(sorted(entry[0] for entry in entries), sorted(kinds + ["failed"]))
        for kind in ["", "list-folder", "read-folder", "delete", "find-symbol"]:
            result, entries, left = self.run_faulted(1, kind)
            failed = dict(entries)["failed"]
            where = "first call of %s (%s): status %d\n%s" % (kind or "any kind", failed, result.status, result.text)
            self.assertEqual((result.status, failed), (1, kind or failed), where)
            self.assertLessEqual(kept, left, where)
            if failed != "write-output":
                said = [line for line in result.lines if line not in expected.lines]
                self.assertTrue(any(FAILURE_LINE.match(line) for line in said), where)


if __name__ == "__main__":
    unittest.main()
