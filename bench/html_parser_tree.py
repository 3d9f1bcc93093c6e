#!/usr/bin/env python3
"""The comparison for the bookmark reader: Python's html.parser building the same tree of
nested folders and their bookmarks (title and address) from a bookmark file.

    bench/html_parser_tree.py FILE
"""
import sys
from html.parser import HTMLParser


class BookmarkTree(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = {"title": "Bookmarks not In folders", "children": []}
        self.folders = []
        self.open = [self.root]  # the folder each open list belongs to
        self.header = None       # a folder whose list has not started yet
        self.current = None
        self.text = None

    def handle_starttag(self, tag, attrs):
        if tag == "dl":
            self.open.append(self.header or self.open[-1])
            self.header = None
        elif tag == "h3":
            self.text = []
        elif tag == "a":
            self.current = {"address": dict(attrs).get("href", ""), "title": ""}
            self.text = []

    def handle_endtag(self, tag):
        if tag == "dl":
            if len(self.open) > 1:
                self.open.pop()
        elif tag == "h3":
            folder = {"title": "".join(self.text), "children": []}
            self.open[-1]["children"].append(folder)
            self.folders.append(folder)
            self.header = folder
            self.text = None
        elif tag == "a" and self.current is not None:
            self.current["title"] = "".join(self.text)
            self.open[-1]["children"].append(self.current)
            self.current = None
            self.text = None

    def handle_data(self, data):
        if self.text is not None:
            self.text.append(data)


def main():
    with open(sys.argv[1], encoding="cp1252", newline="") as f:
        tree = BookmarkTree()
        tree.feed(f.read())
        tree.close()
    print(len(tree.folders), sum(1 for f in tree.folders for c in f["children"] if "address" in c) +
          sum(1 for c in tree.root["children"] if "address" in c))


if __name__ == "__main__":
    main()
