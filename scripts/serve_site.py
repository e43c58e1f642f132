#!/usr/bin/env python3
"""Serves one folder (the built web site) on 127.0.0.1 only, for trying the pages locally.

    scripts/serve_site.py FOLDER [PORT]      default port 8000; a port in use: the next free one

Only files inside FOLDER are served: paths with '.' or '..' segments (also when encoded as
%2e%2e), backslashes or NUL bytes are refused, and so is anything whose real path (symbolic
links followed) lies outside the folder. No directory listings. No special headers are sent:
the pages must work from any plain static server. Prints the address once it is listening.
"""
import errno
import functools
import http.server
import os
import sys
import threading
import time
import urllib.parse

PORTS_TRIED = 100


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".html": "text/html; charset=utf-8",
        ".css": "text/css",
    }

    def site_file(self):
        """The real path of the file asked for, or None when it is refused."""
        root = os.path.realpath(self.directory)
        raw = urllib.parse.urlsplit(self.path).path
        path = urllib.parse.unquote(raw, errors="strict")
        if "\\" in path or "\0" in path or not path.startswith("/"):
            return None
        segments = path.split("/")[1:]
        if any(segment in (".", "..") for segment in segments):
            return None
        candidate = os.path.join(root, *[s for s in segments if s])
        if path.endswith("/") or os.path.isdir(candidate):
            candidate = os.path.join(candidate, "index.html")
        real = os.path.realpath(candidate)
        if real != root and not real.startswith(root + os.sep):
            return None
        return real

    def send_head(self):
        try:
            real = self.site_file()
        except UnicodeDecodeError:
            real = None
        if real is None:
            self.send_error(403, "Refused: outside the site")
            return None
        if not os.path.isfile(real):
            self.send_error(404, "Not found")
            return None
        try:
            f = open(real, "rb")
        except OSError:
            self.send_error(404, "Not found")
            return None
        size = os.fstat(f.fileno()).st_size
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(real))
        self.send_header("Content-Length", str(size))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        return f

    def log_message(self, format, *args):
        pass


class SiteServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A browser that drops a connection mid-answer (a reload) is not worth a traceback.
        if isinstance(sys.exc_info()[1], ConnectionError):
            return
        super().handle_error(request, client_address)


def listen(folder, first_port):
    handler = functools.partial(SiteHandler, directory=folder)
    for port in range(first_port, first_port + PORTS_TRIED):
        try:
            return SiteServer(("127.0.0.1", port), handler)
        except OSError as error:
            if error.errno != errno.EADDRINUSE:
                raise
    sys.exit(f"serve_site: no free port from {first_port} to {first_port + PORTS_TRIED - 1}")


def stop_when_orphaned(server):
    """Ends the server once the process that started it is gone (a test runner killed by a
    time-out, say), so no server outlives it holding the runner's output open."""
    parent = os.getppid()

    def watch():
        while os.getppid() == parent:
            time.sleep(0.5)
        server.shutdown()

    threading.Thread(target=watch, daemon=True).start()


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: serve_site.py FOLDER [PORT]")
    folder = os.path.realpath(sys.argv[1])
    if not os.path.isdir(folder):
        sys.exit(f"serve_site: {sys.argv[1]}: not a folder")
    server = listen(folder, int(sys.argv[2]) if len(sys.argv) == 3 else 8000)
    print(f"Serving {folder} at http://127.0.0.1:{server.server_address[1]}/", flush=True)
    stop_when_orphaned(server)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
