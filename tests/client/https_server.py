"""HTTPS server on loopback for the cloud-client tests.

Usage: https_server.py CERT KEY LOG. Prints its port on the first line of its output.
Every POST is appended to LOG as one JSON line (path, headers, body as hex). A POST to
/__mode sets how later requests are answered:
  json    {"code":"0000","recID":"R1"}
  other   {"code":"1001","msg":"refused"}
  scalar  the JSON number 42
  text    a page that is not JSON
  silent  no answer: the request is read and the connection held open
"""
import http.server
import json
import ssl
import sys
import threading
import time

cert, key, log_path = sys.argv[1:4]
state = {"mode": "json"}
log_lock = threading.Lock()

ANSWERS = {
    "json": (b'{"code":"0000","recID":"R1"}', "application/json"),
    "other": (b'{"code":"1001","msg":"refused"}', "application/json"),
    "scalar": (b"42", "application/json"),
    "text": (b"<html><body>service unavailable</body></html>", "text/html"),
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, body, content_type):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        if self.path == "/__mode":
            state["mode"] = body.decode()
            self.answer(b"ok", "text/plain")
            return
        record = {"path": self.path, "headers": dict(self.headers.items()), "body": body.hex()}
        with log_lock, open(log_path, "a") as log:
            log.write(json.dumps(record) + "\n")
        if state["mode"] == "silent":
            time.sleep(300)
            return
        self.answer(*ANSWERS[state["mode"]])


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
