#!/usr/bin/env python3
"""Crawls a real documentation site served from this machine with
`crawlspect-cli crawl` and checks it against an independent reference crawl
(Python's html.parser and urllib.parse.urljoin, same-host breadth-first).

    python3 bench/real_site_check.py [--site /usr/share/doc/python3.11/html]
        [--cli build/crawlspect-cli] [--rules standard] [--json FILE]

The site is served by `python3 -m http.server --bind 127.0.0.1` on a free
port. Figures printed (and kept with --json):
  - the internal URL sets of both crawls: sizes, equal or not, and the URLs
    only one of them found;
  - URLs of the crawl that the server answers 404 and that no page of the
    reference crawl links to (links the crawl made up);
  - stored titles that still hold a character reference (&name; or &#...;).
Not a timed test: it only compares results. Exit status 1 when a check fails.
"""
import argparse
import html.parser
import json
import os
import re
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request
from collections import deque

# The crawl's built-in ignored extensions, which the reference skips the same way.
IGNORED = set("ico jpg jpeg png gif bmp svg css js exe zip rar 7z apk pdf doc docx xls xlsx ppt pptx".split())
REFERENCE = re.compile(r"&(#[0-9]+|#[xX][0-9a-fA-F]+|[A-Za-z][A-Za-z0-9]*);")


class LinkParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.base = None
        self.hrefs = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "base" and self.base is None and attrs.get("href") is not None:
            self.base = attrs["href"]
        elif tag in ("a", "area") and attrs.get("href") is not None:
            self.hrefs.append(attrs["href"])


def fetch(url):
    # A stored URL may hold blanks or other bytes a request line cannot: sent escaped.
    url = urllib.parse.quote(url, safe=":/?&=#%@+;,~!$'()*[]")
    try:
        with urllib.request.urlopen(url, timeout=30) as r:
            return r.status, r.headers.get_content_type(), r.read()
    except urllib.error.HTTPError as e:
        return e.code, "", b""


def ignored(url):
    segment = urllib.parse.urlsplit(url).path.rsplit("/", 1)[-1]
    return "." in segment and segment.rsplit(".", 1)[1].lower() in IGNORED


def reference_crawl(start):
    """Every same-host URL linked from a page reachable from start, and the
    status of each."""
    host = urllib.parse.urlsplit(start).netloc
    seen = {start}
    status = {}
    queue = deque([start])
    while queue:
        url = queue.popleft()
        code, kind, body = fetch(url)
        status[url] = code
        if code != 200 or kind != "text/html":
            continue
        parser = LinkParser()
        parser.feed(body.decode("utf-8", "replace"))
        base = urllib.parse.urljoin(url, parser.base.strip()) if parser.base else url
        for href in parser.hrefs:
            target = urllib.parse.urldefrag(urllib.parse.urljoin(base, href.strip(" \t\n\r\f")))[0]
            parts = urllib.parse.urlsplit(target)
            if parts.scheme not in ("http", "https") or parts.netloc != host or ignored(target):
                continue
            if target not in seen:
                seen.add(target)
                queue.append(target)
    return seen, status


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def serve(site, port):
    server = subprocess.Popen([sys.executable, "-m", "http.server", "--bind", "127.0.0.1", str(port)], cwd=site,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return server
        except OSError:
            time.sleep(0.1)
    server.kill()
    raise SystemExit("the site server did not start")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--site", default="/usr/share/doc/python3.11/html")
    ap.add_argument("--start", default="/index.html")
    ap.add_argument("--cli", default=os.path.join(os.path.dirname(__file__), "..", "build", "crawlspect-cli"))
    ap.add_argument("--rules", default="standard", choices=["standard", "classic"])
    ap.add_argument("--json")
    args = ap.parse_args()
    if not os.path.isdir(args.site):
        raise SystemExit(f"{args.site} is missing (apt-get install python3.11-doc)")

    port = free_port()
    server = serve(args.site, port)
    try:
        start = f"http://127.0.0.1:{port}{args.start}"
        with tempfile.TemporaryDirectory() as tmp:
            project = os.path.join(tmp, "site.db")
            began = time.monotonic()
            run = subprocess.run([args.cli, "crawl", start, "--limit", "999999", "--link-rules", args.rules,
                                  "--project", project], capture_output=True, text=True)
            seconds = time.monotonic() - began
            if not os.path.exists(project):
                raise SystemExit(f"the crawl saved no project:\n{run.stderr[-2000:]}")
            db = sqlite3.connect(project)
            crawled = {row[0] for row in db.execute("SELECT URL FROM PAGES")}
            titles = [(u, t) for u, t in db.execute("SELECT URL, TITLE FROM PAGES") if t and REFERENCE.search(t)]
            links = db.execute("SELECT COUNT(*) FROM LINKS").fetchone()[0]
            db.close()
        reference, status = reference_crawl(start)
        missing = {u for u in crawled if u not in status and fetch(u)[0] == 404}
        phantom_404 = sorted(u for u in crawled if (status.get(u) == 404 or u in missing) and u not in reference)
    finally:
        server.terminate()
        server.wait()

    figures = {
        "rules": args.rules,
        "crawl_exit_status": run.returncode,
        "crawl_seconds": round(seconds, 1),
        "crawl_urls": len(crawled),
        "crawl_links": links,
        "reference_urls": len(reference),
        "same_url_set": crawled == reference,
        "only_in_crawl": sorted(crawled - reference)[:20],
        "only_in_crawl_count": len(crawled - reference),
        "only_in_reference": sorted(reference - crawled)[:20],
        "only_in_reference_count": len(reference - crawled),
        "unlinked_404s": len(phantom_404),
        "unlinked_404_examples": phantom_404[:10],
        "titles_with_references": len(titles),
        "title_examples": titles[:5],
    }
    for key, value in figures.items():
        print(f"{key}: {value}")
    if args.json:
        with open(args.json, "w") as f:
            json.dump(figures, f, indent=2)
    ok = figures["same_url_set"] and not phantom_404 and not titles
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
