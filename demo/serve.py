#!/usr/bin/env python3
"""Serves the bundled demo site on the loopback address.

Every request is logged to stdout, one line each ("GET /path?query 200"), so
tests and people can see exactly what the client asked for. With --log-times
each line starts with the time the request arrived, in seconds since the epoch,
for benchmarks that set it beside the times the pages report.
"""
import argparse
import functools
import http.server
import os
import sys
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    log_times = False
    poll_ms = 1000

    def setup(self):
        super().setup()
        self.arrived = time.time()

    def log_message(self, fmt, *args):
        pass

    def log_request(self, code="-", size="-"):
        stamp = "%.4f " % self.arrived if self.log_times else ""
        sys.stdout.write("%s%s %s %s\n" % (stamp, self.command, self.path, code))
        sys.stdout.flush()

    def send_head(self):
        # Vendored packages are kept compressed; the browser takes them as
        # they are.
        path = self.translate_path(self.path)
        if not os.path.exists(path) and os.path.isfile(path + ".gz"):
            f = open(path + ".gz", "rb")
            self.send_response(200)
            self.send_header("Content-Type", self.guess_type(path))
            self.send_header("Content-Encoding", "gzip")
            self.send_header("Content-Length", str(os.fstat(f.fileno()).st_size))
            self.end_headers()
            return f
        return super().send_head()

    def do_POST(self):
        # Beacons sent as a page goes away arrive as posts.
        if self.path.startswith("/log/"):
            self.rfile.read(int(self.headers.get("Content-Length") or 0))
            self.send_response(204)
            self.end_headers()
            return
        self.send_error(405)

    def do_GET(self):
        path = self.path.split("?")[0]
        if path.startswith("/log/"):
            # Pages report what they receive here; the request log is the record.
            self.send_response(204)
            self.end_headers()
            return
        if path == "/serverlist/online":
            body = b'{"online": 1024, "next": %d}' % self.poll_ms
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
    parser.add_argument("--log-times", action="store_true",
                        help="start each log line with the request's arrival time")
    parser.add_argument("--poll-ms", type=int, default=1000,
                        help="how often the server list asks for the player count; "
                             "0 makes it ask once and then stay still")
    args = parser.parse_args()
    Handler.log_times = args.log_times
    Handler.poll_ms = args.poll_ms
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
