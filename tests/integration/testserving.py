"""How the test servers run: 127.0.0.1 only on a free port the system picks,
printed as "PORT <n>" on the first line of output, until standard input
closes, that is until the test ends."""

import http.server
import socketserver
import sys
import threading


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(handler):
    server = Server(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    sys.stdin.read()
    server.shutdown()
