#!/usr/bin/env python3
"""Serves a folder on 127.0.0.1, on a port that is free, for the demo:
    python3 demo/serve.py FOLDER PORTFILE
It writes the port it listens on to PORTFILE once it listens, and serves until
it is ended. A file that is not there is answered with 404.
"""
import functools
import http.server
import os
import sys


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    folder, port_file = sys.argv[1], sys.argv[2]
    handler = functools.partial(QuietHandler, directory=folder)
    with http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler) as server:
        # Written aside and renamed, so that the script never reads half a number.
        with open(port_file + ".part", "w") as out:
            out.write(str(server.server_address[1]))
        os.replace(port_file + ".part", port_file)
        server.serve_forever()


if __name__ == "__main__":
    main()
