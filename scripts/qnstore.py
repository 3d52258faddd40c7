"""Writes message stores as the mail server lays them out, and the registry files that point the
tool at them: one writer for the end-to-end tests, the demo's sample store and the benchmark.

A store under ROOT:

    ROOT/POSTOFFICES/<postoffice>/DESCRIPTION.TXT         the postoffice's description, if it has one
    ROOT/POSTOFFICES/<postoffice>/MAILROOT/<mailbox>/<folder>/*.MAI
    ROOT/BADMAIL/*.MAI, ROOT/BADMAIL/Messages/*.MAI

A message file is a header block of CR LF lines, an empty line and the body; a read message has
the marker line "X-Read: 1" in its header block. Its age is its modification time.

The scripts in this folder import it as it is; the tests and the benchmark put this folder on
sys.path first.
"""
import os
import time

SERVER_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Quillerton\Quillerton"
ADMINISTRATION_KEY = SERVER_KEY + r"\Services\Administration"

MAILBOX_FOLDERS = ["Deleted Items", "Sent Items", "Junk E-mail", "Inbox"]
READ_MARKER = "X-Read: 1"
# Unread messages carry this or no marker at all.
UNREAD_MARKER = "X-Read: 0"
DAY = 86400

HEADERS = ["From: sender@example.com", "To: someone@example.com", "Subject: test"]
BODY = "Body of the message.\r\n"


def mail_root(root):
    return os.path.join(root, "POSTOFFICES")


def bad_mail(root):
    return os.path.join(root, "BADMAIL")


def message_data(headers, body, read=False, marked=True):
    """The bytes of a message file: the header lines, then the read marker if `read`, else the
    unread marker if `marked`; CR LF after each, an empty line and `body` (text or bytes)."""
    lines = list(headers)
    if read:
        lines.append(READ_MARKER)
    elif marked:
        lines.append(UNREAD_MARKER)
    header = ("\r\n".join(lines) + "\r\n\r\n").encode("ascii")
    return header + (body if isinstance(body, bytes) else body.encode("ascii"))


def write_file(path, data, modified, dir_fd=None):
    """Writes the message file `path` (relative to `dir_fd` if given) and sets its modification
    and access times to `modified`, in seconds since the epoch."""
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644, dir_fd=dir_fd)
    try:
        os.write(fd, data)
        # On the open file: no second look-up of its name, which counts for a million files.
        when = int(modified * 1e9)
        os.utime(fd, ns=(when, when))
    finally:
        os.close(fd)


def write_message(path, age_days, read=False, headers=HEADERS, body=BODY, marked=True):
    """Writes a message file `age_days` old (see message_data for the rest)."""
    write_file(path, message_data(headers, body, read, marked), time.time() - age_days * DAY)


class Store:
    """A store under `root`; its POSTOFFICES folder is made at once, every other folder when it
    is first asked for."""

    def __init__(self, root):
        self.root = root
        self.mail_root = mail_root(root)
        self.bad_mail = bad_mail(root)
        os.makedirs(self.mail_root, exist_ok=True)

    def postoffice(self, postoffice):
        path = os.path.join(self.mail_root, postoffice)
        os.makedirs(path, exist_ok=True)
        return path

    def describe(self, postoffice, text):
        with open(os.path.join(self.postoffice(postoffice), "DESCRIPTION.TXT"), "w") as out:
            out.write(text + "\n")

    def folder(self, postoffice, mailbox, folder):
        path = os.path.join(self.mail_root, postoffice, "MAILROOT", mailbox, folder)
        os.makedirs(path, exist_ok=True)
        return path

    def mailbox(self, postoffice, mailbox, folders=MAILBOX_FOLDERS):
        for folder in folders:
            self.folder(postoffice, mailbox, folder)

    def bad_mail_folder(self, in_messages=False):
        path = os.path.join(self.bad_mail, "Messages") if in_messages else self.bad_mail
        os.makedirs(path, exist_ok=True)
        return path

    def message(self, postoffice, mailbox, folder, name, age_days, read=False, **content):
        """Writes a message file; `content` takes write_message's headers, body and marked."""
        path = os.path.join(self.folder(postoffice, mailbox, folder), name)
        write_message(path, age_days, read, **content)
        return path

    def bad_message(self, name, age_days, in_messages=False, read=False, **content):
        path = os.path.join(self.bad_mail_folder(in_messages), name)
        write_message(path, age_days, read, **content)
        return path

    def files(self):
        """Every file below the root, as paths relative to it with '/' separators."""
        found = set()
        for folder, _, names in os.walk(self.root):
            for name in names:
                found.add(os.path.relpath(os.path.join(folder, name), self.root).replace(os.sep, "/"))
        return found


def registry_keys(root, application_directory, data_directory=None, purge_wait=0):
    """The keys that point the tool at the store under `root`: its Mail Root and Bad Mail
    Directory, the Application Directory whose providers64 folder holds the provider libraries,
    no wait between postoffices, and a Data Directory inside the store (its root unless given):
    with an empty one the tool would make \\Logging\\RADMS at the top of the drive."""
    return {
        SERVER_KEY: {
            "Mail Root": mail_root(root),
            "Application Directory": application_directory,
            "Bad Mail Directory": bad_mail(root),
            "Data Directory": data_directory or root,
        },
        ADMINISTRATION_KEY: {"Purge Wait": purge_wait},
    }


def _quoted(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def registry_text(keys):
    """The text of a registry file as `reg export` writes it, CR LF lines, for
    {key: {value name: text or int}}: texts quoted and escaped, ints as dword:%08x."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, values in keys.items():
        lines.append("[%s]" % key)
        for name, value in values.items():
            lines.append("%s=%s" % (_quoted(name), "dword:%08x" % value if isinstance(value, int) else _quoted(value)))
        lines.append("")
    return "\r\n".join(lines) + "\r\n"


def encode_registry(text, utf16=True):
    """A registry file's bytes: UTF-16LE with its byte-order mark, as `reg export` writes them,
    or UTF-8 (both are read by the tool and by `reg import`)."""
    return b"\xff\xfe" + text.encode("utf-16-le") if utf16 else text.encode("utf-8")


def write_registry(path, keys, utf16=True):
    """Writes `keys` to the registry file `path` (see registry_text and encode_registry)."""
    with open(path, "wb") as out:
        out.write(encode_registry(registry_text(keys), utf16))
