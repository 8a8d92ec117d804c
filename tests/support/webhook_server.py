#!/usr/bin/python3
"""A chat webhook over HTTPS on 127.0.0.1 for the tests. Prints "PORT <n>"
once it listens, and appends every POST it receives to the log as one JSON
line (path, the body parsed, the time on a monotonic clock). Modes:

  ok      answers every post with 204, as Discord does;
  busy    answers the first post 429 with "Retry-After: 1", the others 204;
  silent  reads each post and never answers.
"""
import argparse
import http.server
import json
import ssl
import sys
import threading
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--mode", choices=("ok", "busy", "silent"), default="ok")
    args = parser.parse_args()
    lock = threading.Lock()
    answered = [0]

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
            with lock:
                with open(args.log, "a", encoding="utf-8") as log:
                    log.write(json.dumps({"path": self.path, "body": json.loads(body or b"null"),
                                          "time": time.monotonic()}) + "\n")
                answered[0] += 1
                first = answered[0] == 1
            if args.mode == "silent":
                time.sleep(3600)
            if args.mode == "busy" and first:
                self.send_response(429)
                self.send_header("Retry-After", "1")
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(204)
            self.end_headers()

        def log_message(self, *unused):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
