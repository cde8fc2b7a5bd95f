#!/usr/bin/env python3
"""The loopback web server and proxy of the Windows tests.

Requests are routed by path, whether they come in proxy form
(GET http://host/path) or in origin form (GET /path):
  /cache.gif, /banner.gif  a two-frame GIF (red, then blue), 113 x 47
  /green.gif               a one-frame green GIF
  /missing.gif             404
  /hang.gif                accepts and never answers
  /headers/PATH            the request headers of the last request for /PATH
  /count                   how many requests came in proxy form
Any other request in proxy form is answered "proxied <url>"; Windows'
connectivity probe and a tunnel to its host, as Apply's route check asks
for them, are answered as the internet would, and not counted.
The GIFs take query words: "trickle" sends the first 64 bytes one every 3 s,
"pad" pads the GIF to 2 MiB, "cookie=NAME" sets a cookie of that name.

    loopback_server.py PORT_FILE    picks a free port and writes it there
"""
import http.server
import os
import socketserver
import sys
import threading
import time
from urllib.parse import parse_qs, urlsplit

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'assets'))
from gif_writer import gif_bytes, solid  # noqa: E402

WIDTH, HEIGHT = 113, 47
RED, BLUE, GREEN = (255, 0, 0), (0, 0, 255), (0, 255, 0)
TWO_FRAMES = gif_bytes(WIDTH, HEIGHT, [RED, BLUE], [solid(WIDTH, HEIGHT, 0), solid(WIDTH, HEIGHT, 1)],
                       [30, 30], 0)
ONE_GREEN = gif_bytes(WIDTH, HEIGHT, [GREEN, GREEN], [solid(WIDTH, HEIGHT, 0)])
PROBE_URL = 'http://www.msftconnecttest.com/connecttest.txt'
PROBE_TUNNEL = 'www.msftconnecttest.com:443'


class Handler(http.server.BaseHTTPRequestHandler):
    proxied = 0
    headers_by_path = {}
    lock = threading.Lock()

    def start_reply(self, status, length, kind):
        self.send_response(status)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(length))
        self.send_header('Cache-Control', 'no-store')
        cookie = self.query().get('cookie')
        if cookie:
            self.send_header('Set-Cookie', cookie[0] + '=set-by-server; '
                             'expires=Fri, 01 Jan 2038 00:00:00 GMT; path=/')
        self.end_headers()

    def query(self):
        return parse_qs(urlsplit(self.path).query, keep_blank_values=True)

    def reply(self, status, body, kind='application/octet-stream'):
        self.start_reply(status, len(body), kind)
        self.wfile.write(body)

    def gif(self, body):
        if 'pad' in self.query():
            body += bytes(2 * 1024 * 1024 - len(body))
        if 'trickle' not in self.query():
            return self.reply(200, body, 'image/gif')
        body = body[:64]
        self.start_reply(200, len(body), 'image/gif')
        try:
            for byte in body:
                self.wfile.write(bytes([byte]))
                self.wfile.flush()
                time.sleep(3)
        except OSError:
            pass  # the client gave up

    def do_CONNECT(self):
        # The route check's tunnel to the probe's host: granted, and closed
        # unused.
        self.send_response(200 if self.path == PROBE_TUNNEL else 403)
        self.end_headers()
        self.close_connection = True

    def do_GET(self):
        if self.path == PROBE_URL:  # the route check's, not counted
            return self.reply(200, b'Microsoft Connect Test', 'text/plain')
        proxy_form = self.path.startswith('http://')
        path = urlsplit(self.path).path
        with Handler.lock:
            if proxy_form:
                Handler.proxied += 1
            Handler.headers_by_path[path] = str(self.headers)
        if path in ('/cache.gif', '/banner.gif'):
            self.gif(TWO_FRAMES)
        elif path == '/green.gif':
            self.gif(ONE_GREEN)
        elif path.startswith('/headers/'):
            with Handler.lock:
                seen = Handler.headers_by_path.get(path[len('/headers'):], '')
            self.reply(200, seen.encode(), 'text/plain')
        elif path == '/missing.gif':
            self.reply(404, b'<html>Not Found</html>', 'text/html')
        elif path == '/hang.gif':
            time.sleep(120)
        elif path == '/count':
            with Handler.lock:
                self.reply(200, str(Handler.proxied).encode(), 'text/plain')
        elif proxy_form:
            self.reply(200, ('proxied ' + self.path).encode(), 'text/plain')
        else:
            self.reply(404, b'not here', 'text/plain')

    def log_message(self, fmt, *args):
        sys.stderr.write('%s\n' % (fmt % args))


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    server = Server(('127.0.0.1', 0), Handler)
    with open(sys.argv[1] + '.tmp', 'w') as f:
        f.write(str(server.server_address[1]))
    os.replace(sys.argv[1] + '.tmp', sys.argv[1])
    server.serve_forever()


if __name__ == '__main__':
    main()
