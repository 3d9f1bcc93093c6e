#!/usr/bin/env python3
"""Writes a large Netscape bookmark file for the bookmark benchmarks: 100,000 bookmarks in 1,000
folders nested up to four deep (folder n at depth n % 4, inside the folder before it), CR LF line ends, ADD_DATE, LAST_VISIT and LAST_MODIFIED on every bookmark,
titles with 8-bit (Windows-1252) letters. With --icons every bookmark also carries an
ICON="data:image/png;base64,..." attribute of about 800 characters, as newer browsers write.
With --one-title every bookmark has the same title, so an export names them " (2)", " (3)", ...

    bench/make_bookmarks.py OUT [--icons] [--one-title] [--bookmarks N] [--folders N]
"""
import argparse
import base64
import random

WORDS = ["Caf\xe9", "M\xfcnchen", "Stra\xdfe", "na\xefve", "r\xe9sum\xe9", "news", "weather", "linux",
         "search", "music", "\xc5rhus", "library", "forum", "daily", "recipes", "travel"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--icons", action="store_true")
    parser.add_argument("--one-title", action="store_true")
    parser.add_argument("--bookmarks", type=int, default=100_000)
    parser.add_argument("--folders", type=int, default=1_000)
    args = parser.parse_args()
    rng = random.Random(7)
    icon = ' ICON="data:image/png;base64,' + base64.b64encode(bytes(rng.randrange(256) for _ in range(570))).decode() + '"'
    per_folder = args.bookmarks // args.folders
    lines = ["<!DOCTYPE NETSCAPE-Bookmark-file-1>", "<!-- This is an automatically generated file.",
             "It will be read and overwritten.", "Do Not Edit! -->", "<TITLE>Bookmarks</TITLE>",
             "<H1>Bookmarks</H1>", "", "<DL><p>"]
    number = 0
    depth = 0  # folders open
    for folder in range(args.folders):
        while depth > folder % 4:
            depth -= 1
            lines.append("    " * (depth + 1) + "</DL><p>")
        indent = "    " * (depth + 1)
        lines.append(f'{indent}<DT><H3 ADD_DATE="{900000000 + folder}">{rng.choice(WORDS)} folder {folder}</H3>')
        lines.append(f"{indent}<DL><p>")
        depth += 1
        for _ in range(per_folder):
            number += 1
            date = 900000000 + number
            title = "Same page" if args.one_title else f"{rng.choice(WORDS)} {rng.choice(WORDS)} page {number}"
            lines.append(f'{indent}    <DT><A HREF="http://www.example{number % 97}.com/{rng.choice(WORDS).lower()}/page{number}.html"'
                         f' ADD_DATE="{date}" LAST_VISIT="{date + 5}" LAST_MODIFIED="{date + 9}"'
                         f'{icon if args.icons else ""}>{title}</A>')
    while depth > 0:
        depth -= 1
        lines.append("    " * (depth + 1) + "</DL><p>")
    lines.append("</DL><p>")
    with open(args.out, "wb") as out:
        out.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main()
