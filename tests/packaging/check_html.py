#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""check_html.py FOLDER: every .html page of FOLDER is well-formed (tidy -errors
when installed, else a strict tag-balance check with Python's HTML parser), and
every link between the pages, and to the stylesheet, reaches a file and, with a
#fragment, an id on that page."""
import html.parser
import pathlib
import shutil
import subprocess
import sys
import urllib.parse

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}


class Page(html.parser.HTMLParser):
    def __init__(self, name):
        super().__init__(convert_charrefs=True)
        self.name = name
        self.stack = []
        self.errors = []
        self.ids = set()
        self.links = []

    def where(self):
        line, column = self.getpos()
        return f"{self.name}:{line}:{column + 1}"

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if "id" in attributes:
            if attributes["id"] in self.ids:
                self.errors.append(f"{self.where()}: id {attributes['id']!r} used twice")
            self.ids.add(attributes["id"])
        for key in ("href", "src"):
            if attributes.get(key):
                self.links.append((self.where(), attributes[key]))
        if tag not in VOID:
            self.stack.append((tag, self.where()))

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.stack.pop()

    def handle_endtag(self, tag):
        if tag in VOID:
            self.errors.append(f"{self.where()}: end tag of the empty element <{tag}>")
            return
        if not self.stack:
            self.errors.append(f"{self.where()}: </{tag}> closes nothing")
            return
        open_tag, opened = self.stack.pop()
        if open_tag != tag:
            self.errors.append(f"{self.where()}: </{tag}> closes <{open_tag}> opened at {opened}")

    def finish(self):
        self.close()
        for tag, opened in self.stack:
            self.errors.append(f"{opened}: <{tag}> is never closed")


def parse(path):
    page = Page(path.name)
    page.feed(path.read_text(encoding="utf-8"))
    page.finish()
    return page


def tidy_errors(path):
    tidy = shutil.which("tidy")
    if not tidy:
        return None
    run = subprocess.run([tidy, "-errors", "-quiet", str(path)], capture_output=True, text=True)
    # 1: warnings, 2: errors; the guide is kept free of both.
    return [] if run.returncode == 0 else [f"{path.name}: {line}" for line in run.stderr.splitlines() if line]


def main():
    folder = pathlib.Path(sys.argv[1])
    pages = sorted(folder.glob("*.html"))
    if not pages:
        print(f"no pages in {folder}")
        return 1
    parsed = {p.name: parse(p) for p in pages}
    errors = []
    checker = "tidy" if shutil.which("tidy") else "the HTML parser"
    for path in pages:
        page = parsed[path.name]
        errors += page.errors
        errors += tidy_errors(path) or []
        if "<!DOCTYPE html>" not in path.read_text(encoding="utf-8")[:40]:
            errors.append(f"{path.name}: no <!DOCTYPE html> at the top")
        for where, link in page.links:
            target = urllib.parse.urlsplit(link)
            if target.scheme or target.netloc:
                continue  # the web is not checked here
            name = target.path or path.name
            if not (folder / name).is_file():
                errors.append(f"{where}: {link} names a missing file")
            elif target.fragment and name.endswith(".html") and target.fragment not in parsed[name].ids:
                errors.append(f"{where}: {link} names a missing section")
    for error in errors:
        print(error)
    print(f"{len(pages)} pages checked with {checker}: {len(errors)} faults")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
