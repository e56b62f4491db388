#!/usr/bin/env python3
"""Writes a static site of N pages of about 40 KB each for the audit benchmark.

Heads look like real ones (charset, viewport, title, description, canonical,
Open Graph and card tags, hreflang alternates); about one page in ten carries
a fault the audit reports. Usage: make_site.py OUT_DIR PAGES [SEED] [--kb K] [--site] [--fixable]

--kb sets the size of a page (40 KB by default). --site makes it a site for the
audit across pages: about 100 links a page, one link in 200 broken, one page in
100 an instant meta refresh to the next (a redirect) and one in 100 linked from
nowhere (an orphan), and a sitemap.xml of every page at https://rugs.example/.
--fixable gives every third page one more fault that audit --fix repairs
without being told more (a second title or description the same as the
first, a viewport that stops zooming or none).
"""
import argparse
import os
import random
import sys

WORDS = ("rug carpet kilim runner wool silk knot dye loom weave pattern border field medallion "
         "isfahan tabriz kashan heriz qum nain bidjar senneh village workshop antique modern "
         "colour madder indigo saffron walnut ivory crimson navy hand knotted flat woven pile "
         "warp weft fringe selvedge abrash motif palmette rosette vine cloud band guard").split()


def words(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


SECTIONS = ("persian", "turkish", "caucasian", "tribal")


def plant_fixable(i, lines):
    """The fault audit --fix repairs by itself, one kind in turn on every third page."""
    kind = (i // 3) % 4  # lines: charset, viewport, title, description, ...
    if kind == 0:
        lines.insert(3, lines[2])
    elif kind == 1:
        lines[1] = '<meta name="viewport" content="width=device-width, initial-scale=1, maximum-scale=1">'
    elif kind == 2:
        lines.insert(4, lines[3])
    else:
        lines[1] = ""


def head(rng, i, pages, fixable=False):
    section = SECTIONS[i % 4]
    url = f"https://rugs.example/{section}/page-{i}.html"
    title = f"{words(rng, 4).title()} {section.title()} Rug No. {i}"
    description = (f"A {words(rng, 3)} {section} rug from our {words(rng, 2)} collection, "
                   f"with {words(rng, 6)}, size and care notes. Item {i}.")
    fault = i % 10
    lines = ['<meta charset="utf-8">' if fault != 1 else "",
             '<meta name="viewport" content="width=device-width, initial-scale=1">'
             if fault != 2 else '<meta name="viewport" content="width=device-width, user-scalable=no">',
             f"<title>{title}</title>" if fault != 3 else "",
             f'<meta name="description" content="{description}">' if fault != 4
             else f'<meta name="description" content="{description} {words(rng, 30)}">',
             f'<link rel="canonical" href="{url}">' if fault != 5
             else f'<link rel="canonical" href="/{section}/page-{i}.html">',
             '<meta name="robots" content="index, follow">' if fault != 6
             else '<meta name="robots" content="noindex">',
             f'<link rel="alternate" hreflang="en" href="{url}">',
             f'<link rel="alternate" hreflang="de" href="https://rugs.example/de/{section}/page-{i}.html">',
             f'<meta property="og:title" content="{title}">',
             '<meta property="og:type" content="product">',
             f'<meta property="og:image" content="https://rugs.example/img/{i}.jpg">' if fault != 7
             else f'<meta property="og:image" content="img/{i}.jpg">',
             f'<meta property="og:url" content="{url}">',
             '<meta name="twitter:card" content="summary_large_image">',
             '<meta name="keywords" content="rugs, carpets">' if fault == 8 else "",
             '<link rel="stylesheet" href="/css/site.css">',
             '<script src="/js/site.js" defer></script>']
    if fixable and i % 3 == 0:
        plant_fixable(i, lines)
    lang = ' lang="en"' if fault != 9 else ""
    return (f'<!DOCTYPE html>\n<html{lang}>\n<head>\n' + "\n".join(l for l in lines if l) +
            "\n</head>\n")


def is_orphan(i):
    return SITE and i % 100 == 99


def is_redirect(i):
    return SITE and i % 100 == 50


def link_target(rng, pages):
    if SITE and rng.randrange(200) == 0:
        return f"/gone/page-{rng.randrange(pages)}.html"
    while True:
        other = rng.randrange(pages)
        if not is_orphan(other):
            return f"/{SECTIONS[other % 4]}/page-{other}.html"


def body(rng, i, pages, size):
    parts = ['<body>\n<header><nav><ul>']
    for s in ("persian", "turkish", "caucasian", "tribal"):
        parts.append(f'<li><a href="/{s}/">{s.title()}</a></li>')
    parts.append('</ul></nav></header>\n<main>\n')
    length = sum(len(p) for p in parts)
    n = 0
    while length < size:
        n += 1
        other = rng.randrange(pages)
        more = "".join(f'<a href="{link_target(rng, pages)}">{words(rng, 2)}</a> ' for _ in range(5 if SITE else 0))
        block = (f'<section class="item" id="s{n}"><h2>{words(rng, 5).title()}</h2>\n'
                 f'<p>{words(rng, 60)}</p>\n'
                 f'<p>{more}<a href="{link_target(rng, pages)}">{words(rng, 3)}</a> '
                 f'<img src="/img/{other}.jpg" alt="{words(rng, 4)}" width="320" height="240"> '
                 f'{words(rng, 40)}</p>\n<ul><li>{words(rng, 8)}</li><li>{words(rng, 8)}</li></ul>'
                 f'</section>\n')
        parts.append(block)
        length += len(block)
    parts.append('</main>\n<footer><p>Rugs example</p></footer>\n</body>\n</html>\n')
    return "".join(parts)


SITE = False


def main():
    global SITE
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("pages", type=int)
    parser.add_argument("seed", type=int, nargs="?", default=1)
    parser.add_argument("--kb", type=int, default=40)
    parser.add_argument("--site", action="store_true")
    parser.add_argument("--fixable", action="store_true")
    args = parser.parse_args()
    out, pages, SITE = args.out, args.pages, args.site
    rng = random.Random(args.seed)
    for i in range(pages):
        section = ("persian", "turkish", "caucasian", "tribal")[i % 4]
        folder = os.path.join(out, section)
        os.makedirs(folder, exist_ok=True)
        text = head(rng, i, pages, args.fixable)
        if is_redirect(i):
            nxt = (i + 1) % pages
            text = text.replace("</head>", f'<meta http-equiv="refresh" content="0; '
                                f'url=/{SECTIONS[nxt % 4]}/page-{nxt}.html">\n</head>')
        text += body(rng, i, pages, args.kb * 1024 - len(text))
        with open(os.path.join(folder, f"page-{i}.html"), "w", encoding="utf-8") as f:
            f.write(text)
    # The pictures and section pages the links name, so that only the faults
    # written on purpose are broken links.
    os.makedirs(os.path.join(out, "img"), exist_ok=True)
    for i in range(pages):
        open(os.path.join(out, "img", f"{i}.jpg"), "wb").close()
    for n, section in enumerate(SECTIONS):
        with open(os.path.join(out, section, "index.html"), "w", encoding="utf-8") as f:
            f.write(f'<!DOCTYPE html>\n<html lang="en"><head><meta charset="utf-8"><title>{section.title()} rugs '
                    f'of the valley, all of them</title></head><body><a href="/">Home</a> '
                    + " ".join(f'<a href="page-{i}.html">{i}</a>' for i in range(n, pages, 4) if not is_orphan(i))
                    + '</body></html>\n')
    with open(os.path.join(out, "index.html"), "w", encoding="utf-8") as f:
        f.write('<!DOCTYPE html>\n<html lang="en"><head><meta charset="utf-8"><title>Handmade rugs of the valley'
                '</title></head><body>' + " ".join(f'<a href="/{s}/">{s}</a>' for s in SECTIONS) + '</body></html>\n')
    if SITE:
        with open(os.path.join(out, "sitemap.xml"), "w", encoding="utf-8") as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                    '<urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">\n')
            for i in range(pages):
                f.write(f"<url><loc>https://rugs.example/{SECTIONS[i % 4]}/page-{i}.html</loc></url>\n")
            f.write("</urlset>\n")


if __name__ == "__main__":
    main()
