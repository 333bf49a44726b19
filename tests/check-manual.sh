#!/bin/bash
# Checks the HTML manual: every page well-formed, in Japanese, with a title;
# every relative link and picture there (anchors included), nothing fetched
# from elsewhere; every picture in images/ shown on some page.
#   tests/check-manual.sh [MANUAL_DIR]     default: docs/manual
# Prints FILE:LINE: problem for each fault; exit status 1 when there is one.
set -euo pipefail
dir=${1:-"$(dirname "$0")/../docs/manual"}
exec python3 - "$dir" <<'EOF'
import html.parser
import os
import sys
import urllib.parse

root = sys.argv[1]
# Elements that never have an end tag.
VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "wbr"}
faults = []


class Page(html.parser.HTMLParser):
    def __init__(self, name):
        super().__init__(convert_charrefs=True)
        self.name = name
        self.open = []  # (tag, line)
        self.ids = set()
        self.links = []  # (url, line)
        self.lang = None
        self.title = ""
        self.in_title = False
        self.charset = False

    def fault(self, message, line=None):
        faults.append(f"{self.name}:{line or self.getpos()[0]}: {message}")

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        line = self.getpos()[0]
        if "id" in a:
            if a["id"] in self.ids:
                self.fault(f'id "{a["id"]}" used twice')
            self.ids.add(a["id"])
        if tag == "html":
            self.lang = a.get("lang")
        if tag == "meta" and (a.get("charset") or "").lower() == "utf-8":
            self.charset = True
        if tag == "title":
            self.in_title = True
        if tag == "script":
            self.fault("the manual has no scripts")
        if tag == "img" and not a.get("alt"):
            self.fault("a picture without alt text")
        for name in ("href", "src"):
            if a.get(name) is not None:
                self.links.append((a[name], line))
        if tag not in VOID:
            self.open.append((tag, line))

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.open.pop()

    def handle_endtag(self, tag):
        if tag in VOID:
            self.fault(f"</{tag}> closes an element that has no end tag")
            return
        if not self.open or self.open[-1][0] != tag:
            expected = f"</{self.open[-1][0]}> for line {self.open[-1][1]}" if self.open else "nothing"
            self.fault(f"</{tag}> where {expected} was due")
            # Recover at the matching element, if any, so one slip is one fault.
            tags = [t for t, _ in self.open]
            if tag in tags:
                del self.open[len(tags) - 1 - tags[::-1].index(tag):]
            return
        if tag == "title":
            self.in_title = False
        self.open.pop()

    def handle_data(self, data):
        if self.in_title:
            self.title += data


pages = {}
for name in sorted(os.listdir(root)):
    if name.endswith(".html"):
        page = Page(name)
        with open(os.path.join(root, name), encoding="utf-8") as f:
            page.feed(f.read())
        page.close()
        for tag, line in page.open:
            page.fault(f"<{tag}> is never closed", line)
        if page.lang != "ja":
            page.fault('<html lang="ja"> is missing', 1)
        if not page.title.strip():
            page.fault("the page has no title", 1)
        if not page.charset:
            page.fault('<meta charset="utf-8"> is missing', 1)
        pages[name] = page

if "index.html" not in pages:
    faults.append(f"{root}: no index.html")

used = set()
for name, page in pages.items():
    for url, line in page.links:
        parts = urllib.parse.urlsplit(url)
        if parts.scheme or parts.netloc or url.startswith("/"):
            page.fault(f'"{url}" is not a relative link', line)
            continue
        target = name
        if parts.path:
            path = os.path.normpath(os.path.join(root, urllib.parse.unquote(parts.path)))
            if not os.path.isfile(path):
                page.fault(f'"{url}": no such file', line)
                continue
            rel = os.path.relpath(path, root)
            used.add(rel)
            target = rel
        if parts.fragment:
            other = pages.get(target)
            if other is None:
                page.fault(f'"{url}": an anchor in a file that is no page', line)
            elif parts.fragment not in other.ids:
                page.fault(f'"{url}": {target} has no id "{parts.fragment}"', line)

images = os.path.join(root, "images")
if os.path.isdir(images):
    for picture in sorted(os.listdir(images)):
        if os.path.join("images", picture) not in used:
            faults.append(f"images/{picture}: not shown on any page")

for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
EOF
