"""Runs the built tool as a separate process, natively or as the Windows executable under Wine.

The test command sets QNPURGE_TOOL to the executable and, for the Windows build, WINEPREFIX
to the build tree's Wine prefix; QNPURGE_SANITIZED=1 when the tool is built with sanitizers.
"""
import atexit
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

# The store and registry writer that the demo and the benchmark use too; the tests import it
# after this module has put its folder on the path.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                                "scripts"))
import qnstore  # noqa: E402 (found through the path above)

TOOL = os.environ["QNPURGE_TOOL"]
UNDER_WINE = TOOL.lower().endswith(".exe")
SANITIZED = os.environ.get("QNPURGE_SANITIZED") == "1"
SEPARATOR = "\\" if UNDER_WINE else "/"
# The sample provider libraries lie beside the tool in providers64: the provider directory of a
# server whose Application Directory is <build>/providers.
APPLICATION_DIRECTORY = os.path.join(os.path.dirname(os.path.abspath(TOOL)), "providers")
PROVIDER_DIRECTORY = APPLICATION_DIRECTORY + "64"

# Whatever the caller's environment holds, every run reads a registry of the tests' own: on the
# machine of a mail server the default registry file would point the tool at the real store.
_SEALED = tempfile.mkdtemp(prefix="qnpurge-e2e-registry-")
atexit.register(shutil.rmtree, _SEALED, True)
os.environ["QNPURGE_REGISTRY"] = os.path.join(_SEALED, "registry.reg")
with open(os.environ["QNPURGE_REGISTRY"], "w") as _empty:
    _empty.write("Windows Registry Editor Version 5.00\n")

if UNDER_WINE:
    # One Wine server for every run of the tests, instead of one started and stopped per run.
    subprocess.run(["wineserver", "-p20"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


class Result:
    def __init__(self, status, raw, errors=b""):
        self.status = status
        self.raw = raw
        self.errors = errors.decode("latin-1")
        # The Windows runtime writes standard output in text mode: every line feed is CR LF.
        self.text = raw.replace(b"\r\n", b"\n").decode("latin-1") if UNDER_WINE else raw.decode("latin-1")

    @property
    def lines(self):
        return self.text.split("\n")[:-1] if self.text.endswith("\n") else self.text.split("\n")


def tool_command(args):
    return (["wine", TOOL] if UNDER_WINE else [TOOL]) + list(args)


def run_tool(args, env=None, stdin=subprocess.DEVNULL, timeout=120, cwd=None):
    environment = dict(os.environ)
    environment.update(env or {})
    command = tool_command(args)
    # Output goes to files, not pipes: the services Wine starts in the background inherit the
    # tool's handles and would hold a pipe open long after the tool has ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        completed = subprocess.run(command, stdin=stdin, stdout=out, stderr=err, env=environment, timeout=timeout,
                                   cwd=cwd)
        out.seek(0)
        err.seek(0)
        return Result(completed.returncode, out.read(), err.read())


def native_path(path):
    """The path as the tool sees it: a Windows path under Wine (Z: maps the Linux root)."""
    path = os.path.abspath(path)
    return "Z:" + path.replace("/", "\\") if UNDER_WINE else path


def clear_wine_registry():
    subprocess.run(["wine", "reg", "delete", r"HKLM\Software\Wow6432Node\Quillerton", "/f"],
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class ToolTestCase(unittest.TestCase):
    """Each test gets a scratch folder and, natively, a registry file of its own: until the test
    writes it, the file is missing, and a run that reads settings stops with a line naming it."""

    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory(prefix="qnpurge-e2e-")
        self.addCleanup(self.scratch.cleanup)
        self.registry_file = os.path.join(self.scratch.name, "registry.reg")

    def run_tool(self, args, **kwargs):
        env = kwargs.pop("env", {})
        if not UNDER_WINE:
            env.setdefault("QNPURGE_REGISTRY", self.registry_file)
        return run_tool(args, env=env, **kwargs)

    def install_registry(self, keys):
        """Puts `keys` where the tool reads its registry: natively the registry file (its UTF-8
        form), under Wine the prefix's registry (cleared of the server's keys first and again
        after the test)."""
        qnstore.write_registry(self.registry_file, keys, utf16=False)
        if not UNDER_WINE:
            return
        clear_wine_registry()
        self.addCleanup(clear_wine_registry)
        # reg import now and then fails for no reason of its own under a busy Wine: try again.
        for _ in range(5):
            imported = subprocess.run(["wine", "reg", "import", native_path(self.registry_file)],
                                      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if imported.returncode == 0:
                return
            time.sleep(0.5)
        self.fail("wine reg import failed for " + self.registry_file)
