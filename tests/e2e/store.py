"""Lays out sample message stores and the registry values that point the tool at them."""
import os
import subprocess
import time

from harness import UNDER_WINE, native_path

SERVER_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Quillerton\Quillerton"
ADMINISTRATION_KEY = SERVER_KEY + r"\Services\Administration"

MAILBOX_FOLDERS = ["Deleted Items", "Sent Items", "Junk E-mail", "Inbox"]


def write_message(path, age_days, read=False, body="Body of the message.\r\n"):
    header = ("From: sender@example.com\r\nTo: someone@example.com\r\nSubject: test\r\n"
              + ("X-Read: 1\r\n" if read else "X-Read: 0\r\n"))
    with open(path, "wb") as out:
        out.write((header + "\r\n" + body).encode("ascii"))
    age(path, age_days)


def age(path, age_days):
    when = time.time() - age_days * 86400
    os.utime(path, (when, when))


class Store:
    """A store under `root`: POSTOFFICES/<po>/MAILROOT/<mailbox>/<folder>/*.MAI and BADMAIL."""

    def __init__(self, root):
        self.root = root
        self.mail_root = os.path.join(root, "POSTOFFICES")
        self.bad_mail = os.path.join(root, "BADMAIL")
        os.makedirs(self.mail_root, exist_ok=True)

    def folder(self, postoffice, mailbox, folder):
        path = os.path.join(self.mail_root, postoffice, "MAILROOT", mailbox, folder)
        os.makedirs(path, exist_ok=True)
        return path

    def mailbox(self, postoffice, mailbox, folders=MAILBOX_FOLDERS):
        for folder in folders:
            self.folder(postoffice, mailbox, folder)

    def message(self, postoffice, mailbox, folder, name, age_days, read=False):
        path = os.path.join(self.folder(postoffice, mailbox, folder), name)
        write_message(path, age_days, read)
        return path

    def bad_message(self, name, age_days, in_messages=False):
        folder = os.path.join(self.bad_mail, "Messages") if in_messages else self.bad_mail
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
        write_message(path, age_days)
        return path

    def describe(self, postoffice, text):
        with open(os.path.join(self.mail_root, postoffice, "DESCRIPTION.TXT"), "w") as out:
            out.write(text + "\n")

    def files(self):
        """Every file below the root, as paths relative to it with '/' separators."""
        found = set()
        for folder, _, names in os.walk(self.root):
            for name in names:
                found.add(os.path.relpath(os.path.join(folder, name), self.root).replace(os.sep, "/"))
        return found

    def tool_path(self, *parts):
        """A path below the root as the tool prints it."""
        return native_path(os.path.join(self.root, *parts))


def registry_text(keys):
    """A registry file in the format `reg export` writes (its UTF-8 form) for
    {key: {value name: text or number}}."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, values in keys.items():
        lines.append("[%s]" % key)
        for name, value in values.items():
            if isinstance(value, int):
                lines.append('"%s"=dword:%08x' % (name, value))
            else:
                lines.append('"%s"="%s"' % (name, value.replace("\\", "\\\\").replace('"', '\\"')))
        lines.append("")
    return "\r\n".join(lines) + "\r\n"


def install_registry(case, keys):
    """Puts `keys` where the tool reads its registry for `case`: natively a registry file, under
    Wine the prefix's registry (cleared of the server's keys first and again after the test)."""
    text = registry_text(keys)
    with open(case.registry_file, "w", newline="") as out:
        out.write(text)
    if UNDER_WINE:
        clear_wine_registry()
        case.addCleanup(clear_wine_registry)
        import_into_wine(case, case.registry_file)


def import_into_wine(case, path):
    """Loads a registry file into the Wine prefix's registry."""
    # reg import now and then fails for no reason of its own under a busy Wine: try again.
    for _ in range(5):
        imported = subprocess.run(["wine", "reg", "import", native_path(path)],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if imported.returncode == 0:
            return
        time.sleep(0.5)
    case.fail("wine reg import failed for " + path)


def clear_wine_registry():
    subprocess.run(["wine", "reg", "delete", r"HKLM\Software\Wow6432Node\Quillerton", "/f"],
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
