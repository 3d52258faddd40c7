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

import qnstore

FOLDERS = ["Inbox", "Deleted Items", "Sent Items", "Junk E-mail"]
STORE = {
    "Headquarters": ("Head office, London", ["Postmaster", "alice", "bob", "carol"]),
    "Branch": (None, ["Postmaster", "dave", "erin"]),
}
AGES = [1, 3, 12, 29, 31, 45, 90, 200, 400, 700]
# An hour past the whole day, so that no message lies on the edge of the age the demo purges at.
HOUR = 1 / 24


def content(serial):
    headers = ["Received: from mail.example.com", "From: sender%d@example.com" % serial, "To: someone@example.com",
               "Subject: Sample message %d" % serial, "Date: %s" % time.strftime("%a, %d %b %Y")]
    return {"headers": headers, "body": "Hello.\r\n" * 20, "marked": False}


def main():
    root, application_directory = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    random.seed(7)
    serial = 0
    store = qnstore.Store(root)
    for postoffice, (description, mailboxes) in STORE.items():
        store.postoffice(postoffice)
        if description:
            store.describe(postoffice, description)
        for mailbox in mailboxes:
            for folder in FOLDERS:
                for age_days in random.sample(AGES, 4):
                    serial += 1
                    store.message(postoffice, mailbox, folder, "%08X.MAI" % serial, age_days + HOUR,
                                  random.random() < 0.5, **content(serial))
    for in_messages in (False, True):
        for age_days in (2, 60):
            serial += 1
            store.bad_message("%08X.MAI" % serial, age_days + HOUR, in_messages, age_days > 30, **content(serial))
    qnstore.write_registry(os.path.join(root, "registry.reg"), qnstore.registry_keys(root, application_directory))


if __name__ == "__main__":
    main()
