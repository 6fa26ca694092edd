#!/usr/bin/env python3
"""Serves the bundled demo site on the loopback address.

Every request is logged to stdout, one line each ("GET /path?query 200"), so
tests and people can see exactly what the client asked for.
"""
import argparse
import functools
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, fmt, *args):
        pass

    def log_request(self, code="-", size="-"):
        sys.stdout.write("%s %s %s\n" % (self.command, self.path, code))
        sys.stdout.flush()

    def do_GET(self):
        path = self.path.split("?")[0]
        if path.startswith("/log/"):
            # Pages report what they receive here; the request log is the record.
            self.send_response(204)
            self.end_headers()
            return
        if path == "/serverlist/online":
            body = b'{"online": 1024}'
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        super().do_GET()

    def end_headers(self):
        # Pages are served fresh; pictures and scripts may be cached, which is
        # what the cache-clearing button is for.
        path = self.path.split("?")[0]
        if path.endswith(".html") or path.startswith(("/log/", "/serverlist/")):
            self.send_header("Cache-Control", "no-store")
        else:
            self.send_header("Cache-Control", "max-age=86400")
        super().end_headers()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=8731)
    args = parser.parse_args()
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site")
    handler = functools.partial(Handler, directory=root)
    http.server.ThreadingHTTPServer.allow_reuse_address = True
    with http.server.ThreadingHTTPServer((args.host, args.port), handler) as server:
        sys.stdout.write("serving %s on http://%s:%d/\n" % (root, args.host, args.port))
        sys.stdout.flush()
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
