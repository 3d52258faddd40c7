#!/usr/bin/env python3
"""Lays out a message store of a given shape for the benchmark.

    bench/generate_store.py DIR --shape PxMxN [--seed S]

DIR gets POSTOFFICES/POnnn/MAILROOT/usernnnn/<folder>/*.MAI for P postoffices of M mailboxes,
with N messages in each of the folders Inbox, Deleted Items, Sent Items and Junk E-mail, and an
empty BADMAIL folder. Every message has a header block of 1 to 3 KB (CR LF lines: Received
chain, addresses, subject, MIME lines, a folded signature line) and a body of 2 to 50 KB
(log-uniform: most mail is small). Ages are uniform over two years by modification time, except
that none lies within a day of 30 days, the age the benchmark purges at: the store may age for a
day before the purge and the tool and find would still select the same files. The read marker
"X-Read: 1" is in the header block of a share of the messages that depends on the folder; an
unread message has "X-Read: 0" or no marker at all.
"""
import argparse
import math
import os
import random
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "scripts"))
import qnstore  # noqa: E402 (found through the path above)

DAY = qnstore.DAY
FOLDERS = [("Inbox", 0.7), ("Deleted Items", 0.9), ("Sent Items", 1.0), ("Junk E-mail", 0.2)]
WORDS = ("the of and to in is you that it he was for on are as with his they at be this have from or "
         "one had by word but not what all were we when your can said there use an each which she do how "
         "their if will up other about out many then them these so some her would make like him into time "
         "has look two more write go see number no way could people my than first water been call who oil "
         "its now find long down day did get come made may part meeting invoice report quarterly").split()


def parse_shape(text):
    parts = text.lower().split("x")
    if len(parts) != 3 or not all(p.isdigit() and int(p) > 0 for p in parts):
        raise argparse.ArgumentTypeError("shape must be PxMxN with positive numbers, e.g. 10x25x100")
    return tuple(int(p) for p in parts)


def body_text(rng, size):
    lines, length = [], 0
    while length < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(6, 14))).capitalize() + ".\r\n"
        lines.append(line)
        length += len(line)
    return "".join(lines).encode("ascii")


class Messages:
    """Makes message bytes quickly: bodies are slices of one long text, headers are filled in
    from a few line templates."""

    def __init__(self, rng):
        self.rng = rng
        self.text = body_text(rng, 1 << 20)
        self.relays = ["mx%d.example.net" % i for i in range(40)]

    def header(self, serial, read):
        rng = self.rng
        lines = []
        target = rng.randint(1024, 3072)
        stamp = time.strftime("%a, %d %b %Y %H:%M:%S +0000", time.gmtime(1700000000 + serial * 37))
        lines.append("Return-Path: <sender%d@example.org>" % (serial % 5000))
        hop = 0
        while True:
            relay = self.relays[(serial + hop) % len(self.relays)]
            lines.append("Received: from %s (%s [192.0.2.%d]) by mail.example.com with ESMTPS id %08X%04X;"
                         "\r\n\t%s" % (relay, relay, (serial + hop) % 250, serial, hop, stamp))
            hop += 1
            if hop >= 2 and sum(len(l) + 2 for l in lines) > target - 900:
                break
        lines += [
            "Message-ID: <%08X.%d@example.org>" % (serial, hop),
            "Date: " + stamp,
            "From: \"Sender %d\" <sender%d@example.org>" % (serial % 5000, serial % 5000),
            "To: someone%d@example.com" % (serial % 300),
            "Subject: " + " ".join(rng.choice(WORDS) for _ in range(rng.randint(3, 9))),
            "MIME-Version: 1.0",
            "Content-Type: text/plain; charset=\"us-ascii\"",
            "Content-Transfer-Encoding: 7bit",
            "X-Mailer: Example Mail Client 4.2",
        ]
        signature = "DKIM-Signature: v=1; a=rsa-sha256; d=example.org; s=sel; b=" + "A" * 120
        while sum(len(l) + 2 for l in lines) + len(signature) + 2 < target - 16:
            signature += "\r\n\t" + "B" * 70
        lines.insert(len(lines) - 3, signature)
        # Servers add the marker late in the block; an unread message may lack it altogether.
        if read:
            lines.insert(len(lines) - rng.randint(0, 3), qnstore.READ_MARKER)
        elif serial % 2:
            lines.insert(len(lines) - rng.randint(0, 3), qnstore.UNREAD_MARKER)
        return ("\r\n".join(lines) + "\r\n\r\n").encode("ascii")

    def body(self):
        size = int(math.exp(self.rng.uniform(math.log(2048), math.log(51200))))
        start = self.rng.randrange(0, len(self.text) - size)
        return self.text[start:start + size]


def age_seconds(rng):
    """Uniform over two years, but never within a day of 30 days."""
    while True:
        age = rng.uniform(60, 730 * DAY)
        if not 29 * DAY <= age <= 31 * DAY:
            return age


def generate(root, shape, seed):
    postoffices, mailboxes, per_folder = shape
    rng = random.Random(seed)
    maker = Messages(rng)
    now = time.time()
    store = qnstore.Store(root)
    store.bad_mail_folder()
    serial = files = size = old = old_read = 0
    for p in range(postoffices):
        postoffice = "PO%03d" % p
        for m in range(mailboxes):
            for folder, read_share in FOLDERS:
                # Files are named relative to their open folder: no walk down the path for each.
                directory = os.open(store.folder(postoffice, "user%04d" % m, folder), os.O_RDONLY | os.O_DIRECTORY)
                try:
                    for _ in range(per_folder):
                        serial += 1
                        read = rng.random() < read_share
                        data = maker.header(serial, read) + maker.body()
                        age = age_seconds(rng)
                        qnstore.write_file("%08X.MAI" % serial, data, now - age, dir_fd=directory)
                        files += 1
                        size += len(data)
                        if age > 30 * DAY:
                            old += 1
                            old_read += read
                finally:
                    os.close(directory)
    return files, size, old, old_read


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("root")
    parser.add_argument("--shape", type=parse_shape, required=True, help="PxMxN: postoffices x mailboxes x messages per folder")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    files, size, old, old_read = generate(os.path.abspath(args.root), args.shape, args.seed)
    print("%d message files, %.1f MiB of data (%.1f KiB a file); %d older than 30 days, %d of them read"
          % (files, size / 1048576, size / 1024 / max(files, 1), old, old_read))
    return 0


if __name__ == "__main__":
    sys.exit(main())
