#!/usr/bin/env python3
"""Side by side on one generated site, one server, one run:

  floor        the site's URL list fetched one after the other by one curl
               process, a fresh connection per page (the server closes each)
  crawlspect   crawlspect-cli crawl of the whole site (limit above the page count)
  wget         wget --spider -r (whole depth, robots off: it fetches what we fetch)
  linkchecker  for reference, one thread

Each runs under /usr/bin/time -v. Prints wall time, pages, pages per second,
milliseconds per page, peak memory, the ratios to the floor and to wget, and
the crawl's own cost per page: (crawl time - floor time) / pages.
"""
import argparse
import json
import os
import re
import sqlite3
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_CLI = os.path.join(os.path.dirname(HERE), "build-rel", "crawlspect-cli")


def timed(cmd, log_path, cwd=None, limit=None):
    """Runs cmd under /usr/bin/time -v; returns (wall seconds, peak RSS in MB, exit code).

    With a limit (seconds) the run is ended there; its exit code is then None."""
    time_file = log_path + ".time"
    started = time.monotonic()
    with open(log_path, "wb") as log:
        proc = subprocess.Popen(["/usr/bin/time", "-v", "-o", time_file] + cmd, stdout=log, stderr=subprocess.STDOUT,
                                cwd=cwd)
        try:
            rc = proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            # time -v reports once its child has ended.
            child = subprocess.run(["pgrep", "-P", str(proc.pid)], capture_output=True, text=True).stdout.split()
            for pid in child:
                os.kill(int(pid), 15)
            proc.wait()
            rc = None
    wall = time.monotonic() - started
    peak_kb = 0
    with open(time_file) as f:
        for line in f:
            if "Maximum resident set size" in line:
                peak_kb = int(line.rsplit(":", 1)[1])
    return wall, peak_kb / 1024.0, rc


def warm_page_cache(site_root):
    for dirpath, _, files in os.walk(site_root):
        for name in files:
            with open(os.path.join(dirpath, name), "rb") as f:
                while f.read(1 << 20):
                    pass


def run_floor(urls, work):
    config = os.path.join(work, "floor.curlrc")
    with open(config, "w") as f:
        for url in urls:
            f.write('url = "%s"\noutput = "/dev/null"\n' % url)
    wall, peak, rc = timed(["curl", "-s", "-H", "Connection: close", "-K", config], os.path.join(work, "floor.log"))
    return {"pages": len(urls), "wall": wall, "peak_mb": peak, "rc": rc}


def run_crawl(cli, origin, pages, work):
    project = os.path.join(work, "crawl.db")
    cmd = [cli, "crawl", origin + "/", "--limit", str(pages * 2 + 1000), "--project", project]
    time_file = os.path.join(work, "crawl.time")
    started = time.monotonic()
    loop = None
    # The run's last line ("Total URLs: N") comes when the crawl has ended and
    # before the project is saved: the two are timed apart.
    with open(os.path.join(work, "crawl.log"), "w") as log:
        proc = subprocess.Popen(["/usr/bin/time", "-v", "-o", time_file] + cmd, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True, errors="replace")
        for line in proc.stderr:
            log.write(line)
            if line.startswith("Total URLs:"):
                loop = time.monotonic() - started
        rc = proc.wait()
    wall = time.monotonic() - started
    peak = 0.0
    with open(time_file) as f:
        for line in f:
            if "Maximum resident set size" in line:
                peak = int(line.rsplit(":", 1)[1]) / 1024.0
    counts = {}
    if os.path.exists(project):
        db = sqlite3.connect(project)
        for table in ("PAGES", "LINKS", "TAGS"):
            counts[table.lower()] = db.execute("SELECT COUNT(*) FROM " + table).fetchone()[0]
        # A change for speed that damages the file must not pass for a fast one.
        counts["check"] = db.execute("PRAGMA quick_check").fetchone()[0]
        db.close()
    return {"pages": counts.get("pages", 0), "wall": wall, "loop": loop, "peak_mb": peak, "rc": rc, "rows": counts}


def indexed_copy(cli, work):
    """A copy of the program with an empty.db beside it that holds every index the
    program would create, the LINKS indexes included."""
    folder = os.path.join(work, "indexed")
    os.makedirs(folder, exist_ok=True)
    copy = os.path.join(folder, os.path.basename(cli))
    subprocess.run(["cp", cli, copy], check=True)
    db = sqlite3.connect(os.path.join(folder, "empty.db"))
    db.executescript("""
        CREATE TABLE PAGES (URL TEXT, TITLE TEXT, DESCRIPTION TEXT, H1TAG TEXT);
        CREATE TABLE TAGS (URL TEXT, TAG TEXT, VALUE TEXT);
        CREATE TABLE LINKS (URL TEXT, LINK TEXT, FOLLOW TEXT, TYPE TEXT, ANCHOR TEXT);
        CREATE INDEX PAGES_URL ON PAGES(URL);
        CREATE INDEX PAGES_TITLE ON PAGES(TITLE);
        CREATE INDEX PAGES_DESCRIPTION ON PAGES(DESCRIPTION);
        CREATE INDEX TAGS_TAG_VALUE ON TAGS(TAG, VALUE);
        CREATE INDEX TAGS_TAG_URL ON TAGS(TAG, URL);
        CREATE INDEX LINKS_LINK ON LINKS(LINK);
        CREATE INDEX LINKS_ANCHOR ON LINKS(ANCHOR);""")
    db.close()
    return copy


def run_wget(origin, work):
    folder = os.path.join(work, "wget")
    os.makedirs(folder, exist_ok=True)
    log = os.path.join(work, "wget.log")
    cmd = ["wget", "--spider", "-r", "-l", "inf", "-e", "robots=off", "-nv", "-nd", "-P", folder, origin + "/"]
    wall, peak, rc = timed(cmd, log)
    fetched = set()
    with open(log, errors="replace") as f:
        for line in f:
            m = re.search(r"URL: ?(\S+)", line)
            if m:
                fetched.add(m.group(1))
    # rc 8 is "the server answered with an error" (the site's missing pages).
    return {"pages": len(fetched), "wall": wall, "peak_mb": peak, "rc": rc}


def run_linkchecker(origin, work, limit):
    log = os.path.join(work, "linkchecker.csv")
    cmd = ["linkchecker", "--threads", "1", "--no-status", "--no-robots", "--verbose", "-o", "csv", origin + "/"]
    wall, peak, rc = timed(cmd, log, limit=limit)
    pages = set()
    with open(log, errors="replace") as f:
        for line in f:
            parts = line.split(";")
            # Pages of the site that answered: url column, result column.
            if len(parts) > 8 and parts[7].startswith(origin) and parts[3].startswith("200"):
                pages.add(parts[7])
    return {"pages": len(pages), "wall": wall, "peak_mb": peak, "rc": rc}


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--site", required=True, help="folder written by gen_site.py")
    ap.add_argument("--server", choices=("nginx", "latency"), default="latency")
    ap.add_argument("--delay-ms", type=float, default=20)
    ap.add_argument("--tools", default="floor,crawl,wget,linkchecker")
    ap.add_argument("--cli", default=DEFAULT_CLI)
    ap.add_argument("--links-indexed", action="store_true",
                    help="crawl as the window does: the LINKS indexes kept from the start (a template beside a copy "
                         "of the program holds them), instead of built once at the end")
    ap.add_argument("--reference-limit", type=float, default=600,
                    help="seconds after which linkchecker is ended (it checks every link, one at a time)")
    ap.add_argument("--json", help="append the figures to this file, one JSON object a line")
    ap.add_argument("--label", default="", help="a word for the JSON line")
    args = ap.parse_args()

    with open(os.path.join(args.site, "site.json")) as f:
        meta = json.load(f)
    with open(os.path.join(args.site, "urls.txt")) as f:
        urls = [line.strip() for line in f if line.strip()]
    origin = meta["origin"]
    port = origin.rsplit(":", 1)[1]
    tools = args.tools.split(",")

    subprocess.check_call([os.path.join(HERE, "servers.sh"), "start", args.server, os.path.join(args.site, "site"),
                           port] + ([str(int(args.delay_ms))] if args.server == "latency" else []))
    results = {}
    try:
        warm_page_cache(os.path.join(args.site, "site"))
        with tempfile.TemporaryDirectory(prefix="crawlspect-compare-") as work:
            for tool in tools:
                print("running %s ..." % tool, file=sys.stderr, flush=True)
                if tool == "floor":
                    results[tool] = run_floor(urls, work)
                elif tool == "crawl":
                    cli = indexed_copy(args.cli, work) if args.links_indexed else args.cli
                    results[tool] = run_crawl(cli, origin, meta["pages"], work)
                elif tool == "wget":
                    results[tool] = run_wget(origin, work)
                elif tool == "linkchecker":
                    results[tool] = run_linkchecker(origin, work, args.reference_limit)
    finally:
        subprocess.call([os.path.join(HERE, "servers.sh"), "stop"])

    server = args.server + (" %g ms" % args.delay_ms if args.server == "latency" else "")
    print("\nsite: %d pages, %.1f KB average, %s links a page; server: %s" % (
        meta["pages"], meta["bytes"] / 1024 / meta["pages"], meta["links"] or "50-300", server))
    floor = results.get("floor")
    print("%-12s %7s %9s %9s %9s %9s %8s" % ("", "pages", "wall s", "pages/s", "ms/page", "peak MB", "x floor"))
    for tool, r in results.items():
        pages = max(r["pages"], 1)
        ratio = "%8.3f" % (r["wall"] / floor["wall"]) if floor else "%8s" % "-"
        print("%-12s %7d %9.2f %9.1f %9.3f %9.1f %s%s" % (
            tool, r["pages"], r["wall"], pages / r["wall"], 1000 * r["wall"] / pages, r["peak_mb"], ratio,
            "" if r["rc"] == 0 else "   (ended after the limit)" if r["rc"] is None else
            "   (exit 8: the site's missing pages)" if tool == "wget" and r["rc"] == 8 else "   (exit %d)" % r["rc"]))
    crawl = results.get("crawl")
    if crawl:
        if "rows" in crawl:
            print("crawl rows: %s" % ", ".join("%s %s" % kv for kv in crawl["rows"].items()))
        if floor:
            own = 1000 * (crawl["wall"] - floor["wall"]) / max(crawl["pages"], 1)
            print("crawl / floor: %.3f   own cost per page: %.3f ms" % (crawl["wall"] / floor["wall"], own))
            crawl["own_ms"] = own
            if crawl.get("loop"):
                own_loop = 1000 * (crawl["loop"] - floor["wall"]) / max(crawl["pages"], 1)
                print("of which the crawl itself: %.2f s (own cost %.3f ms/page), "
                      "indexing the links and saving the project: %.2f s" % (
                    crawl["loop"], own_loop, crawl["wall"] - crawl["loop"]))
                crawl["own_loop_ms"] = own_loop
        if "wget" in results:
            print("crawl / wget:  %.3f" % (crawl["wall"] / results["wget"]["wall"]))
    if args.json:
        with open(args.json, "a") as f:
            f.write(json.dumps({"label": args.label, "site": meta, "server": server, "results": results}) + "\n")


if __name__ == "__main__":
    main()
