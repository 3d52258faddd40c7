#!/usr/bin/env python3
"""Lays out a sample message store and the registry file that points the tool at it.

    scripts/sample_store.py DIR APPLICATION_DIRECTORY

DIR gets POSTOFFICES/<postoffice>/MAILROOT/<mailbox>/<folder>/*.MAI, a bad-mail folder and
registry.reg. Messages are aged from 1 to 700 days by their modification time; about half carry
the read marker "X-Read: 1".
"""
import os
import random
import sys
import time

FOLDERS = ["Inbox", "Deleted Items", "Sent Items", "Junk E-mail"]
STORE = {
    "Headquarters": ("Head office, London", ["Postmaster", "alice", "bob", "carol"]),
    "Branch": (None, ["Postmaster", "dave", "erin"]),
}
AGES = [1, 3, 12, 29, 31, 45, 90, 200, 400, 700]


def message(path, age_days, read, serial):
    header = ("Received: from mail.example.com\r\nFrom: sender%d@example.com\r\nTo: someone@example.com\r\n"
              "Subject: Sample message %d\r\nDate: %s\r\n" % (serial, serial, time.strftime("%a, %d %b %Y")))
    if read:
        header += "X-Read: 1\r\n"
    with open(path, "wb") as out:
        out.write((header + "\r\n" + "Hello.\r\n" * 20).encode("ascii"))
    when = time.time() - age_days * 86400 - 3600
    os.utime(path, (when, when))


def main():
    root, application_directory = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    random.seed(7)
    serial = 0
    mail_root = os.path.join(root, "POSTOFFICES")
    for postoffice, (description, mailboxes) in STORE.items():
        os.makedirs(os.path.join(mail_root, postoffice), exist_ok=True)
        if description:
            with open(os.path.join(mail_root, postoffice, "DESCRIPTION.TXT"), "w") as out:
                out.write(description + "\n")
        for mailbox in mailboxes:
            for folder in FOLDERS:
                path = os.path.join(mail_root, postoffice, "MAILROOT", mailbox, folder)
                os.makedirs(path, exist_ok=True)
                for age_days in random.sample(AGES, 4):
                    serial += 1
                    message(os.path.join(path, "%08X.MAI" % serial), age_days, random.random() < 0.5, serial)
    bad_mail = os.path.join(root, "BADMAIL")
    os.makedirs(os.path.join(bad_mail, "Messages"), exist_ok=True)
    for folder in [bad_mail, os.path.join(bad_mail, "Messages")]:
        for age_days in (2, 60):
            serial += 1
            message(os.path.join(folder, "%08X.MAI" % serial), age_days, age_days > 30, serial)

    def text(value):
        return '"%s"' % value.replace("\\", "\\\\")

    key = r"HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Quillerton\Quillerton"
    with open(os.path.join(root, "registry.reg"), "w", newline="\r\n") as out:
        out.write("Windows Registry Editor Version 5.00\n\n[%s]\n" % key)
        out.write('"Mail Root"=%s\n"Application Directory"=%s\n"Bad Mail Directory"=%s\n"Data Directory"=%s\n\n'
                  % (text(mail_root), text(application_directory), text(bad_mail), text(root)))
        out.write("[%s\\Services\\Administration]\n\"Purge Wait\"=dword:00000000\n" % key)


if __name__ == "__main__":
    main()
