"""Every platform call that can fail, failed in turn, in representative runs.

The fault-injection build of the tool (QNPURGE_FAULT_TOOL) fails the N-th platform call that can
fail when QNPURGE_FAULT_AT=N, and writes to QNPURGE_FAULT_LOG how many calls it made of every kind
the build has, and which one it failed; every kind it lists must be failed in some run. For each
run below, the run without a fault gives the output and the files left; then each call of that
run is failed in turn, on the same store put back as it was, and the run must:
- delete nothing that the run without the fault keeps;
- end with status 0 or 1, in time, with nothing on standard error (no crash, abort, hang or
  sanitizer report);
- end with status 0 only when its output and the files it leaves are those of the run without
  the fault; a provider library the run does not need may fail to load with its line, on purpose;
- when it ends with status 1, say what failed in a line the run without the fault does not print,
  unless what failed is the output itself.
"""
import os
import re
import subprocess
import tempfile
import time
import unittest

from harness import UNDER_WINE, ToolTestCase, native_path
from qnstore import ADMINISTRATION_KEY, SERVER_KEY, Store
from walk_test import lay_main_office, normalized

FAULT_TOOL = os.environ["QNPURGE_FAULT_TOOL"]
FAILURE_LINE = re.compile(r"^(Unable to |Skipped |Not enough memory|The registry file )")
UNNEEDED_LIBRARY = re.compile(r"^Unable to Load (Authentication|Store|Postoffice Configuration) Provider$")

# A purge of every postoffice (a folder larger than one listing read among them) and of bad mail;
# UNREAD in one mailbox (natively with links, a FIFO and a device among its messages); REPORT; and
# a preview that visits the Postmaster's Inbox twice.
RUNS = {
    "delete": ["ALL", "30", "POSTMASTER+INBOX+DELETED+BADMAIL"],
    "unread": ["Main/alice", "30", "INBOX+DELETED", "UNREAD"],
    "report": ["ALL", "30", "REPORT"],
    "preview": ["Main", "30", "PREVIEW+POSTMASTER+INBOX", "UNREAD"],
}


class FaultInjection(ToolTestCase):
    def setUp(self):
        super().setUp()
        self.store = Store(os.path.join(self.scratch.name, "store"))
        s = self.store
        lay_main_office(s)
        s.message("Main", "alice", "Deleted Items", "deleted.MAI", 100, read=True)
        s.message("Main", "bob", "Inbox", "bob.MAI", 60, read=True)
        # A folder whose listing takes more than one read: many entries that are no messages.
        inbox = s.folder("Bulk", "m", "Inbox")
        for i in range(600):
            open(os.path.join(inbox, "attachment-%s-%04d.tmp" % ("x" * 48, i)), "w").close()
        for i in range(6):
            s.message("Bulk", "m", "Inbox", "bulk%d.MAI" % i, 45, read=True)
        s.bad_message("bad.MAI", 90)
        s.bad_message("new.MAI", 3)
        s.bad_message("older.MAI", 400, in_messages=True)
        if not UNDER_WINE:
            # What a POSIX store can hold in a message's place: a link to a read message outside
            # the store, a dangling link, a link to a device and a FIFO, all old.
            outside = os.path.join(self.scratch.name, "outside")
            os.makedirs(outside)
            inbox = s.folder("Main", "alice", "Inbox")
            s.message("Main", "alice", "Inbox", "target.MAI", 40, read=True)
            os.replace(os.path.join(inbox, "target.MAI"), os.path.join(outside, "target.MAI"))
            for name, target in [("linked.MAI", os.path.join(outside, "target.MAI")),
                                 ("dangling.MAI", os.path.join(outside, "nothing.MAI")), ("null.MAI", "/dev/null")]:
                os.symlink(target, os.path.join(inbox, name))
            os.mkfifo(os.path.join(inbox, "fifo.MAI"))
            old = time.time() - 40 * 86400
            for name in ["linked.MAI", "dangling.MAI", "null.MAI", "fifo.MAI"]:
                os.utime(os.path.join(inbox, name), (old, old), follow_symlinks=False)
        logs = os.path.join(self.scratch.name, "logs")
        os.makedirs(logs)
        self.install_registry({
            SERVER_KEY: {
                "Mail Root": native_path(s.mail_root),
                "Application Directory": native_path(os.path.join(os.path.dirname(FAULT_TOOL), "providers")),
                "Bad Mail Directory": native_path(s.bad_mail),
                "Data Directory": native_path(self.scratch.name),
            },
            # The activity-log folder exists: no run creates anything, whatever it fails.
            ADMINISTRATION_KEY: {"Purge Wait": 0, "Activity Log Directory": native_path(logs)},
        })
        # Every file as it was, to put back what a run deleted.
        self.pristine = os.path.join(self.scratch.name, "pristine")
        self.files = sorted(s.files())
        for name in self.files:
            os.makedirs(os.path.dirname(os.path.join(self.pristine, name)), exist_ok=True)
            os.link(os.path.join(s.root, name), os.path.join(self.pristine, name), follow_symlinks=False)
        self.fault_log = os.path.join(self.scratch.name, "faults.log")
        self.restarts = []

    def restore(self):
        for name in self.files:
            path = os.path.join(self.store.root, name)
            if not os.path.lexists(path):
                os.link(os.path.join(self.pristine, name), path, follow_symlinks=False)

    def run_faulted(self, args, fail_at):
        env = dict(os.environ, QNPURGE_FAULT_AT=str(fail_at), QNPURGE_FAULT_LOG=native_path(self.fault_log))
        if not UNDER_WINE:
            env["QNPURGE_REGISTRY"] = self.registry_file
        command = (["wine", FAULT_TOOL] if UNDER_WINE else [FAULT_TOOL]) + args
        # Now and then a busy Wine fails to start a program at all (reg import does it too): a run
        # that printed nothing and left no fault log is tried again under Wine, twice at most, and
        # listed at the end. A tool that printed and then left no log ended abnormally: a failure.
        for _ in range(3 if UNDER_WINE else 1):
            with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
                status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=env,
                                        timeout=60).returncode
                out.seek(0)
                err.seek(0)
                text, errors = out.read().replace(b"\r\n", b"\n").decode("latin-1"), err.read()
            if text or os.path.exists(self.fault_log):
                break
            self.restore()
            self.restarts.append("call %d of %s: status %d, %r" % (fail_at, " ".join(args), status, errors[-200:]))
        if not os.path.exists(self.fault_log):
            self.fail("call %d of %s left no fault log: status %d\n%s%s" % (
                fail_at, " ".join(args), status, text, errors.decode("latin-1")))
        with open(self.fault_log) as log:
            entries = [line.split() for line in log]
        counts = dict(entries)
        self.assertEqual(len(counts), len(entries), "a kind named twice in the fault log")
        os.remove(self.fault_log)
        left = self.store.files()
        self.restore()
        return status, text.split("\n")[:-1], errors, counts, left

    def test_every_failed_call_is_said_and_deletes_nothing_that_is_kept(self):
        tried = {}
        outcomes = {}
        for name, args in RUNS.items():
            status, expected, _, counts, kept = self.run_faulted(args, 0)
            self.assertEqual(status, 0, "\n".join(expected))
            del counts["failed"]
            for kind in counts:
                tried.setdefault(kind, 0)
            points = sum(int(calls) for calls in counts.values())
            for fail_at in range(1, points + 1):
                status, lines, errors, counts, left = self.run_faulted(args, fail_at)
                kind = counts["failed"]
                where = "%s run, call %d (%s): status %d\n%s" % (name, fail_at, kind, status, "\n".join(lines))
                tried[kind] += 1
                outcomes[(kind, status)] = outcomes.get((kind, status), 0) + 1
                self.assertIn(status, (0, 1), where)
                if not UNDER_WINE:
                    self.assertEqual(errors, b"", where)
                self.assertLessEqual(kept, left, where + "\ndeleted a file the run without the fault keeps")
                said = [line for line in lines if line not in expected]
                if status == 0:
                    self.assertEqual(left, kept, where)
                    self.assertEqual(normalized([line for line in lines if not UNNEEDED_LIBRARY.match(line)]),
                                     normalized(expected), where)
                elif kind != "write-output":
                    self.assertTrue(any(FAILURE_LINE.match(line) for line in said), where)
        print("\nCalls failed, by kind (status 0 / status 1):")
        for kind, count in tried.items():
            print("  %-16s %4d  (%d / %d)" % (kind, count, outcomes.get((kind, 0), 0), outcomes.get((kind, 1), 0)))
        if self.restarts:
            print("Runs tried again because they left no fault log:\n  " + "\n  ".join(self.restarts))
        self.assertEqual([kind for kind, count in tried.items() if count == 0], [], "kinds of call no run reaches")


if __name__ == "__main__":
    unittest.main()
