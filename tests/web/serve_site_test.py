#!/usr/bin/env python3
"""scripts/serve_site.py: serves the folder's files, nothing outside it (.., encoded %2e%2e,
links out), no special headers, listens on 127.0.0.1 only, and takes the next port when the
one asked for is in use."""
import http.client
import os
import re
import subprocess
import sys
import tempfile

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                      "serve_site.py")


def start(folder, port):
    server = subprocess.Popen([sys.executable, SERVER, folder, str(port)],
                              stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline()
    match = re.search(r"at http://127\.0\.0\.1:(\d+)/", line)
    if not match:
        server.kill()
        raise SystemExit(f"FAIL: the server said {line!r}")
    return server, int(match.group(1))


def get(port, path):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    connection.request("GET", path)
    response = connection.getresponse()
    body = response.read()
    connection.close()
    return response.status, dict(response.getheaders()), body


def main():
    failures = []
    with tempfile.TemporaryDirectory() as work:
        site = os.path.join(work, "site")
        os.makedirs(os.path.join(site, "sub"))
        with open(os.path.join(site, "index.html"), "w") as f:
            f.write("<p>page</p>")
        with open(os.path.join(site, "sub", "a.wasm"), "wb") as f:
            f.write(b"\0asm")
        with open(os.path.join(work, "secret"), "w") as f:
            f.write("secret")
        os.symlink(work, os.path.join(site, "out"))
        os.symlink(os.path.join(work, "secret"), os.path.join(site, "secret_link"))

        first, port = start(site, 20000 + os.getpid() % 20000)
        second, next_port = start(site, port)
        try:
            if next_port == port:
                failures.append("a port in use was taken again")
            status, headers, body = get(port, "/")
            if status != 200 or body != b"<p>page</p>":
                failures.append(f"/ gave {status}")
            if any(h.lower().startswith("cross-origin") for h in headers):
                failures.append(f"special headers sent: {headers}")
            status, headers, _ = get(port, "/sub/a.wasm")
            if status != 200 or headers.get("Content-Type") != "application/wasm":
                failures.append(f"/sub/a.wasm gave {status} {headers.get('Content-Type')}")
            for path in ["/../secret", "/sub/../../secret", "/%2e%2e/secret", "/%2E%2E%2Fsecret",
                         "/sub/%2e%2e/%2e%2e/secret", "/out/secret", "/secret_link",
                         "/..%5csecret", "/%00"]:
                status, _, body = get(port, path)
                if status == 200 or b"secret" == body:
                    failures.append(f"{path} was served")
            status, _, _ = get(port, "/missing.js")
            if status != 404:
                failures.append(f"/missing.js gave {status}")
        finally:
            first.kill()
            second.kill()
            first.wait()
            second.wait()
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("PASS")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
