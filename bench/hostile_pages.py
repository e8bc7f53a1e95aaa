#!/usr/bin/env python3
"""Peak memory of one hostile page of each kind, up to the body cap.

Writes the pages, serves them from 127.0.0.1 (Python's threading HTTP server,
its own process), and runs `crawlspect-cli crawl URL --limit 1` and
`crawlspect-cli analyze URL` on each under /usr/bin/time -v: the peak resident
memory of the whole process, the wall time and the exit status.

    python3 bench/hostile_pages.py [--cli build/crawlspect-cli] [--kinds tiny,links,...]
                                   [--commands crawl,analyze] [--json FILE]
"""
import argparse
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

MB = 1024 * 1024
BODY_CAP = 50 * MB  # the fetcher's body limit


def tiny(out):
    # 49 MB of the smallest elements there are.
    piece = b"<i></i>" * 4096
    with open(out, "wb") as f:
        f.write(b"<html><body>")
        for _ in range(49 * MB // len(piece)):
            f.write(piece)
        f.write(b"</body></html>")


def links(out):
    # 1,000,000 distinct internal links, each with its own anchor.
    with open(out, "wb") as f:
        f.write(b"<html><body>\n")
        for i in range(1_000_000):
            f.write(b'<a href="/p%d">link %d</a>\n' % (i, i))
        f.write(b"</body></html>")


def nesting(out):
    # 1,000,000 nested elements, then their ends.
    n = 1_000_000
    with open(out, "wb") as f:
        f.write(b"<html><body>")
        f.write(b"<div>" * n)
        f.write(b"x")
        f.write(b"</div>" * n)
        f.write(b"</body></html>")


def long_href(out):
    # One link whose address is 40 MB long.
    with open(out, "wb") as f:
        f.write(b'<html><head><title>t</title></head><body><a href="/')
        f.write(b"a" * (40 * MB))
        f.write(b'">long</a></body></html>')


def long_attribute(out):
    # One 40 MB attribute that is no link: a title on an image and a heading.
    with open(out, "wb") as f:
        f.write(b'<html><body><h1 title="')
        f.write(b"b" * (20 * MB))
        f.write(b'">h</h1><img src="i.png" alt="')
        f.write(b"c" * (20 * MB))
        f.write(b'"></body></html>')


KINDS = {
    "tiny": ("49 MB of <i></i>", tiny),
    "links": ("1,000,000 links", links),
    "nesting": ("1,000,000 nested <div>", nesting),
    "long-href": ("one 40 MB href", long_href),
    "long-attribute": ("two 20 MB attributes", long_attribute),
}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def measure(argv):
    """Runs argv under /usr/bin/time -v: (peak MB, wall s, exit status)."""
    started = time.monotonic()
    r = subprocess.run(["/usr/bin/time", "-v"] + argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    wall = time.monotonic() - started
    m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", r.stderr)
    peak = int(m.group(1)) / 1024 if m else float("nan")
    status = re.search(r"Exit status: (\d+)", r.stderr)
    return peak, wall, int(status.group(1)) if status else r.returncode


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--cli", default="build/crawlspect-cli")
    p.add_argument("--kinds", default=",".join(KINDS))
    p.add_argument("--commands", default="crawl,analyze")
    p.add_argument("--json")
    args = p.parse_args()
    cli = os.path.abspath(args.cli)
    work = tempfile.mkdtemp(prefix="crawlspect-hostile-")
    server = None
    rows = []
    try:
        for kind in args.kinds.split(","):
            path = os.path.join(work, kind + ".html")
            KINDS[kind][1](path)
            assert os.path.getsize(path) <= BODY_CAP, kind
        port = free_port()
        server = subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1"],
                                  cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.05)
        print(f"{'page':<24} {'MB':>6} {'command':<8} {'peak MB':>8} {'wall s':>7} {'exit':>4}")
        for kind in args.kinds.split(","):
            url = f"http://127.0.0.1:{port}/{kind}.html"
            size = os.path.getsize(os.path.join(work, kind + ".html")) / MB
            for command in args.commands.split(","):
                if command == "crawl":
                    argv = [cli, "crawl", url, "--limit", "1", "--project", os.path.join(work, kind + ".db")]
                else:
                    # The text service's host is on this machine and refuses: the page is all that is read.
                    argv = [cli, "analyze", url, "--html2txt-host", "127.0.0.1:9"]
                peak, wall, status = measure(argv)
                rows.append({"page": kind, "size_mb": round(size, 1), "command": command, "peak_mb": round(peak),
                             "wall_s": round(wall, 2), "exit": status})
                print(f"{KINDS[kind][0]:<24} {size:6.1f} {command:<8} {peak:8.0f} {wall:7.2f} {status:>4}", flush=True)
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)
    if args.json:
        with open(args.json, "w") as f:
            json.dump(rows, f, indent=1)


if __name__ == "__main__":
    main()
