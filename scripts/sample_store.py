#!/usr/bin/env python3
"""Lays out a sample message store and the registry file that points the tool at it.

    scripts/sample_store.py [--windows-paths] DIR APPLICATION_DIRECTORY

DIR gets POSTOFFICES/<postoffice>/MAILROOT/<mailbox>/<folder>/*.MAI, a bad-mail folder and
registry.reg, whose Application Directory is APPLICATION_DIRECTORY (the provider libraries are in
APPLICATION_DIRECTORY + "64"). Messages are aged from 1 to 700 days by their modification time;
about half carry the read marker "X-Read: 1". With --windows-paths the registry file names every
folder as Wine sees it (Z:\\...), for `wine reg import`.
"""
import argparse
import os
import random
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


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--windows-paths", action="store_true", help="Windows paths in the registry file, for Wine")
    parser.add_argument("dir", help="the folder to lay the store and registry.reg in")
    parser.add_argument("application_directory",
                        help='the Application Directory written to registry.reg; the tool loads the provider libraries '
                             'from it with "64" appended (build/default/providers for build/default/providers64)')
    args = parser.parse_args()
    root, application_directory = os.path.abspath(args.dir), os.path.abspath(args.application_directory)
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
    keys = qnstore.registry_keys(root, application_directory)
    if args.windows_paths:
        keys = {key: {name: windows_path(value) if isinstance(value, str) else value for name, value in values.items()}
                for key, values in keys.items()}
    qnstore.write_registry(os.path.join(root, "registry.reg"), keys)


if __name__ == "__main__":
    main()
