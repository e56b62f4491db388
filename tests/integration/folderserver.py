"""Serves one folder over HTTP as a static site host would: 127.0.0.1 only, a
free port printed as "PORT <n>" on the first line of output, a folder's
index.html for its address. Arguments after the folder, FROM=TO, make FROM
answer 301 to TO. It ends when its standard input closes."""

import functools
import http.server
import sys

from testserving import serve


class Handler(http.server.SimpleHTTPRequestHandler):
    redirects = {}

    def log_message(self, *args):
        pass

    def send_head(self):
        target = self.redirects.get(self.path.split("?")[0])
        if target is None:
            return super().send_head()
        self.send_response(301)
        self.send_header("Location", target)
        self.send_header("Content-Length", "0")
        self.end_headers()
        return None


if __name__ == "__main__":
    Handler.redirects = dict(pair.split("=", 1) for pair in sys.argv[2:])
    serve(functools.partial(Handler, directory=sys.argv[1]))
