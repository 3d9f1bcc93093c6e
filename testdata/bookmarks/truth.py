#!/usr/bin/env python3
"""Independent reading of a bookmark file (DOCTYPE NETSCAPE-Bookmark-file-1).

Prints one line per bookmark, in file order:
    folder path <TAB> title <TAB> address
The folder path is the folder names from the top joined with "/" (empty for a
bookmark outside every folder).

Only the standard library's html.parser is used, with convert_charrefs on.
Decoding: UTF-8 when the file starts with a UTF-8 BOM or carries a META
charset=UTF-8, otherwise windows-1252 (the five bytes windows-1252 leaves
undefined map to the C1 control of the same value, as browsers do).
Titles and folder names are the text html.parser gives between the tags, with
two changes only: a title or name not closed by its own end tag loses its
trailing blanks; a line break inside a text becomes one blank and the next
line's leading blanks are dropped.

Usage: truth.py FILE...   (writes FILE.truth next to each FILE when -w is given)
"""
import codecs
import re
import sys
from html.parser import HTMLParser

META_UTF8 = re.compile(rb'<meta[^>]*charset\s*=\s*["\']?\s*utf-8', re.IGNORECASE)
LINE_BREAK = re.compile(r'[\r\n]+[ \t]*')


def decode(data):
    if data.startswith(b'\xef\xbb\xbf'):
        return data[3:].decode('utf-8', errors='replace')
    if META_UTF8.search(data):
        return data.decode('utf-8', errors='replace')
    return data.decode('cp1252', errors='truth-c1')


def c1_fallback(err):
    bad = err.object[err.start:err.end]
    return ''.join(chr(b) for b in bad), err.end


codecs.register_error('truth-c1', c1_fallback)


def join_lines(text):
    return LINE_BREAK.sub(' ', text)


class Reader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []          # one entry per open DL: folder name or None
        self.pending = None      # folder name waiting for its DL
        self.text = None         # text being collected, or None
        self.kind = None         # 'a' or 'h3' while collecting
        self.href = ''
        self.rows = []

    def path(self):
        return '/'.join(name for name in self.stack if name is not None)

    def finish(self, closed):
        text = join_lines(self.text)
        if not closed:
            text = text.rstrip(' \t')
        if self.kind == 'a':
            self.rows.append((self.path(), text, self.href))
        else:
            self.pending = text
        self.text = None
        self.kind = None

    def handle_starttag(self, tag, attrs):
        if self.text is not None:
            self.finish(closed=False)
        if tag == 'a':
            self.kind = 'a'
            self.text = ''
            self.href = dict(attrs).get('href') or ''
        elif tag == 'h3':
            self.kind = 'h3'
            self.text = ''
        elif tag == 'dl':
            self.stack.append(self.pending)
            self.pending = None

    def handle_endtag(self, tag):
        if self.text is not None:
            self.finish(closed=(tag == self.kind))
        if tag == 'dl' and self.stack:
            self.stack.pop()
            self.pending = None

    def handle_data(self, data):
        if self.text is not None:
            self.text += data

    def close(self):
        super().close()
        if self.text is not None:
            self.finish(closed=False)


def read(path):
    with open(path, 'rb') as f:
        reader = Reader()
        reader.feed(decode(f.read()))
        reader.close()
        return reader.rows


def main(argv):
    write = '-w' in argv
    for path in [a for a in argv if a != '-w']:
        rows = read(path)
        out = ''.join('\t'.join(r) + '\n' for r in rows)
        if write:
            with open(path + '.truth', 'w', encoding='utf-8', newline='\n') as f:
                f.write(out)
            print(f'{path}: {len(rows)} bookmarks')
        else:
            sys.stdout.write(out)


if __name__ == '__main__':
    main(sys.argv[1:])
