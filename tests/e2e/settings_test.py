"""The registry file end to end: the memory a large one costs, and memory that runs out."""
import os
import resource
import subprocess
import sys
import unittest

from harness import SANITIZED, TOOL, UNDER_WINE, ToolTestCase
from qnstore import SERVER_KEY

RETAIN_LINES = ["Utility is configured to delete unread messages", ""]


@unittest.skipIf(UNDER_WINE, "the registry file is the POSIX build's registry")
class RegistryFile(ToolTestCase):
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
