"""The fault-injection build of the tool as a process; the unit test FaultSweep fails every call of
representative runs in turn, in one process.

QNPURGE_FAULT_TOOL fails the N-th platform call that can fail when QNPURGE_FAULT_AT=N (of the kind
QNPURGE_FAULT_KIND names, if set), and writes to QNPURGE_FAULT_LOG how many calls it made of every
kind the build has, and which one it failed. The run without a fault lists every kind of
platform/fault_points.def that the build makes, once. Its first call failed, and the first call
of a few kinds: status 1 with a line saying what failed (unless the output failed), nothing kept
deleted and nothing on standard error.
"""
import os
import re
import subprocess
import tempfile
import unittest

from harness import UNDER_WINE, ToolTestCase, native_path
from qnstore import ADMINISTRATION_KEY, SERVER_KEY, Store
from walk_test import lay_main_office

FAULT_TOOL = os.environ["QNPURGE_FAULT_TOOL"]
FAULT_POINTS = os.path.join(os.path.dirname(__file__), "..", "..", "platform", "fault_points.def")
FAILURE_LINE = re.compile(r"^(Unable to |Skipped |Not enough memory|The registry file )")
ARGS = ["ALL", "30", "POSTMASTER+INBOX+BADMAIL"]


def kinds_of_build():
    with open(FAULT_POINTS) as table:
        rows = re.findall(r'QNPURGE_FAULT_POINT\(\w+, "([\w-]+)", (\w+)', table.read())
    return sorted(name for name, builds in rows if builds in ("kBoth", "kWindows" if UNDER_WINE else "kPosix"))


class FaultInjection(ToolTestCase):
    def setUp(self):
        super().setUp()
        self.store = Store(os.path.join(self.scratch.name, "store"))
        lay_main_office(self.store)
        self.store.bad_message("bad.MAI", 90)
        self.install_registry({
            SERVER_KEY: {
                "Mail Root": native_path(self.store.mail_root),
                "Application Directory": native_path(os.path.join(os.path.dirname(FAULT_TOOL), "providers")),
                "Bad Mail Directory": native_path(self.store.bad_mail),
                "Data Directory": native_path(self.scratch.name),
            },
            ADMINISTRATION_KEY: {"Purge Wait": 0},
        })
        self.fault_log = os.path.join(self.scratch.name, "faults.log")
        # Every file as it was, to put back what a run deleted.
        self.pristine = os.path.join(self.scratch.name, "pristine")
        self.files = sorted(self.store.files())
        for name in self.files:
            os.makedirs(os.path.dirname(os.path.join(self.pristine, name)), exist_ok=True)
            os.link(os.path.join(self.store.root, name), os.path.join(self.pristine, name))

    def run_faulted(self, fail_at, kind=None):
        env = dict(os.environ, QNPURGE_FAULT_AT=str(fail_at), QNPURGE_FAULT_LOG=native_path(self.fault_log))
        if kind:
            env["QNPURGE_FAULT_KIND"] = kind
        if not UNDER_WINE:
            env["QNPURGE_REGISTRY"] = self.registry_file
        command = (["wine", FAULT_TOOL] if UNDER_WINE else [FAULT_TOOL]) + ARGS
        # Now and then a busy Wine fails to start a program at all: a run that printed nothing and
        # left no fault log is tried again under Wine.
        for _ in range(3 if UNDER_WINE else 1):
            with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
                status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=env,
                                        timeout=60).returncode
                out.seek(0)
                err.seek(0)
                text, errors = out.read().replace(b"\r\n", b"\n").decode("latin-1"), err.read()
            if text or os.path.exists(self.fault_log):
                break
        self.assertTrue(os.path.exists(self.fault_log), "call %d left no fault log: status %d\n%s" % (
            fail_at, status, text))
        with open(self.fault_log) as log:
            entries = [line.split() for line in log]
        os.remove(self.fault_log)
        left = self.store.files()
        for name in self.files:
            if not os.path.exists(os.path.join(self.store.root, name)):
                os.link(os.path.join(self.pristine, name), os.path.join(self.store.root, name))
        return status, text.split("\n")[:-1], errors, entries, left

    def test_failed_calls_are_said_and_delete_nothing_that_is_kept(self):
        status, expected, _, entries, kept = self.run_faulted(0)
        self.assertEqual(status, 0, "\n".join(expected))
        self.assertEqual(entries[-1], ["failed", "none"])
        self.assertEqual(sorted(kind for kind, _ in entries[:-1]), kinds_of_build())
        for kind in [None, "list-folder", "read-folder", "delete", "find-symbol"]:
            status, lines, errors, entries, left = self.run_faulted(1, kind)
            where = "first call of %s (%s): status %d\n%s" % (kind or "any kind", entries[-1][1], status,
                                                              "\n".join(lines))
            self.assertEqual(entries[-1][1], kind or entries[-1][1], where)
            self.assertEqual(status, 1, where)
            if not UNDER_WINE:
                self.assertEqual(errors, b"", where)
            self.assertLessEqual(kept, left, where)
            if entries[-1][1] != "write-output":
                self.assertTrue(any(FAILURE_LINE.match(line) for line in lines if line not in expected), where)


if __name__ == "__main__":
    unittest.main()
