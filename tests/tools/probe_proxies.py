#!/usr/bin/env python3
"""Loopback HTTP proxies for the tests of the proxy test and the route check:
each answers every request of a kind the same way, as a proxy on the
internet might. A tunnel's request (CONNECT) is answered 200 and the
connection then held until the caller closes it, unless the kind says
otherwise.

    probe_proxies.py PORTS_FILE LOG_FILE CONNECTIONS_LOG

Once all listen, writes "name=port" entries, comma-separated, to PORTS_FILE:
  fast      answers the connectivity probe at once
  slow      answers it after a second and a half
  notfound  answers 404 (a tunnel's request too)
  login     answers 200 with a login page
  silent    accepts and never answers (a tunnel's request neither)
  trickle   answers the probe one byte every half second (11 s in all)
  endless   answers the probe after half a second, then never ends the body
  closed    a port nothing listens on
Appends "name request-line" to LOG_FILE for every request, as it comes in.

A crowd of proxies, as many as a test asks for, comes from the control
server whose port is written to PORTS_FILE.control (before PORTS_FILE):
    GET /crowd?silent=300&blackhole=10&refused=40&fast=1&slow=1&slow_ms=2000
answers one "kind port" line for each, every one on a port of its own:
  silent     accepts, reads the request and never answers
  blackhole  never accepts: its queue is full, so the system drops the
             connection request and the caller waits
  refused    a port nothing listens on (held, so that it stays so)
  fast       answers the connectivity probe at once, and a tunnel's request
  slow       answers them after slow_ms milliseconds (1500 unless told)
  login      answers the probe with a login page; a tunnel's request, 200
  auth       asks for a proxy password (407), for the probe and a tunnel
  noconnect  answers the probe, refuses a tunnel (403)
Each connection a crowd's proxy accepts is logged to CONNECTIONS_LOG as
"open ID KIND PORT", its request as "request ID KIND PORT REQUEST-LINE"
and, once the caller closes it, "close ID KIND PORT".
"""
import asyncio
import http.server
import resource
import socket
import socketserver
import sys
import threading
import time
from urllib.parse import parse_qs, urlsplit

PROBE_ANSWER = b'Microsoft Connect Test'
LOGIN_PAGE = b'<html><body>Please log in to use this hotspot.</body></html>'
TUNNEL = b'HTTP/1.1 200 Connection established\r\n\r\n'


def page(status, reason, body, headers=b''):
    return (b'HTTP/1.1 %d %s\r\nContent-Type: text/plain\r\n%sContent-Length: %d\r\n\r\n%s'
            % (status, reason, headers, len(body), body))


PASSWORD = page(407, b'Proxy Authentication Required', b'',
                b'Proxy-Authenticate: Basic realm="probe"\r\n')
# What the crowd's kinds answer to a page's request and to a tunnel's; None:
# nothing.
CROWD_ANSWERS = {
    'silent': (None, None),
    'fast': (page(200, b'OK', PROBE_ANSWER), TUNNEL),
    'slow': (page(200, b'OK', PROBE_ANSWER), TUNNEL),
    'login': (page(200, b'OK', LOGIN_PAGE), TUNNEL),
    'auth': (PASSWORD, PASSWORD),
    'noconnect': (page(200, b'OK', PROBE_ANSWER), page(403, b'Forbidden', b'')),
}


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

        def do_CONNECT(self):
            with lock, open(log_file, 'a') as log:
                log.write(f'{name} {self.requestline}\n')
            if name == 'silent':
                time.sleep(3600)
                return
            if name == 'notfound':
                self.send_response(404)
                self.send_header('Content-Length', '0')
                self.end_headers()
                return
            if name == 'slow':
                time.sleep(1.5)
            self.send_response(200, 'Connection established')
            self.end_headers()
            self.wfile.flush()
            # The tunnel is held, with nothing beyond it, until the caller
            # closes it.
            while self.rfile.read(1):
                pass
            self.close_connection = True

        def log_message(self, fmt, *args):
            pass
    return Handler


class Crowd:
    """The crowd's proxies, on one event loop: thousands of ports and
    connections cost no thread each."""

    def __init__(self, connections_log):
        self.log = open(connections_log, 'w', buffering=1)
        self.loop = asyncio.new_event_loop()
        self.kept = []  # listeners and the black holes' queue fillers
        self.last_id = 0
        threading.Thread(target=self.loop.run_forever, daemon=True).start()

    def make(self, counts, slow_ms):
        return asyncio.run_coroutine_threadsafe(self._make(counts, slow_ms), self.loop).result()

    async def _make(self, counts, slow_ms):
        lines = []
        for kind, count in counts:
            for _ in range(count):
                lines.append(f'{kind} {await self._one(kind, slow_ms)}')
        return ''.join(line + '\n' for line in lines)

    async def _one(self, kind, slow_ms):
        if kind == 'refused':
            # Bound and kept, never listening: the system refuses every
            # connection, and no other proxy of the crowd gets the port.
            unused = socket.socket()
            unused.bind(('127.0.0.1', 0))
            self.kept.append(unused)
            return unused.getsockname()[1]
        if kind == 'blackhole':
            listener = socket.socket()
            listener.bind(('127.0.0.1', 0))
            listener.listen(0)
            port = listener.getsockname()[1]
            # The one connection a queue of none still takes: later ones wait.
            filler = socket.create_connection(('127.0.0.1', port))
            self.kept += [listener, filler]
            return port
        delay = slow_ms / 1000 if kind == 'slow' else 0
        server = await asyncio.start_server(
            lambda reader, writer: self._serve(kind, delay, reader, writer), '127.0.0.1', 0,
            backlog=1024)
        self.kept.append(server)
        return server.sockets[0].getsockname()[1]

    async def _serve(self, kind, delay, reader, writer):
        self.last_id += 1
        name = f'{self.last_id} {kind} {writer.get_extra_info("sockname")[1]}'
        self.log.write(f'open {name}\n')
        try:
            head = await reader.readuntil(b'\r\n\r\n')
            request_line = head.split(b'\r\n', 1)[0].decode('latin-1')
            self.log.write(f'request {name} {request_line}\n')
            for_page, for_tunnel = CROWD_ANSWERS[kind]
            answer = for_tunnel if request_line.startswith('CONNECT ') else for_page
            if answer is not None:
                await asyncio.sleep(delay)
                writer.write(answer)
                await writer.drain()
            while await reader.read(4096):
                pass
        except (OSError, asyncio.IncompleteReadError):
            pass
        self.log.write(f'close {name}\n')
        writer.close()


def control_handler(crowd):
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            url = urlsplit(self.path)
            query = {key: int(values[0]) for key, values in parse_qs(url.query).items()}
            kinds = ('silent', 'blackhole', 'refused', 'fast', 'slow', 'login', 'auth', 'noconnect')
            if url.path != '/crowd' or not set(query) <= set(kinds) | {'slow_ms'}:
                self.send_error(404)
                return
            body = crowd.make([(kind, query.get(kind, 0)) for kind in kinds],
                              query.get('slow_ms', 1500)).encode()
            self.send_response(200)
            self.send_header('Content-Type', 'text/plain')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, fmt, *args):
            pass
    return Handler


def main():
    ports_file, log_file, connections_log = sys.argv[1], sys.argv[2], sys.argv[3]
    # A crowd of thousands holds a descriptor or two for each of its proxies.
    _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
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
    control = Server(('127.0.0.1', 0), control_handler(Crowd(connections_log)))
    threading.Thread(target=control.serve_forever, daemon=True).start()
    with open(ports_file + '.control', 'w') as out:
        out.write(str(control.server_address[1]))
    with open(ports_file + '.tmp', 'w') as out:
        out.write(','.join(ports))
    import os
    os.replace(ports_file + '.tmp', ports_file)
    threading.Event().wait()


if __name__ == '__main__':
    main()
