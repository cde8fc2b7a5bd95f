#!/usr/bin/env python3
"""A loopback HTTP proxy for the tests.

A request in proxy form (GET http://host/path) is answered by the proxy
itself with "proxied <url>" and counted; a request in origin form
(GET /count) answers the number of proxied requests so far.

    loopback_proxy.py PORT_FILE    picks a free port and writes it there
"""
import http.server
import socketserver
import sys
import threading


class Handler(http.server.BaseHTTPRequestHandler):
    proxied = 0
    lock = threading.Lock()

    def do_GET(self):
        if self.path.startswith('http://'):
            with Handler.lock:
                Handler.proxied += 1
            body = ('proxied ' + self.path).encode()
        else:
            with Handler.lock:
                body = str(Handler.proxied).encode()
        self.send_response(200)
        self.send_header('Content-Type', 'text/plain')
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Cache-Control', 'no-store')
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, fmt, *args):
        sys.stderr.write('%s\n' % (fmt % args))


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    server = Server(('127.0.0.1', 0), Handler)
    with open(sys.argv[1] + '.tmp', 'w') as f:
        f.write(str(server.server_address[1]))
    import os
    os.replace(sys.argv[1] + '.tmp', sys.argv[1])
    server.serve_forever()


if __name__ == '__main__':
    main()
