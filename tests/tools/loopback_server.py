#!/usr/bin/env python3
"""The loopback web server and proxy of the Windows tests.

Requests are routed by path, whether they come in proxy form
(GET http://host/path) or in origin form (GET /path):
  /cache.gif, /banner.gif  a two-frame GIF (red, then blue), 113 x 47
  /green.gif               a one-frame green GIF
  /missing.gif             404
  /hang.gif                accepts and never answers
  /count                   how many requests came in proxy form
Any other request in proxy form is answered "proxied <url>".

    loopback_server.py PORT_FILE    picks a free port and writes it there
"""
import http.server
import os
import socketserver
import sys
import threading
import time
from urllib.parse import urlsplit

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'assets'))
from gif_writer import gif_bytes, solid  # noqa: E402

WIDTH, HEIGHT = 113, 47
RED, BLUE, GREEN = (255, 0, 0), (0, 0, 255), (0, 255, 0)
TWO_FRAMES = gif_bytes(WIDTH, HEIGHT, [RED, BLUE], [solid(WIDTH, HEIGHT, 0), solid(WIDTH, HEIGHT, 1)],
                       [30, 30], 0)
ONE_GREEN = gif_bytes(WIDTH, HEIGHT, [GREEN, GREEN], [solid(WIDTH, HEIGHT, 0)])


class Handler(http.server.BaseHTTPRequestHandler):
    proxied = 0
    lock = threading.Lock()

    def reply(self, status, body, kind='application/octet-stream'):
        self.send_response(status)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Cache-Control', 'no-store')
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        proxy_form = self.path.startswith('http://')
        if proxy_form:
            with Handler.lock:
                Handler.proxied += 1
        path = urlsplit(self.path).path
        if path in ('/cache.gif', '/banner.gif'):
            self.reply(200, TWO_FRAMES, 'image/gif')
        elif path == '/green.gif':
            self.reply(200, ONE_GREEN, 'image/gif')
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
