#!/usr/bin/env python3
"""The comparison for the bookmark reader: Python's html.parser building the same tree of
top-level folders and their bookmarks (title and address) from a bookmark file.

    bench/html_parser_tree.py FILE
"""
import sys
from html.parser import HTMLParser


class BookmarkTree(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = {"title": "Bookmarks not In folders", "children": []}
        self.folders = []
        self.depth = 0
        self.current = None
        self.text = None

    def handle_starttag(self, tag, attrs):
        if tag == "dl":
            self.depth += 1
        elif tag == "h3":
            self.text = []
        elif tag == "a":
            self.current = {"address": dict(attrs).get("href", ""), "title": ""}
            self.text = []

    def handle_endtag(self, tag):
        if tag == "dl":
            self.depth -= 1
        elif tag == "h3":
            folder = {"title": "".join(self.text), "children": []}
            self.folders.append(folder)
            self.text = None
        elif tag == "a" and self.current is not None:
            self.current["title"] = "".join(self.text)
            parent = self.folders[-1] if self.folders and self.depth > 1 else self.root
            parent["children"].append(self.current)
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
    print(len(tree.folders), sum(len(f["children"]) for f in tree.folders) + len(tree.root["children"]))


if __name__ == "__main__":
    main()
