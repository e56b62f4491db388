"""A small web server for the fetch tests: 127.0.0.1 only, a free port
chosen by the system and printed as "PORT <n>" on the first line of output.
It ends when its standard input closes, that is when the test ends."""

import gzip
import http.server
import random
import sys
import threading
import time

from testserving import serve

SMALL = b"<html><head><title>Small</title></head><body>tiny</body></html>\n"
UTF8_PAGE = ("<p>" + "a\u00e9\u20ac\U0001F600\u4e2d" * 3000 + "</p>\n").encode("utf-8")


def big_page():
    line = b"<p>line of a page that is several megabytes long</p>\n"
    return line * (5 * 1024 * 1024 // len(line))


BIG = big_page()
# Long enough to outlast any stall limit a test uses, short enough that the
# server thread does not linger long once the client has gone.
STALL_SECONDS = 20
LATE_SECONDS = 1
# Not valid UTF-8, with NUL bytes inside and a lone CR: the page must still decode.
BINARY = b"<p>begin\x00\xff\xc3(\xe9\xed\xa0\x80\x00\r" + bytes(range(256)) + b"\xf0\x9f\x98end</p>"


# A small site for the crawl and sitemap tests; "@" stands for this server's own address.
SITE = {
    "/site/": '<title>Home</title><a href="a.html">a</a> <a href="/site/b.html#part">b</a>'
              '<a href="private/x.html">private</a> <a href="http://other.example/">away</a>'
              '<a href="pic.png">picture</a> <a href="to-b">moved</a> <a href="/loop/0">loop</a>'
              '<a href="missing.html">gone</a> <a href="/tagged">tagged</a>',
    "/site/a.html": '<a href="/site/">home</a><a href="/site/c.html">c</a><a href="/site/private/y.html">y</a>',
    "/site/b.html": '<a href="a.html">a again</a>',
    "/site/c.html": '<p>the end</p>',
    "/site/private/x.html": '<p>never fetched</p>',
}
ROBOTS = (b"User-agent: *\nDisallow: /\n\nUser-agent: Headwise\nDisallow: /site/private/\n"
          b"Disallow: /forbidden\nAllow: /\n")
SITEMAPS = {
    "/sitemap-index.xml": ("sitemapindex", "sitemap", ["/sitemap-a.xml", "/sitemap-b.xml", "/sitemap-index.xml",
                                                       "/sitemap-bad.xml"]),
    "/sitemap-a.xml": ("urlset", "url", ["/site/a.html", "/site/c.html"]),
    "/sitemap-b.xml": ("urlset", "url", ["/site/c.html", "/site/missing.html", "/loop/0"]),
}
SLOW_PAGES = 20


class Counter:
    """Requests running at once under /slow/, and the most seen so far."""

    def __init__(self):
        self.lock = threading.Lock()
        self.now = 0
        self.most = 0

    def enter(self):
        with self.lock:
            self.now += 1
            self.most = max(self.most, self.now)

    def leave(self):
        with self.lock:
            self.now -= 1


SLOW = Counter()
REQUESTED = []  # every path asked for, in arrival order, but /requested itself


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_page(self, status, body, content_type="text/html", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def own(self, path):
        return "http://%s%s" % (self.headers.get("Host", ""), path)

    def do_GET(self):
        path = self.path
        if path == "/requested":
            self.send_page(200, "\n".join(REQUESTED).encode(), content_type="text/plain")
            return
        REQUESTED.append(path)
        if path == "/robots.txt":
            # Under the name "localhost" the same server is a site whose robots.txt fails.
            if self.headers.get("Host", "").startswith("localhost"):
                self.send_page(503, b"busy", content_type="text/plain")
            else:
                self.send_page(200, ROBOTS, content_type="text/plain")
        elif path in SITE:
            self.send_page(200, SITE[path].encode())
        elif path == "/site/to-b":
            self.send_page(302, b"", extra=[("Location", "/site/b.html")])
        elif path == "/site/pic.png":
            self.send_page(200, b"\x89PNG\r\n\x1a\n", content_type="image/png")
        elif path in SITEMAPS:
            root, entry, paths = SITEMAPS[path]
            body = '<?xml version="1.0"?><%s xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">' % root
            body += "".join("<%s><loc>%s</loc></%s>" % (entry, self.own(p), entry) for p in paths)
            self.send_page(200, (body + "</%s>" % root).encode(), content_type="application/xml")
        elif path in ("/sitemap.xml.gz", "/sitemap-cut.xml.gz"):
            root, entry, paths = SITEMAPS["/sitemap-a.xml"]
            body = "<%s>%s</%s>" % (root, "".join("<%s><loc>%s</loc></%s>" % (entry, self.own(p), entry)
                                                  for p in paths), root)
            packed = gzip.compress(body.encode())
            self.send_page(200, packed if path == "/sitemap.xml.gz" else packed[:len(packed) // 2],
                           content_type="application/gzip")
        elif path == "/sitemap-bomb.xml.gz":
            # Tiny packed, larger than the tests' sitemap limit once unpacked.
            self.send_page(200, gzip.compress(b"<urlset>" + b" " * (2 * 1024 * 1024)),
                           content_type="application/gzip")
        elif path == "/sitemap-bad.xml":
            self.send_page(200, b"<html><body>no sitemap here</body></html>")
        elif path == "/slow/most":
            self.send_page(200, b"%d" % SLOW.most, content_type="text/plain")
        elif path.startswith("/slow/"):
            # A tree of pages, each answering after a random delay so that they
            # finish out of order.
            # The count drops before the answer goes out: the client may send its
            # next request as soon as this one has arrived, and must not find
            # this one still counted.
            SLOW.enter()
            try:
                time.sleep(random.uniform(0.02, 0.12))
                n = int(path[6:])
                links = "".join('<a href="/slow/%d">%d</a>' % (k, k) for k in (2 * n + 1, 2 * n + 2)
                                if k < SLOW_PAGES)
            finally:
                SLOW.leave()
            self.send_page(200, links.encode())
        elif path == "/small":
            self.send_page(200, SMALL)
        elif path == "/big":
            self.send_page(200, BIG)
        elif path == "/missing":
            self.send_page(404, b"<html><body>Not here</body></html>")
        elif path == "/redirect":
            self.send_page(302, b"", extra=[("Location", "/hop/1")])
        elif path.startswith("/hop/"):
            hop = int(path[5:])
            if hop < 3:
                self.send_page(302, b"", extra=[("Location", "/hop/%d" % (hop + 1))])
            else:
                self.send_page(200, b"<p>arrived after redirects</p>")
        elif path.startswith("/loop/"):
            self.send_page(302, b"", extra=[("Location", "/loop/%d" % (int(path[6:]) + 1))])
        elif path == "/to-file":
            self.send_page(302, b"", extra=[("Location", "file:///etc/hostname")])
        elif path == "/cp1252":
            self.send_page(200, b'<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">'
                           b"\x93caf\xe9\x94 \x80 5\r\n", content_type="text/html")
        elif path == "/declared":
            self.send_page(200, b"<meta charset=utf-8><p>caf\xe9</p>",
                           content_type="text/html; charset=ISO-8859-1")
        elif path == "/utf8-split":
            # Odd-sized writes, so multi-byte characters straddle the reads.
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(UTF8_PAGE)))
            self.end_headers()
            self.wfile.flush()
            for start in range(0, len(UTF8_PAGE), 251):
                self.wfile.write(UTF8_PAGE[start:start + 251])
                self.wfile.flush()
        elif path == "/headers":
            self.send_page(200, str(self.headers).encode("latin-1"), content_type="text/plain")
        elif path == "/gzip":
            self.send_page(200, gzip.compress(SMALL), extra=[("Content-Encoding", "gzip")])
        elif path == "/too-large-declared":
            self.send_response(200)
            self.send_header("Content-Length", str(300 * 1024 * 1024))
            self.end_headers()
            self.wfile.write(b"x" * 1024)
        elif path == "/too-large-streamed":
            # No length given: the client can only notice while receiving.
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            block = b"y" * (1024 * 1024)
            try:
                for _ in range(300):
                    self.wfile.write(block)
            except OSError:
                pass
            self.close_connection = True
        elif path == "/to-stall":
            self.send_page(200, b"<title>Stalls</title><a href=\"/stall\">on</a>")
        elif path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"<p>begun")
            self.wfile.flush()
            time.sleep(STALL_SECONDS)
        elif path in ("/endless-slow", "/endless-fast"):
            # No length and no end: only the client's limits stop it. The server
            # gives up after STALL_SECONDS or when the client hangs up.
            slow = path == "/endless-slow"
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Connection", "close")
            self.end_headers()
            block = b"<p>more</p>\n" * (8 if slow else 8192)
            deadline = time.monotonic() + STALL_SECONDS
            try:
                while time.monotonic() < deadline:
                    self.wfile.write(block)
                    self.wfile.flush()
                    if slow:
                        time.sleep(0.02)
            except OSError:
                pass
            self.close_connection = True
        elif path == "/binary":
            self.send_page(200, BINARY)
        elif path == "/binary-utf8":
            self.send_page(200, BINARY, content_type="text/html; charset=utf-8")
        elif path == "/binary-utf16":
            self.send_page(200, BINARY, content_type="text/html; charset=utf-16le")
        elif path == "/late":
            # Answers well after a shortened watchdog has given up on it.
            time.sleep(LATE_SECONDS)
            self.send_page(200, b"<title>Late</title><p>latecomer arrives here</p>")
        elif path == "/silent":
            time.sleep(STALL_SECONDS)
        elif path == "/empty":
            self.send_page(200, b"")
        elif path == "/tagged-redirect":
            # The redirect's own header must not be taken for the page's.
            self.send_page(301, b"", extra=[("Location", "/tagged"), ("X-Robots-Tag", "nofollow")])
        elif path == "/tagged":
            self.send_page(200, SMALL, content_type="text/html; charset=UTF-8",
                           extra=[("X-Robots-Tag", "noindex"), ("X-Robots-Tag", "googlebot: noarchive")])
        elif path == "/endless-headers":
            self.send_response(200)
            self.flush_headers()
            try:
                deadline = time.monotonic() + STALL_SECONDS
                n = 0
                while time.monotonic() < deadline:
                    self.wfile.write(b"X-Filler-%d: %s\r\n" % (n, b"z" * 1000))
                    n += 1
            except OSError:
                pass
            self.close_connection = True
        else:
            self.send_page(404, b"unknown test page")


if __name__ == "__main__":
    serve(Handler)
