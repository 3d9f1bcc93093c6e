#!/usr/bin/env python3
"""Writes a large Wine machine hive for the registry benchmarks: the corpus system.reg with many
programs installed beside it, until the file reaches the size asked for (default 20 MB). Every
program brings what an installer leaves: its vendor key with paths and a version, a settings
key with a wrapped binary value, an uninstall entry, a file extension and its open command.
Keys are written in Wine's order (by name without case, each key before its sub-keys).

    bench/make_hive.py CORPUS_SYSTEM_REG OUT [--megabytes 20]
"""
import argparse

STAMP = "1796624833"
TIME = "#time=1dd8613ff3a8ac2"


def escaped(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def order(path):
    return [name.lower() for name in path.split("\\")]


def corpus_blocks(text):
    """The header and the key blocks of a hive file, each block starting at its key line."""
    parts = text.split("\n[")
    header = parts[0] + "\n"
    blocks = []
    for part in parts[1:]:
        block = "[" + part
        if not block.endswith("\n"):
            block += "\n"
        path = block[1:block.index("]")].replace("\\\\", "\\")
        blocks.append((order(path), block))
    return header, blocks


def block(path, values):
    lines = ["[%s] %s" % (escaped(path), STAMP), TIME]
    for name, data in values:
        lines.append(("@=" if name == "" else '"%s"=' % escaped(name)) + data)
    return "\n".join(lines) + "\n"


def string(text):
    return '"%s"' % escaped(text)


def hex_data(seed, count):
    data = ["%02x" % ((seed * 31 + i * 7) & 0xFF) for i in range(count)]
    rows = [",".join(data[i:i + 24]) for i in range(0, count, 24)]
    return "hex:" + ",\\\n  ".join(rows)


def program_blocks(n):
    vendor = "Vendor %03d Software" % (n % 400)
    name = "Program%05d" % n
    folder = "C:\\Program Files\\%s\\%s" % (vendor, name)
    exe = folder + "\\" + name.lower() + ".exe"
    progid = "%s.Document.1" % name
    uninstall = "{%08X-1234-5678-9ABC-%012X}" % (n * 2654435761 & 0xFFFFFFFF, n)
    return [
        ("Software\\%s\\%s" % (vendor, name),
         [("InstallPath", string(folder)), ("Version", string("%d.%d.%d" % (n % 9 + 1, n % 17, n))),
          ("Installed", "dword:%08x" % n), ("Language", "dword:00000409")]),
        ("Software\\%s\\%s\\Settings" % (vendor, name),
         [("Window Placement", hex_data(n, 44)), ("Recent File 1", string(folder + "\\doc%d.dat" % n)),
          ("Toolbar", hex_data(n + 1, 80)), ("AutoSave", "dword:00000001")]),
        ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + uninstall,
         [("DisplayName", string(name + " by " + vendor)), ("DisplayVersion", string("%d.0" % (n % 9 + 1))),
          ("Publisher", string(vendor)), ("InstallLocation", string(folder)),
          ("UninstallString", string('"%s\\uninst.exe" /S' % folder)), ("EstimatedSize", "dword:%08x" % (n * 13))]),
        ("Software\\Classes\\.x%05d" % n, [("", string(progid)), ("Content Type", string("application/x-p%d" % n))]),
        ("Software\\Classes\\" + progid, [("", string(name + " Document"))]),
        ("Software\\Classes\\%s\\DefaultIcon" % progid, [("", string(exe + ",0"))]),
        ("Software\\Classes\\%s\\shell\\open\\command" % progid, [("", string('"%s" "%%1"' % exe))]),
    ]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("corpus")
    parser.add_argument("out")
    parser.add_argument("--megabytes", type=float, default=20)
    args = parser.parse_args()
    with open(args.corpus, encoding="ascii", newline="") as f:
        header, blocks = corpus_blocks(f.read())
    target = int(args.megabytes * 1e6)
    size = len(header) + sum(len(b) + 1 for _, b in blocks)
    n = 0
    while size < target:
        for path, values in program_blocks(n):
            text = block(path, values)
            blocks.append((order(path), text))
            size += len(text) + 1
        n += 1
    blocks.sort(key=lambda b: b[0])
    with open(args.out, "w", encoding="ascii", newline="") as out:
        out.write(header)
        out.write("".join("\n" + b for _, b in blocks))


if __name__ == "__main__":
    main()
