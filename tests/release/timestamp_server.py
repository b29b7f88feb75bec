#!/usr/bin/python3
"""A time-stamping service on the loopback for the signing test: answers each RFC 3161 request
with `openssl ts -reply`, under the configuration given.

    timestamp_server.py PORT TSA-CONFIG
"""
import http.server
import subprocess
import sys
import tempfile


class TimestampHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        request = self.rfile.read(int(self.headers["Content-Length"]))
        with tempfile.NamedTemporaryFile() as query:
            query.write(request)
            query.flush()
            reply = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[2],
                                    "-queryfile", query.name],
                                   capture_output=True, check=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *arguments):
        pass


http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), TimestampHandler).serve_forever()
