#!/usr/bin/env python3
"""Writes a static site that looks like a real shop or news site.

Every page is reachable from the home page (a tree of child links plus a
navigation menu), so a crawl from ORIGIN/ finds them all. Besides the site it
writes urls.txt (every internal URL a full crawl fetches, the missing pages
that some links point to included) and site.json (the parameters).

The same arguments give the same bytes: one seeded generator drives it all.
"""
import argparse
import json
import os
import random
import shutil
import sys

WORDS = (
    "garden house light table chair quick brown fox lazy dog price offer "
    "shipping delivery steel wooden classic modern vintage outdoor indoor "
    "kitchen bathroom office lamp sofa shelf cabinet desk mirror carpet "
    "curtain pillow blanket towel basket vase candle clock frame poster "
    "summer winter spring autumn sale new best premium eco natural cotton "
    "linen wool leather glass ceramic oak pine walnut black white grey blue "
    "green red yellow small large compact family travel guide review tips"
).split()
UNICODE_WORDS = ["\u00e9t\u00e9", "caf\u00e9", "na\u00efve", "gr\u00fc\u00dfe", "\u0437\u0430\u043a\u0430\u0437"]
CATEGORIES = [
    "furniture", "lighting", "kitchen", "garden", "bathroom", "office", "textiles", "decor",
    "outdoor", "storage", "kids", "sale", "new-in", "brands", "blog", "guides", "services",
    "about", "help", "stores",
]
EXTERNAL_HOSTS = [
    "www.example-social.test", "cdn.example-partner.test", "blog.example-news.test",
    "shop.example-market.test", "www.example-video.test", "maps.example-geo.test",
    "www.example-payments.test", "docs.example-help.test",
]
H2_POOL_SIZE = 120


class Site:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.origin = args.origin.rstrip("/")
        self.host = self.origin.split("//", 1)[1]
        rng = self.rng
        self.paths = ["/"]
        for i in range(1, args.pages):
            cat = CATEGORIES[i % len(CATEGORIES)] if i < len(CATEGORIES) else rng.choice(CATEGORIES)
            sub = "%s-%d" % (rng.choice(WORDS), rng.randrange(12))
            if rng.random() < args.long_share:
                # Long, keyword-stuffed slugs as some shop systems make them.
                slug = "-".join(rng.choice(WORDS) for _ in range(rng.randrange(25, 35)))[:180]
            else:
                slug = "-".join(rng.choice(WORDS) for _ in range(rng.randrange(2, 6)))
            self.paths.append("/%s/%s/%s-%d.html" % (cat, sub, slug, i))
        missing = max(1, args.pages // 200)
        self.missing = ["/%s/gone/%s-%d.html" % (rng.choice(CATEGORIES), rng.choice(WORDS), k) for k in range(missing)]
        self.linked_missing = set()
        self.paragraphs = [self.paragraph() for _ in range(400)]
        self.title_pool = [self.words(rng.randrange(3, 7)).title() + " | Example Store" for _ in range(30)]
        self.description_pool = [self.words(rng.randrange(15, 25)).capitalize() + "." for _ in range(20)]
        self.h1_pool = [self.words(rng.randrange(2, 5)).title() for _ in range(40)]
        self.h2_pool = [self.words(rng.randrange(2, 4)).capitalize() for _ in range(H2_POOL_SIZE)]

    def words(self, n):
        rng = self.rng
        return " ".join(rng.choice(UNICODE_WORDS) if rng.random() < 0.02 else rng.choice(WORDS) for _ in range(n))

    def paragraph(self):
        rng = self.rng
        parts = []
        for _ in range(rng.randrange(3, 8)):
            s = self.words(rng.randrange(8, 20)).capitalize()
            if rng.random() < 0.3:
                s += " <strong>%s</strong>" % self.words(2)
            if rng.random() < 0.2:
                s += " &amp; %s" % self.words(3)
            parts.append(s + ".")
        return " ".join(parts)

    def link_text(self, target_path, current_dir):
        """The href for an internal page, in one of the forms real pages use."""
        rng = self.rng
        r = rng.random()
        if r < 0.35:
            href = target_path
        elif r < 0.60:
            href = self.origin + target_path
        elif r < 0.65:
            href = "//" + self.host + target_path
        else:
            target_dir, _, name = target_path.rpartition("/")
            if target_dir + "/" == current_dir:
                href = name
            elif current_dir == "/":
                href = target_path[1:]
            else:
                href = "../" * (current_dir.count("/") - 1) + target_path[1:]
        if rng.random() < 0.1:
            href += "#" + rng.choice(("reviews", "details", "top", "comments"))
        return href

    def anchor(self, href, text, nofollow):
        rng = self.rng
        quote = "'" if rng.random() < 0.1 else '"'
        attrs = []
        if rng.random() < 0.4:
            attrs.append('class=%sitem-link%s' % (quote, quote))
        if nofollow:
            attrs.append("rel=%snofollow%s" % (quote, quote))
        elif rng.random() < 0.03:
            attrs.append("rel=%snoopener sponsored%s" % (quote, quote))
        attrs.append("href=%s%s%s" % (quote, href, quote))
        if rng.random() < 0.2:
            attrs.append('title="%s"' % self.words(3))
        rng.shuffle(attrs)
        sep = "\n  " if rng.random() < 0.03 else " "
        if rng.random() < 0.15:
            text = "<span>%s</span>" % text
        return "<a%s%s>%s</a>" % (sep, " ".join(attrs), text)

    def page(self, i):
        rng = self.rng
        args = self.args
        n = args.pages
        path = self.paths[i]
        current_dir = path.rpartition("/")[0] + "/"
        size = args.page_kb * 1024 if args.page_kb else int(1024 * min(150, max(20, rng.lognormvariate(3.9, 0.45))))
        nlinks = args.links if args.links else rng.randrange(50, 301)

        r = rng.random()
        if r < 0.12:
            title = rng.choice(self.title_pool)
        elif r < 0.14:
            title = ""
        else:
            title = "%s - %s | Example Store" % (self.words(rng.randrange(3, 8)).title(), CATEGORIES[i % len(CATEGORIES)])
        r = rng.random()
        description = None if r < 0.15 else rng.choice(self.description_pool) if r < 0.30 else \
            self.words(rng.randrange(15, 35)).capitalize() + "."
        r = rng.random()
        h1 = None if r < 0.05 else rng.choice(self.h1_pool) if r < 0.15 else self.words(rng.randrange(3, 7)).title()

        # Links: menu and footer (on every page), the page's children (the tree
        # that reaches every page), neighbours, random pages, external sites.
        targets = []
        menu = [0] + list(range(1, min(n, 20)))
        footer = list(range(20, min(n, 30)))
        children = [c for c in range(4 * i + 1, 4 * i + 5) if c < n]
        fixed = [(t, False) for t in menu] + [(t, True) for t in footer] + [(t, False) for t in children]
        external = int(nlinks * 0.15)
        rest = max(0, nlinks - len(fixed) - external)
        for _ in range(rest):
            if rng.random() < 0.6:
                t = (i + rng.randrange(-200, 201)) % n
            else:
                t = rng.randrange(n)
            targets.append((t, rng.random() < 0.05))
        body_links = []
        for t, nofollow in targets + [(c, False) for c in children]:
            body_links.append(self.anchor(self.link_text(self.paths[t], current_dir), self.words(rng.randrange(1, 5)),
                                          nofollow))
        if rng.random() < 0.2:
            gone = rng.choice(self.missing)
            self.linked_missing.add(gone)
            body_links.append(self.anchor(self.link_text(gone, current_dir), "old offer", False))
        for _ in range(external):
            host = rng.choice(EXTERNAL_HOSTS)
            href = "https://%s/%s" % (host, "-".join(rng.choice(WORDS) for _ in range(rng.randrange(1, 4))))
            body_links.append(self.anchor(href, self.words(2), rng.random() < 0.5))
        rng.shuffle(body_links)

        out = ['<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n']
        out.append("<title>%s</title>\n" % title)
        if description is not None:
            out.append('<meta name="description" content="%s">\n' % description)
        out.append('<meta name="viewport" content="width=device-width, initial-scale=1">\n')
        for k in range(5):
            out.append('<link rel="stylesheet" href="/assets/style%d.css">\n' % k)
        out.append("<style>\nbody{margin:0;font-family:sans-serif}\n.nav li{display:inline-block;padding:4px}\n"
                   ".card{border:1px solid #ddd;padding:8px}\n</style>\n")
        out.append("<script>\nwindow.dataLayer=window.dataLayer||[];function gtag(){dataLayer.push(arguments)}\n"
                   "for (var i = 0; i < 10; i++) { if (i < 5 && i > 2) console.log('<h1>not a heading</h1>'); }\n"
                   "</script>\n</head>\n<body class=\"page\">\n<header><nav class=\"nav\"><ul>\n")
        for t in menu:
            out.append("<li>%s</li>\n" % self.anchor(self.link_text(self.paths[t], current_dir),
                                                     CATEGORIES[t % len(CATEGORIES)].title() if t else "Home", False))
        out.append("</ul></nav></header>\n<main>\n")
        if h1 is not None:
            out.append("<h1>%s</h1>\n" % h1)
        if rng.random() < 0.05:
            out.append("<h1>%s</h1>\n" % rng.choice(self.h1_pool))

        footer_html = ['</main>\n<footer><ul class="footer">\n']
        for t in footer:
            footer_html.append("<li>%s</li>\n" % self.anchor(self.link_text(self.paths[t], current_dir),
                                                             self.words(2).title(), True))
        footer_html.append("</ul><p>&copy; Example Store</p></footer>\n</body>\n</html>\n")
        footer_text = "".join(footer_html)

        # Body sections until the page has its size; the links are spread over them.
        used = sum(len(s) for s in out) + len(footer_text)
        link_bytes = sum(len(s) for s in body_links) + 10 * len(body_links)
        filler_budget = max(0, size - used - link_bytes)
        per_section = max(1, len(body_links) // 12 + 1)
        section = 0
        li = 0
        while li < len(body_links) or filler_budget > 0:
            if section % 3 == 0:
                out.append("<h2>%s</h2>\n" % rng.choice(self.h2_pool))
            if section % 5 == 4:
                out.append("<h3>%s</h3>\n" % self.words(3).capitalize())
            out.append('<div class="card">\n')
            if filler_budget > 0:
                p = rng.choice(self.paragraphs)
                if len(p) > filler_budget:
                    p = p[:filler_budget]
                out.append("<p>%s</p>\n" % p)
                filler_budget -= len(p) + 8
            chunk = body_links[li:li + per_section]
            li += len(chunk)
            if chunk:
                out.append("<ul>\n" + "".join("<li>%s</li>\n" % a for a in chunk) + "</ul>\n")
            out.append("</div>\n")
            section += 1
        out.append(footer_text)
        return "".join(out)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--pages", type=int, default=2000, help="number of pages (1 to 100000)")
    ap.add_argument("--out", required=True, help="folder to write; its site/ is replaced")
    ap.add_argument("--origin", default="http://127.0.0.1:18080", help="scheme, host and port the site is served at")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--page-kb", type=int, default=0, help="every page this size (default: 20 to 150 KB)")
    ap.add_argument("--links", type=int, default=0, help="every page this many links (default: 50 to 300)")
    ap.add_argument("--long-share", type=float, default=0.03, help="share of pages with a long URL")
    args = ap.parse_args()
    if not 1 <= args.pages <= 100000:
        ap.error("--pages must be 1 to 100000")

    site = Site(args)
    root = os.path.join(args.out, "site")
    if os.path.isdir(root):
        shutil.rmtree(root)
    os.makedirs(root)
    total = 0
    made_dirs = set()
    for i, path in enumerate(site.paths):
        text = site.page(i).encode("utf-8")
        total += len(text)
        file_path = root + (path + "index.html" if path.endswith("/") else path)
        d = os.path.dirname(file_path)
        if d not in made_dirs:
            os.makedirs(d, exist_ok=True)
            made_dirs.add(d)
        with open(file_path, "wb") as f:
            f.write(text)
        if (i + 1) % 10000 == 0:
            print("%d pages" % (i + 1), file=sys.stderr)

    # The URLs a complete crawl fetches: every page and every missing page a link points to.
    with open(os.path.join(args.out, "urls.txt"), "w") as f:
        for p in site.paths + sorted(site.linked_missing):
            f.write(site.origin + p + "\n")
    with open(os.path.join(args.out, "site.json"), "w") as f:
        json.dump({"origin": site.origin, "pages": args.pages, "seed": args.seed, "page_kb": args.page_kb,
                   "links": args.links, "bytes": total, "missing_linked": len(site.linked_missing)}, f, indent=1)
    print("%d pages, %.1f MB, average %.1f KB" % (args.pages, total / 1e6, total / 1024 / args.pages))


if __name__ == "__main__":
    main()
