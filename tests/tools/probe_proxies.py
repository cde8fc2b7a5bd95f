#!/usr/bin/env python3
"""Loopback HTTP proxies for the tests of the proxy test: each answers every
request the same way, as a proxy on the internet might.

    probe_proxies.py PORTS_FILE LOG_FILE

Once all listen, writes "name=port" entries, comma-separated, to PORTS_FILE:
  fast      answers the connectivity probe at once
  slow      answers it after a second and a half
  notfound  answers 404
  login     answers 200 with a login page
  silent    accepts and never answers
  trickle   answers the probe one byte every half second (11 s in all)
  endless   answers the probe after half a second, then never ends the body
  closed    a port nothing listens on
Appends "name request-line" to LOG_FILE for every request, as it comes in.
"""
import http.server
import socket
import socketserver
import sys
import threading
import time

PROBE_ANSWER = b'Microsoft Connect Test'
LOGIN_PAGE = b'<html><body>Please log in to use this hotspot.</body></html>'


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def handler(name, log_file, lock):
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            with lock, open(log_file, 'a') as log:
                log.write(f'{name} {self.requestline}\n')
            if name == 'silent':
                time.sleep(3600)
                return
            if name == 'slow':
                time.sleep(1.5)
            if name == 'endless':
                time.sleep(0.5)
            status, body = {'notfound': (404, b'Not Found'),
                            'login': (200, LOGIN_PAGE)}.get(name, (200, PROBE_ANSWER))
            self.send_response(status)
            self.send_header('Content-Type', 'text/plain')
            length = 1 << 30 if name == 'endless' else len(body)
            self.send_header('Content-Length', str(length))
            self.end_headers()
            if name == 'trickle':
                for byte in body:
                    self.wfile.write(bytes([byte]))
                    self.wfile.flush()
                    time.sleep(0.5)
                return
            self.wfile.write(body)
            if name == 'endless':
                self.wfile.flush()
                time.sleep(3600)

        def log_message(self, fmt, *args):
            pass
    return Handler


def main():
    ports_file, log_file = sys.argv[1], sys.argv[2]
    open(log_file, 'w').close()
    lock = threading.Lock()
    ports = []
    for name in ('fast', 'slow', 'notfound', 'login', 'silent', 'trickle', 'endless'):
        server = Server(('127.0.0.1', 0), handler(name, log_file, lock))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        ports.append(f'{name}={server.server_address[1]}')
    with socket.socket() as unused:
        unused.bind(('127.0.0.1', 0))
        ports.append(f'closed={unused.getsockname()[1]}')
    with open(ports_file + '.tmp', 'w') as out:
        out.write(','.join(ports))
    import os
    os.replace(ports_file + '.tmp', ports_file)
    threading.Event().wait()


if __name__ == '__main__':
    main()
