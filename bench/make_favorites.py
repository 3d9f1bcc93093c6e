#!/usr/bin/env python3
"""Writes a favorites directory for the collection benchmarks: 10,000 favorite files in 200
folders (nested two deep: 20 folders of 9 sub-folders each, a favorite file in every one), names
with 8-bit (Windows-1252) letters, each file as Internet Explorer writes it.

    bench/make_favorites.py OUT [--favorites N] [--folders N]
"""
import argparse
import os
import random

WORDS = ["Caf\xe9", "M\xfcnchen", "Stra\xdfe", "na\xefve", "news", "weather", "linux", "search",
         "music", "library", "forum", "daily", "recipes", "travel"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--favorites", type=int, default=10_000)
    parser.add_argument("--folders", type=int, default=200)
    args = parser.parse_args()
    rng = random.Random(7)
    folders = []
    tops = max(1, args.folders // 10)
    for t in range(tops):
        top = os.path.join(args.out, f"Folder {t + 1}")
        folders.append(top)
        for s in range(args.folders // tops - 1):
            folders.append(os.path.join(top, f"Sub {s + 1} {rng.choice(WORDS)}"))
    for folder in folders:
        os.makedirs(folder.encode("utf-8"), exist_ok=True)
    for n in range(args.favorites):
        folder = folders[n % len(folders)]
        name = f"{rng.choice(WORDS)} {rng.choice(WORDS)} {n + 1}.url"
        body = (f"[DEFAULT]\r\nBASEURL=http://www.example{n}.com/\r\n[InternetShortcut]\r\n"
                f"URL=http://www.example{n}.com/{rng.choice(WORDS)}/page{n}.html\r\nModified=C0E5F2A1B2C3D401A4\r\n")
        with open(os.path.join(folder, name).encode("utf-8"), "wb") as f:
            f.write(body.encode("cp1252"))


if __name__ == "__main__":
    main()
