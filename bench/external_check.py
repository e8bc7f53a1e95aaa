#!/usr/bin/env python3
"""The external link check against one-at-a-time fetching.

Writes a one-page site whose page links to N distinct external pages, served
by the latency server (D ms per request) under two host names (127.0.0.1 and
[::1]), so that the check's limit of two requests per host still lets it run
four at once. The crawled page itself is served without delay under a third
name (localhost), so those links count as external.

Prints: the floor (one curl process sending a HEAD to every link, one after
the other, a fresh connection each, as the check does), the crawl with and
without --check-external, the check's own time (the difference) and its ratio
to the floor. Every link's RESPONSES row is counted in the saved project.
"""
import argparse
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def wait_port(port):
    import socket
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
            return
        except OSError:
            time.sleep(0.05)
    sys.exit("server on %d did not start" % port)


def timed(argv, **kwargs):
    started = time.monotonic()
    result = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, **kwargs)
    return time.monotonic() - started, result


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--cli", default=os.path.join(HERE, "..", "build-rel", "crawlspect-cli"))
    ap.add_argument("--links", type=int, default=1000)
    ap.add_argument("--delay-ms", type=float, default=20)
    ap.add_argument("--port", type=int, default=18181)
    args = ap.parse_args()

    work = tempfile.mkdtemp(prefix="crawlspect-extcheck-")
    site, targets = os.path.join(work, "site"), os.path.join(work, "targets")
    os.makedirs(site)
    os.makedirs(targets)
    hosts = ["127.0.0.1", "[::1]"]
    links = []
    for i in range(args.links):
        with open(os.path.join(targets, "e%d.html" % i), "w") as f:
            f.write("<p>external %d</p>\n" % i)
        links.append("http://%s:%d/e%d.html" % (hosts[i % 2], args.port, i))
    with open(os.path.join(site, "index.html"), "w") as f:
        f.write("<title>links</title>\n" + "\n".join('<a href="%s">%d</a>' % (u, i) for i, u in enumerate(links)))
    with open(os.path.join(work, "curl.cfg"), "w") as f:
        f.write("".join('url = "%s"\n' % u for u in links))

    server = os.path.join(HERE, "latency_server.py")
    delayed = subprocess.Popen([sys.executable, server, "--root", targets, "--port", str(args.port), "--delay-ms",
                                str(args.delay_ms), "--host", "127.0.0.1", "--host", "::1"], stderr=subprocess.DEVNULL)
    plain = subprocess.Popen([sys.executable, server, "--root", site, "--port", str(args.port + 1), "--delay-ms", "0",
                              "--host", "127.0.0.1", "--host", "::1"], stderr=subprocess.DEVNULL)
    try:
        wait_port(args.port)
        wait_port(args.port + 1)
        floor, _ = timed(["curl", "-s", "-g", "-I", "-K", os.path.join(work, "curl.cfg")])
        start = "http://localhost:%d/" % (args.port + 1)
        project = os.path.join(work, "p.db")
        crawl, r = timed([args.cli, "crawl", start, "--limit", "1"])
        checked, r2 = timed([args.cli, "crawl", start, "--limit", "1", "--check-external", "--project", project])
        if r.returncode or r2.returncode:
            sys.exit(r2.stderr.decode())
        db = sqlite3.connect(project)
        rows = db.execute("SELECT COUNT(*), SUM(STATUS=200) FROM RESPONSES WHERE EXTERNAL=1").fetchone()
        db.close()
    finally:
        delayed.terminate()
        plain.terminate()
        delayed.wait()
        plain.wait()
        shutil.rmtree(work, ignore_errors=True)
    check = checked - crawl
    print("links %d, D = %g ms" % (args.links, args.delay_ms))
    print("floor, one at a time (curl HEAD): %.2f s (%.1f ms/link)" % (floor, 1000 * floor / args.links))
    print("crawl alone: %.2f s; with --check-external: %.2f s" % (crawl, checked))
    print("check: %.2f s (%.1f ms/link), %.3f x the floor" % (check, 1000 * check / args.links, check / floor))
    print("RESPONSES rows of external links: %d, status 200: %d" % rows)


if __name__ == "__main__":
    main()
