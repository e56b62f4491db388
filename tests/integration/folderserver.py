"""Serves one folder over HTTP as a static site host would: 127.0.0.1 only, a
free port printed as "PORT <n>" on the first line of output, a folder's
index.html for its address. Arguments after the folder, FROM=TO, make FROM
answer 301 to TO. It ends when its standard input closes."""

import functools
import http.server
import socketserver
import sys
import threading


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


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    Handler.redirects = dict(pair.split("=", 1) for pair in sys.argv[2:])
    server = Server(("127.0.0.1", 0), functools.partial(Handler, directory=sys.argv[1]))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
