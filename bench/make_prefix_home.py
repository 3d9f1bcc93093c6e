#!/usr/bin/env python3
"""Writes a home folder crowded with Wine prefixes for the prefix-discovery benchmark: N prefixes
(winetricks' and Steam's places), each with its own copy of the corpus system.reg and a drive_c
holding both browsers' standard folders, and a Steam libraryfolders.vdf that names one library
path over and over (and the Steam folder itself).

    bench/make_prefix_home.py HOME [--prefixes N] [--repeats N]
"""
import argparse
import os
import shutil

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HIVE = os.path.join(TOP, "testdata", "wine-prefix", "system.reg")


def make_prefix(path):
    os.makedirs(os.path.join(path, "drive_c", "Program Files", "Netscape", "Communicator"), exist_ok=True)
    os.makedirs(os.path.join(path, "drive_c", "Program Files", "Internet Explorer"), exist_ok=True)
    shutil.copyfile(HIVE, os.path.join(path, "system.reg"))
    os.makedirs(os.path.join(path, "dosdevices"), exist_ok=True)
    if not os.path.islink(os.path.join(path, "dosdevices", "c:")):
        os.symlink("../drive_c", os.path.join(path, "dosdevices", "c:"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("home")
    parser.add_argument("--prefixes", type=int, default=2000)
    parser.add_argument("--repeats", type=int, default=3000)
    args = parser.parse_args()
    half = args.prefixes // 2
    for n in range(half):
        make_prefix(os.path.join(args.home, ".local/share/wineprefixes", f"game{n}"))
    library = os.path.join(args.home, "library")
    for n in range(args.prefixes - half):
        make_prefix(os.path.join(library, "steamapps/compatdata", str(100000 + n), "pfx"))
    steam = os.path.join(args.home, ".local/share/Steam")
    os.makedirs(os.path.join(steam, "steamapps"), exist_ok=True)
    if not os.path.exists(os.path.join(args.home, ".steam")):
        os.makedirs(os.path.join(args.home, ".steam"))
        os.symlink(steam, os.path.join(args.home, ".steam/steam"))
    lines = ['"libraryfolders"', "{", '\t"0"', "\t{", f'\t\t"path"\t\t"{steam}"', "\t}"]
    for n in range(args.repeats):
        lines += [f'\t"{n + 1}"', "\t{", f'\t\t"path"\t\t"{library}"', "\t}"]
    lines.append("}")
    with open(os.path.join(steam, "steamapps/libraryfolders.vdf"), "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
