#!/usr/bin/env python3
"""Writes the administrators' guide (Markdown) as the plain text that ships as README.txt.

    scripts/guide_text.py docs/administrators.md README.txt

Notepad shows Markdown as it is: the text gets headings underlined, paragraphs and list items
wrapped, each table row as its first cells on a line with its last cell indented below, code
lines as they are, no backquotes, lines of at most 100 characters and CR LF line ends. A code
line or a word too long for that is an error: the guide must be mended, never the line cut.
"""
import re
import sys
import textwrap

WIDTH = 100


def indent_of(line):
    return len(line) - len(line.lstrip(" "))


def plain(text, quote=True):
    """Text without backquotes: a code span of several words goes in double quotes, so that it
    stands apart from the sentence, unless it holds one already or stands alone on its line."""
    def span(match):
        code = match.group(1)
        return '"%s"' % code if quote and " " in code and '"' not in code else code
    return re.sub(r"`([^`]*)`", span, text)


def wrapped(text, first, rest, quote=True):
    return textwrap.wrap(plain(text, quote), WIDTH, initial_indent=first, subsequent_indent=rest, break_long_words=False,
                         break_on_hyphens=False, expand_tabs=False, replace_whitespace=False) or [first.rstrip()]


def blocks(lines):
    """Runs of non-blank lines."""
    block = []
    for line in lines:
        if line.strip():
            block.append(line)
        elif block:
            yield block
            block = []
    if block:
        yield block


def table(block):
    out = []
    for line in block:
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if all(re.fullmatch(r":?-+:?", cell) for cell in cells):
            continue
        out.append(cells)
    base = " " * indent_of(block[0])
    text = []
    for cells in out[1:]:  # the header row names the columns the sentence before has named
        text += wrapped("   ".join(cells[:-1]), base + "  ", base + "  ", quote=False)
        text += wrapped(cells[-1], base + "      ", base + "      ")
    return text


def items(block):
    """A paragraph, or list items ("- ") with their continuation lines."""
    parts = []
    for line in block:
        stripped = line.lstrip(" ")
        if stripped.startswith("- ") or not parts:
            parts.append([indent_of(line), stripped])
        else:
            parts[-1][1] += " " + stripped
    text = []
    for indent, part in parts:
        if part.startswith("- "):
            text += wrapped(part[2:], " " * indent + "- ", " " * (indent + 2))
        else:
            text += wrapped(part, " " * indent, " " * indent)
    return text


def convert(markdown):
    text = []
    for block in blocks(markdown.splitlines()):
        first = block[0].strip()
        heading = re.match(r"(#+) (.*)", first)
        if heading:
            title = plain(heading.group(2), quote=False)
            text += [title, ("=", "-", "~")[min(len(heading.group(1)), 3) - 1] * len(title)]
        elif first.startswith("|"):
            text += table(block)
        elif indent_of(block[0]) >= 4 and not first.startswith("- "):
            text += ["    " + line[indent_of(block[0]):] for line in block]
        else:
            text += items(block)
        text.append("")
    return text[:-1]


def main():
    source, target = sys.argv[1:3]
    with open(source, encoding="utf-8") as guide:
        text = convert(guide.read())
    long_lines = [line for line in text if len(line) > WIDTH]
    if long_lines:
        sys.exit("%s: %d lines longer than %d characters, the first: %s" % (source, len(long_lines), WIDTH,
                                                                          long_lines[0]))
    with open(target, "wb") as out:
        out.write(("\r\n".join(text) + "\r\n").encode("utf-8"))


if __name__ == "__main__":
    main()
