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

    def end_headers(self):
        # Pages are served fresh; pictures and scripts may be cached, which is
        # what the cache-clearing button is for.
        if self.path.split("?")[0].endswith(".html"):
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
