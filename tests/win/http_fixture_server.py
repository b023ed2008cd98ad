"""A small HTTP server on 127.0.0.1 for the download tests and benchmark.

Paths (TAG is any text that keeps one test's requests apart):
  /bytes/N/TAG     200, Content-Length N, N bytes of the pattern i % 251
  /nolength/TAG    200 without Content-Length (the connection close ends it)
  /missing/TAG     404 with a Content-Length and an HTML body
  /short/N/TAG     200, Content-Length N, but only N // 2 bytes, then close
  /paced/N/R/TAG   200, Content-Length N, sent at R bytes a second in
                   pieces every 20 ms
  /stall/N/TAG     200, Content-Length N, then nothing (until the server
                   shuts down or 10 minutes pass)
  /drop/TAG        first request as /nolength, every later one closed
                   without an answer
  /oneshot/TAG     the port of a new server that answers one request as
                   /nolength and then stops listening
  /count/PATH      how many requests PATH received so far, as decimal text
  /redirect/PATH   302 to PATH, or to PATH itself when it is a whole
                   http:// or https:// address
  /file/NAME       the file NAME from the served directory, if one was given

Run as a program it prints "PORT <n>" on its first line and serves until
its standard input closes; as a module, `start()` gives a running server,
and `start_tls()` one that speaks TLS with a certificate of its own that
no system trusts.
"""

import http.server
import shutil
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

PATTERN = bytes(i % 251 for i in range(251 * 64))


def pattern(length):
    repeats = length // len(PATTERN) + 1
    return (PATTERN * repeats)[:length]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    counts = {}
    lock = threading.Lock()
    served_directory = None

    def log_message(self, *args):
        pass

    def _send(self, status, body, length=None, close=False):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        if close:
            self.send_header("Connection", "close")
        self.end_headers()
        if body:
            self.wfile.write(body)
        if close:
            self.close_connection = True

    def do_GET(self):
        path = self.path
        with self.lock:
            if not path.startswith("/count/"):
                self.counts[path] = self.counts.get(path, 0) + 1
            seen = self.counts.get(path, 0)
        parts = path.strip("/").split("/")
        try:
            kind = parts[0]
            if kind == "bytes":
                length = int(parts[1])
                self._send(200, None, length)
                self._stream(length)
            elif kind == "drop" and seen > 1:
                self.close_connection = True
                self.connection.shutdown(2)
            elif kind in ("nolength", "drop"):
                self._send(200, b"not a runtime", None, close=True)
            elif kind == "missing":
                body = b"<html><body>404 Not Found</body></html>"
                self._send(404, body, len(body))
            elif kind == "paced":
                length, rate = int(parts[1]), int(parts[2])
                self._send(200, None, length)
                self._pace(length, rate)
            elif kind == "stall":
                self._send(200, None, int(parts[1]))
                self.wfile.flush()
                self.server.stopping.wait(600)
                self.close_connection = True
            elif kind == "short":
                length = int(parts[1])
                self._send(200, pattern(length // 2), length, close=True)
            elif kind == "oneshot":
                body = str(start_one_shot()).encode()
                self._send(200, body, len(body))
            elif kind == "redirect":
                target = "/".join(parts[1:])
                self.send_response(302)
                self.send_header("Location", target if target.startswith(("http:", "https:"))
                                 else "/" + target)
                self.send_header("Content-Length", "0")
                self.end_headers()
            elif kind == "count":
                counted = "/" + "/".join(parts[1:])
                with self.lock:
                    body = str(self.counts.get(counted, 0)).encode()
                self._send(200, body, len(body))
            elif kind == "file" and self.served_directory is not None:
                file = Path(self.served_directory) / parts[1]
                size = file.stat().st_size
                self._send(200, None, size)
                with open(file, "rb") as source:
                    shutil.copyfileobj(source, self.wfile, 1 << 20)
            else:
                self._send(400, b"bad request", 11)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def _pace(self, length, rate):
        piece = max(1, rate // 50)
        body = pattern(length)
        for start in range(0, length, piece):
            self.wfile.write(body[start:start + piece])
            self.wfile.flush()
            time.sleep(0.02)

    def _stream(self, length):
        chunk = pattern(1 << 20)
        left = length
        while left > 0:
            piece = chunk[:min(left, len(chunk))]
            self.wfile.write(piece)
            left -= len(piece)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, *args, **kwargs):
        self.stopping = threading.Event()
        super().__init__(*args, **kwargs)

    def shutdown(self):
        self.stopping.set()
        super().shutdown()


class OneShotHandler(Handler):
    def do_GET(self):
        self._send(200, b"not a runtime", None, close=True)
        threading.Thread(target=self.server.shutdown, daemon=True).start()


def start_one_shot():
    """A server for one request: afterwards its port refuses connections."""
    server = http.server.HTTPServer(("127.0.0.1", 0), OneShotHandler)

    def serve():
        server.serve_forever()
        server.server_close()

    threading.Thread(target=serve, daemon=True).start()
    return server.server_address[1]


def start(served_directory=None):
    """A server on a free port of 127.0.0.1, serving on a daemon thread."""
    Handler.served_directory = served_directory
    server = Server(("127.0.0.1", 0), Handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    return server


def start_tls(served_directory=None):
    """start() behind TLS, with a self-signed certificate for 127.0.0.1
    made for this server alone (its DER bytes in `certificate`)."""
    server = Server(("127.0.0.1", 0), Handler)
    Handler.served_directory = served_directory
    with tempfile.TemporaryDirectory(prefix="lumen-tls-") as directory:
        key, cert = f"{directory}/key.pem", f"{directory}/cert.pem"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        # The name in the common name alone: Wine's name check
                        # matches no IP address in a subjectAltName.
                        "-subj", "/CN=127.0.0.1",
                        "-keyout", key, "-out", cert], check=True, capture_output=True)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        with open(cert, encoding="ascii") as pem:
            server.certificate = ssl.PEM_cert_to_DER_cert(pem.read())
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    server = start(sys.argv[1] if len(sys.argv) > 1 else None)
    print(f"PORT {server.server_address[1]}", flush=True)
    try:
        sys.stdin.read()
    finally:
        server.shutdown()


if __name__ == "__main__":
    main()
