#!/usr/bin/env python3
"""Makes the site data fixtures of the wipe's tests with the real browsers.

Debian's chromium and firefox-esr, headless, load loopback pages (HTTP and
HTTPS, with a test CA made here) that store cookies, localStorage,
sessionStorage, IndexedDB, CacheStorage, OPFS, a service worker and HSTS
for the protected site keep.test and the unprotected tracker.test and
other.test, first-party and framed under each other. The profiles are then
trimmed to what the wipe touches, laid out as on Windows, and read back into
expected.json; last, each browser opens a copy of its trimmed fixture and
reads every value back through the same pages, or the run fails.

    make_site_data_fixtures.py [--out tests/wine/data/site_data] [--raw DIR]

--raw keeps the untrimmed profiles there for a look. Needs chromium,
firefox-esr, openssl and certutil (libnss3-tools). Ends only the browsers
it started, by their process ids.
"""
import argparse
import base64
import fcntl
import hashlib
import http.server
import json
import os
import re
import shutil
import signal
import socket
import socketserver
import sqlite3
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
from urllib.parse import unquote, urlsplit

HTTP_PORT, HTTPS_PORT = 28180, 28143
PROTECTED = 'keep.test'
HOSTS = ['keep.test', 'www.keep.test', 'hsts.keep.test', 'tracker.test', 'hsts.tracker.test',
         'other.test']
FIREFOX_PROFILE = 'sitedata.default-release'
YEAR = 31536000


def http_url(host, path):
    return 'http://%s:%d%s' % (host, HTTP_PORT, path)


def https_url(host, path):
    return 'https://%s:%d%s' % (host, HTTPS_PORT, path)


# What each page stores, by its tag: every value starts with the tag
# ("keep-ls-1"), so that a store read back tells whose it is.
def visits(mode='set'):
    """(top-level URL, tags whose frames report done). The "get" pages read
    back what the "set" pages stored, in the same frames."""
    pages = [
        (https_url('keep.test', '/set/keep?sw=1'), ['keep']),
        (http_url('keep.test', '/set/keep-http'), ['keep-http']),
        (https_url('www.keep.test', '/set/www-keep'), ['www-keep']),
        (https_url('tracker.test', '/set/tracker?sw=1'), ['tracker']),
        (http_url('tracker.test', '/set/tracker-http'), ['tracker-http']),
        (https_url('other.test', '/set/other'), ['other']),
        # keep.test inside tracker.test's frame: partitioned under tracker.test
        (https_url('tracker.test', '/frame?src=' + https_url('keep.test', '/set/keep-in-tracker')),
         ['keep-in-tracker']),
        # tracker.test inside keep.test's frame, and an HSTS host there too
        (https_url('keep.test', '/frame?src=' + https_url('tracker.test', '/set/tracker-in-keep') +
                   '&src=' + https_url('hsts.tracker.test', '/hsts/hsts-tracker-in-keep')),
         ['tracker-in-keep', 'hsts-tracker-in-keep']),
        (https_url('hsts.keep.test', '/hsts/hsts-keep'), ['hsts-keep']),
        (https_url('hsts.tracker.test', '/hsts/hsts-tracker'), ['hsts-tracker']),
    ]
    if mode == 'set':
        return pages
    read = []
    for url, tags in pages:
        tags = [t for t in tags if not t.startswith('hsts-')]
        if tags:
            url = re.sub(r'&src=[^&]*/hsts/[^&]*', '', url).replace('/set/', '/get/')
            read.append((url, tags))
    return read


# Plain http:// loads of these hosts, after the fixture is written: a browser
# that kept the host's HSTS opens TLS to the plain port instead (its
# ClientHello names the host), one that did not loads the page.
HSTS_CHECKS = ['hsts.keep.test', 'www.hsts.keep.test', 'hsts.tracker.test', 'keep.test']


SET_PAGE = r"""<!doctype html><title>%(tag)s</title><script>
(async () => {
  const tag = %(tag_json)s, log = [];
  const step = async (name, work) => {
    try { await work(); log.push(name); } catch (e) { log.push(name + '!' + e.name); }
  };
  await step('ls', () => localStorage.setItem(tag + '-ls', tag + '-ls-1'));
  await step('ss', () => sessionStorage.setItem(tag + '-ss', tag + '-ss-1'));
  await step('idb', () => new Promise((ok, no) => {
    const open = indexedDB.open(tag + '-idb', 1);
    open.onupgradeneeded = () => open.result.createObjectStore('s');
    open.onerror = () => no(open.error);
    open.onsuccess = () => {
      const db = open.result, tx = db.transaction('s', 'readwrite');
      tx.objectStore('s').put(tag + '-idb-1', 'k');
      tx.oncomplete = () => { db.close(); ok(); };
      tx.onerror = () => no(tx.error);
    };
  }));
  if (self.caches)
    await step('cache', async () => {
      const cache = await caches.open(tag + '-cache');
      await cache.put('/cached/' + tag, new Response(tag + '-cache-1'));
    });
  if (navigator.storage && navigator.storage.getDirectory)
    await step('opfs', async () => {
      const root = await navigator.storage.getDirectory();
      const file = await root.getFileHandle(tag + '-opfs', {create: true});
      const writer = await file.createWritable();
      await writer.write(tag + '-opfs-1');
      await writer.close();
    });
  if (%(sw)s && navigator.serviceWorker)
    await step('sw', async () => {
      await navigator.serviceWorker.register('/sw.js?' + tag);
      await navigator.serviceWorker.ready;
    });
  await step('js-cookie', () => {
    document.cookie = tag + '-js=' + tag + '-js-1; max-age=%(year)d; path=/' +
        (location.protocol == 'https:' ? '; secure; samesite=none' : '');
  });
  await fetch('/done/' + tag + '?' + log.join(','));
})();
</script>"""

HSTS_PAGE = r"""<!doctype html><title>%(tag)s</title><script>
fetch('/done/' + %(tag_json)s + '?hsts');
</script>"""


GET_PAGE = r"""<!doctype html><title>%(tag)s</title><script>
(async () => {
  const tag = %(tag_json)s, read = {};
  const step = async (name, work) => {
    try { read[name] = String(await work()); } catch (e) { read[name] = '!' + e.name; }
  };
  await step('ls', () => localStorage.getItem(tag + '-ls'));
  await step('idb', () => new Promise((ok, no) => {
    const open = indexedDB.open(tag + '-idb');
    open.onerror = () => no(open.error);
    open.onsuccess = () => {
      const db = open.result;
      if (!db.objectStoreNames.contains('s')) { db.close(); return ok(null); }
      const get = db.transaction('s').objectStore('s').get('k');
      get.onsuccess = () => { db.close(); ok(get.result); };
      get.onerror = () => no(get.error);
    };
  }));
  if (self.caches)
    await step('cache', async () => {
      if (!(await caches.has(tag + '-cache'))) return null;
      const hit = await (await caches.open(tag + '-cache')).match('/cached/' + tag);
      return hit ? hit.text() : null;
    });
  if (navigator.storage && navigator.storage.getDirectory)
    await step('opfs', async () => {
      const root = await navigator.storage.getDirectory();
      const file = await root.getFileHandle(tag + '-opfs');
      return (await file.getFile()).text();
    });
  await fetch('/done/' + tag + '?' + encodeURIComponent(JSON.stringify(read)));
})();
</script>"""


class Pages(http.server.BaseHTTPRequestHandler):
    done = {}  # tag: what its page reported
    cookies = {}  # tag: the Cookie header its /get/ page came with
    upgraded = set()  # hosts whose http:// load came as TLS
    lock = threading.Lock()
    protocol_version = 'HTTP/1.1'

    def reply(self, body, kind='text/html', cookies=(), status=200):
        body = body.encode()
        self.send_response(status)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Cache-Control', 'no-store')
        host = self.headers.get('Host', '').split(':')[0]
        secure = isinstance(self.connection, ssl.SSLSocket)
        if secure and host.startswith('hsts.'):
            sts = 'max-age=%d' % YEAR
            if host.endswith('.' + PROTECTED):
                sts += '; includeSubDomains'
            self.send_header('Strict-Transport-Security', sts)
        for cookie in cookies:
            self.send_header('Set-Cookie', cookie)
        self.end_headers()
        self.wfile.write(body)

    def handle(self):
        if not isinstance(self.connection, ssl.SSLSocket):
            first = self.connection.recv(2048, socket.MSG_PEEK)
            if first[:1] == b'\x16':  # a TLS ClientHello on the plain port
                named = [h for h in HSTS_CHECKS if b'\0' + h.encode() in first or
                         bytes([len(h)]) + h.encode() in first]
                if named:
                    with Pages.lock:
                        Pages.upgraded.add(max(named, key=len))
                return
        super().handle()

    def do_GET(self):
        url = urlsplit(self.path)
        host = self.headers.get('Host', '').split(':')[0]
        secure = isinstance(self.connection, ssl.SSLSocket)
        words = url.query.split('&') if url.query else []
        if url.path.startswith('/set/'):
            tag = url.path[len('/set/'):]
            attrs = '; Max-Age=%d; Path=/' % YEAR + ('; Secure; SameSite=None' if secure else '')
            site = host.split('.', 1)[1] if host.count('.') > 1 else host
            cookies = [tag + '-ck=' + tag + '-ck-1' + attrs]
            if '-in-' in tag:
                cookies.append(tag + '-chips=' + tag + '-chips-1' + attrs + '; Partitioned')
            else:
                cookies.append(tag + '-dom=' + tag + '-dom-1; Domain=' + site + attrs)
            self.reply(SET_PAGE % {'tag': tag, 'tag_json': json.dumps(tag), 'year': YEAR,
                                   'sw': 'true' if 'sw=1' in words else 'false'},
                       cookies=cookies)
        elif url.path.startswith('/get/'):
            tag = url.path[len('/get/'):]
            with Pages.lock:
                Pages.cookies[tag] = self.headers.get('Cookie', '')
            self.reply(GET_PAGE % {'tag': tag, 'tag_json': json.dumps(tag)})
        elif url.path.startswith('/hsts/'):
            tag = url.path[len('/hsts/'):]
            self.reply(HSTS_PAGE % {'tag': tag, 'tag_json': json.dumps(tag)})
        elif url.path == '/frame':
            frames = ''.join('<iframe src="%s"></iframe>' % w[4:].replace('"', '')
                             for w in words if w.startswith('src='))
            self.reply('<!doctype html><title>frame</title>' + frames)
        elif url.path == '/sw.js':
            self.reply("self.addEventListener('fetch', () => {});", 'text/javascript')
        elif url.path.startswith('/done/'):
            with Pages.lock:
                Pages.done[url.path[len('/done/'):]] = unquote(url.query)
            self.reply('', 'text/plain', status=200)
        else:
            self.reply('not here', 'text/plain', status=404)

    def log_message(self, fmt, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def run(command, **kw):
    return subprocess.run(command, check=True, capture_output=True, **kw).stdout


def make_certificates(folder):
    """A test CA and a server certificate for every host; the server key's
    SPKI hash as Chromium's --ignore-certificate-errors-spki-list takes it."""
    ca_key, ca, key, csr, cert = (os.path.join(folder, n) for n in
                                  ('ca.key', 'ca.pem', 'server.key', 'server.csr', 'server.pem'))
    ext = os.path.join(folder, 'server.ext')
    run(['openssl', 'req', '-x509', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1',
         '-nodes', '-keyout', ca_key, '-out', ca, '-days', '3650', '-subj',
         '/CN=Maskfold Test CA', '-addext', 'basicConstraints=critical,CA:TRUE',
         '-addext', 'keyUsage=critical,keyCertSign,cRLSign'])
    run(['openssl', 'req', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1', '-nodes',
         '-keyout', key, '-out', csr, '-subj', '/CN=keep.test'])
    with open(ext, 'w') as text:
        text.write('subjectAltName=' + ','.join('DNS:' + h for h in HOSTS) + '\n'
                   'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n'
                   'extendedKeyUsage=serverAuth\n')
    run(['openssl', 'x509', '-req', '-in', csr, '-CA', ca, '-CAkey', ca_key, '-CAcreateserial',
         '-out', cert, '-days', '365', '-extfile', ext])
    public = run(['openssl', 'x509', '-in', cert, '-pubkey', '-noout'])
    der = run(['openssl', 'pkey', '-pubin', '-outform', 'der'], input=public)
    return ca, cert, key, base64.b64encode(hashlib.sha256(der).digest()).decode()


def start_servers(cert, key):
    servers = []
    plain = Server(('127.0.0.1', HTTP_PORT), Pages)
    secure = Server(('127.0.0.1', HTTPS_PORT), Pages)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    for server in (plain, secure):
        threading.Thread(target=server.serve_forever, daemon=True).start()
        servers.append(server)
    return servers


def wait_for(tags, seconds, what, host=None):
    end = time.time() + seconds
    while time.time() < end:
        with Pages.lock:
            if all(t in Pages.done for t in tags) or host in Pages.upgraded:
                return
        time.sleep(0.1)
    with Pages.lock:
        missing = [t for t in tags if t not in Pages.done]
    raise RuntimeError('%s: no report from %s' % (what, ', '.join(missing)))


class Browser:
    """A browser process in a session of its own, ended by its id if it
    does not quit when asked."""

    def __init__(self, command, env, **kw):
        self.process = subprocess.Popen(command, env=env, start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=kw.pop('stderr'), **kw)

    def wait_exit(self, seconds):
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def end(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            if self.wait_exit(10) is None:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()


def browser_env(home):
    env = dict(os.environ)
    env.update({'HOME': home, 'XDG_CONFIG_HOME': os.path.join(home, '.config'),
                'XDG_CACHE_HOME': os.path.join(home, '.cache'), 'MOZ_CRASHREPORTER_DISABLE': '1',
                'MOZ_HEADLESS': '1'})
    env.pop('DISPLAY', None)
    return env


# --- Chromium, through DevTools on fds 3 and 4 -----------------------------

class DevTools:
    def __init__(self, to_browser, from_browser):
        self.out, self.inp, self.next_id, self.buffer = to_browser, from_browser, 0, b''

    def call(self, method, params=None, seconds=30):
        self.next_id += 1
        message = {'id': self.next_id, 'method': method, 'params': params or {}}
        os.write(self.out, json.dumps(message).encode() + b'\0')
        end = time.time() + seconds
        while time.time() < end:
            while b'\0' in self.buffer:
                raw, self.buffer = self.buffer.split(b'\0', 1)
                answer = json.loads(raw)
                if answer.get('id') == self.next_id:
                    if 'error' in answer:
                        raise RuntimeError('%s: %s' % (method, answer['error']))
                    return answer.get('result', {})
            chunk = os.read(self.inp, 1 << 16)
            if not chunk:
                raise RuntimeError('%s: the browser closed its pipe' % method)
            self.buffer += chunk
        raise RuntimeError(method + ': no answer')


def hsts_visits():
    """(http:// URL, tag, host) of the HSTS checks."""
    return [(http_url(h, '/hsts/plain-' + h), 'plain-' + h, h) for h in HSTS_CHECKS]


def run_chromium(work, spki, log, user_data, mode):
    to_read, to_browser = os.pipe()
    from_browser, to_write = os.pipe()
    # Chromium takes its DevTools pipe on fds 3 and 4: move ours out of the way
    # first, so that the child's dup2 never lands on one of them.
    high = [fcntl_dup(fd) for fd in (to_read, to_write)]
    for fd in (to_read, to_write):
        os.close(fd)

    def pipe_fds():
        os.dup2(high[0], 3)
        os.dup2(high[1], 4)

    command = ['chromium', '--headless=new', '--remote-debugging-pipe', '--no-sandbox',
               '--user-data-dir=' + user_data, '--no-first-run', '--no-default-browser-check',
               '--disable-background-networking', '--disable-component-update', '--disable-sync',
               '--disable-gpu', '--password-store=basic', '--host-resolver-rules=MAP * 127.0.0.1',
               '--ignore-certificate-errors-spki-list=' + spki, 'about:blank']
    browser = Browser(command, browser_env(os.path.join(work, 'home')), stderr=log,
                      preexec_fn=pipe_fds, close_fds=False)
    for fd in high:
        os.close(fd)
    try:
        tools = DevTools(to_browser, from_browser)
        version = tools.call('Browser.getVersion')['product']
        for url, tags in visits(mode):
            tools.call('Target.createTarget', {'url': url})
            wait_for(tags, 30, 'chromium ' + url)
        if mode == 'get':
            for url, tag, host in hsts_visits():
                tools.call('Target.createTarget', {'url': url})
                wait_for([tag], 30, 'chromium ' + url, host)
        time.sleep(3)  # let the stores write what the pages did before the close
        tools.call('Browser.close')
        if browser.wait_exit(60) is None:
            raise RuntimeError('chromium did not quit')
        return version, user_data
    finally:
        browser.end()
        os.close(to_browser)
        os.close(from_browser)


def fcntl_dup(fd):
    return fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10)


# --- Firefox, through Marionette --------------------------------------------

FIREFOX_PREFS = {
    'marionette.port': 0,
    'network.dns.forceResolve': '127.0.0.1',
    'network.dns.disableIPv6': True,
    'network.proxy.type': 0,
    'network.captive-portal-service.enabled': False,
    'network.connectivity-service.enabled': False,
    'browser.shell.checkDefaultBrowser': False,
    'browser.startup.homepage_override.mstone': 'ignore',
    'browser.aboutwelcome.enabled': False,
    'browser.safebrowsing.malware.enabled': False,
    'browser.safebrowsing.phishing.enabled': False,
    'browser.safebrowsing.downloads.enabled': False,
    'browser.safebrowsing.update.enabled': False,
    'datareporting.policy.dataSubmissionEnabled': False,
    'datareporting.healthreport.uploadEnabled': False,
    'toolkit.telemetry.enabled': False,
    'app.update.enabled': False,
    'extensions.update.enabled': False,
    'app.normandy.enabled': False,
    'security.OCSP.enabled': 0,
}


class Marionette:
    def __init__(self, port):
        self.sock = socket.create_connection(('127.0.0.1', port), timeout=60)
        self.buffer, self.next_id = b'', 0
        self.read()  # the greeting

    def read(self):
        while b':' not in self.buffer:
            self.buffer += self.recv()
        length, rest = self.buffer.split(b':', 1)
        while len(rest) < int(length):
            rest += self.recv()
        self.buffer = rest[int(length):]
        return json.loads(rest[:int(length)])

    def recv(self):
        chunk = self.sock.recv(1 << 16)
        if not chunk:
            raise RuntimeError('marionette closed the connection')
        return chunk

    def call(self, command, params=None):
        self.next_id += 1
        data = json.dumps([0, self.next_id, command, params or {}]).encode()
        self.sock.sendall(str(len(data)).encode() + b':' + data)
        while True:
            answer = self.read()
            if answer[0] == 1 and answer[1] == self.next_id:
                if answer[2]:
                    raise RuntimeError('%s: %s' % (command, answer[2]))
                return answer[3]


def run_firefox(work, ca, log, profile, mode):
    os.makedirs(profile, exist_ok=True)
    with open(os.path.join(profile, 'user.js'), 'w') as text:
        for name, value in FIREFOX_PREFS.items():
            text.write('user_pref(%s, %s);\n' % (json.dumps(name), json.dumps(value)))
    run(['certutil', '-N', '-d', 'sql:' + profile, '--empty-password'])
    run(['certutil', '-A', '-d', 'sql:' + profile, '-n', 'Maskfold Test CA', '-t', 'C,,', '-i', ca])
    port_file = os.path.join(profile, 'MarionetteActivePort')
    command = ['firefox-esr', '--headless', '--marionette', '--no-remote', '--profile', profile,
               'about:blank']
    browser = Browser(command, browser_env(os.path.join(work, 'home')), stderr=log)
    hsts = os.path.join(work, 'SiteSecurityServiceState.bin')
    try:
        end = time.time() + 60
        while not (os.path.exists(port_file) and open(port_file).read().strip()):
            if time.time() > end or browser.process.poll() is not None:
                raise RuntimeError('firefox wrote no Marionette port')
            time.sleep(0.2)
        driver = Marionette(int(open(port_file).read()))
        session = driver.call('WebDriver:NewSession', {'capabilities': {}})
        version = 'Firefox ' + session['capabilities']['browserVersion']
        for url, tags in visits(mode):
            driver.call('WebDriver:Navigate', {'url': url})
            wait_for(tags, 30, 'firefox ' + url)
        if mode == 'get':
            for url, tag, host in hsts_visits():
                try:
                    driver.call('WebDriver:Navigate', {'url': url})
                except RuntimeError:
                    pass  # the error page of a TLS hello the plain port cannot answer
                wait_for([tag], 30, 'firefox ' + url, host)
        # Firefox under Marionette deletes its HSTS file as it quits: take it
        # now, once it names every HSTS host.
        state = os.path.join(profile, 'SiteSecurityServiceState.bin')
        end = time.time() + 30
        while mode == 'set':
            data = open(state, 'rb').read() if os.path.exists(state) else b''
            if b'hsts.keep.test' in data and b'hsts.tracker.test' in data:
                break
            if time.time() > end:
                raise RuntimeError('firefox kept no HSTS host')
            time.sleep(0.5)
        if mode == 'set':
            time.sleep(2)
            shutil.copyfile(state, hsts)
        # Quit asks for a live session (after WebDriver:DeleteSession it answers
        # "invalid session id"); the session ends with the browser.
        try:
            driver.call('Marionette:Quit', {'flags': ['eAttemptQuit']})
        except RuntimeError as error:
            print('quit:', error, file=sys.stderr)  # the connection may close before the answer
        if browser.wait_exit(60) is None:
            raise RuntimeError('firefox did not quit')
        return version, profile, hsts
    finally:
        browser.end()


# --- Trimming ---------------------------------------------------------------

CHROMIUM_NETWORK = ['Cookies', 'TransportSecurity', 'Network Persistent State', 'Reporting and NEL',
                    'Trust Tokens', 'SCT Auditing Pending Reports']
CHROMIUM_KEEP = ['Local Storage', 'IndexedDB', 'Service Worker', 'WebStorage', 'Session Storage',
                 'Shared Dictionary', 'File System', 'Preferences', 'Cache']
FIREFOX_KEEP = ['cookies.sqlite', 'webappsstore.sqlite', 'prefs.js', 'times.json',
                'serviceworker.txt', 'storage.sqlite', 'storage']


def copy_tree(source, target):
    if os.path.isdir(source):
        os.makedirs(target, exist_ok=True)
        for name in sorted(os.listdir(source)):
            copy_tree(os.path.join(source, name), os.path.join(target, name))
    else:
        if (os.path.basename(source) in ('LOG', 'LOG.old') and
                os.path.exists(os.path.join(os.path.dirname(source), 'CURRENT'))):
            return  # LevelDB's text log, with this machine's paths: made anew
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(source, target)


def settle_sqlite(folder):
    """Folds every SQLite journal into its database, so that no -wal is left."""
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            if name.endswith(('-shm', '-wal', '-journal')) or not os.path.exists(path):
                continue
            with open(path, 'rb') as head:
                if head.read(16) != b'SQLite format 3\0':
                    continue
            db = sqlite3.connect(path)
            db.execute('PRAGMA wal_checkpoint(TRUNCATE)')
            if os.path.getsize(path) > 128 * 1024:
                # Firefox grows cookies.sqlite in 512 KiB steps: give the empty
                # pages back, the rows stay as written.
                db.execute('VACUUM')
                db.execute('PRAGMA wal_checkpoint(TRUNCATE)')  # a WAL database shrinks here
            if os.path.getsize(path) > 128 * 1024:
                # Firefox's OPFS metadata.sqlite: fifteen tables and indexes of one
                # 32 KiB page each; the same rows in 4 KiB pages.
                mode = db.execute('PRAGMA journal_mode').fetchone()[0]
                db.execute('PRAGMA journal_mode=DELETE')
                db.execute('PRAGMA page_size=4096')
                db.execute('VACUUM')
                db.execute('PRAGMA journal_mode=' + mode)
            db.close()
            for suffix in ('-wal', '-shm', '-journal'):
                if os.path.exists(path + suffix):
                    if os.path.getsize(path + suffix):
                        raise RuntimeError('journal left beside ' + path)
                    os.remove(path + suffix)


def trim_chromium(user_data, out):
    target = os.path.join(out, 'chromium')
    shutil.rmtree(target, ignore_errors=True)
    profile = os.path.join(user_data, 'Default')
    dropped = sorted(set(os.listdir(profile)) - set(CHROMIUM_KEEP) - set(CHROMIUM_NETWORK) -
                     {'Network'} - {n + '-journal' for n in CHROMIUM_NETWORK})
    for name in CHROMIUM_KEEP:
        if os.path.exists(os.path.join(profile, name)):
            copy_tree(os.path.join(profile, name), os.path.join(target, 'Default', name))
    for name in CHROMIUM_NETWORK:
        for folder in (os.path.join(profile, 'Network'), profile):
            if os.path.exists(os.path.join(folder, name)):
                for suffix in ('', '-journal', '-wal'):
                    if os.path.exists(os.path.join(folder, name + suffix)):
                        copy_tree(os.path.join(folder, name + suffix),
                                  os.path.join(target, 'Default', 'Network', name + suffix))
                break
    shutil.copy2(os.path.join(user_data, 'Local State'), os.path.join(target, 'Local State'))
    settle_sqlite(target)
    return dropped


def trim_firefox(profile, hsts, out):
    target = os.path.join(out, 'firefox')
    shutil.rmtree(target, ignore_errors=True)
    inside = os.path.join(target, 'Profiles', FIREFOX_PROFILE)
    dropped = sorted(set(os.listdir(profile)) - set(FIREFOX_KEEP))
    for name in FIREFOX_KEEP:
        for suffix in ('', '-journal', '-wal'):
            source = os.path.join(profile, name + suffix)
            if os.path.exists(source):
                copy_tree(source, os.path.join(inside, name + suffix))
                if suffix:
                    dropped.remove(name + suffix)
    storage = os.path.join(inside, 'storage')
    for name in sorted(os.listdir(storage)):
        if name not in ('default', 'ls-archive.sqlite'):  # the browser's own, not a site's
            path = os.path.join(storage, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
            dropped.append('storage/' + name)
    if 'SiteSecurityServiceState.bin' in dropped:
        dropped.remove('SiteSecurityServiceState.bin')
    shutil.copyfile(hsts, os.path.join(inside, 'SiteSecurityServiceState.bin'))
    with open(os.path.join(target, 'profiles.ini'), 'w', newline='\r\n') as text:
        text.write('[Profile0]\nName=default-release\nIsRelative=1\nPath=Profiles/%s\nDefault=1\n'
                   '\n[General]\nStartWithLastProfile=1\nVersion=2\n' % FIREFOX_PROFILE)
    settle_sqlite(target)
    return dropped


# --- Reading the fixtures back ------------------------------------------------

def site_kept(host):
    host = host.lstrip('.')
    return host == PROTECTED or host.endswith('.' + PROTECTED)


def item(kind, path, key, host, origin='', top='', **more):
    """One piece of site data; it stays when its host is protected and so is
    its top-level site, when it is partitioned."""
    entry = {'kind': kind, 'path': path, 'key': key, 'host': host, 'origin': origin,
             'top_level_site': top,
             'stays': site_kept(host) and (not top or site_kept(top))}
    entry.update(more)
    return entry


def varint(data, at):
    value, shift = 0, 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7f) << shift
        shift += 7
        if byte < 0x80:
            return value, at


def leveldb_entries(folder):
    """The live keys and values of a LevelDB store whose data is all in its
    log (what the browsers leave of a store this small); a table file there
    would need snappy, and is refused."""
    tables = [n for n in os.listdir(folder) if n.endswith(('.ldb', '.sst'))]
    if tables:
        raise RuntimeError('%s holds tables %s: read them with LevelDB' % (folder, tables))
    live = {}
    for name in sorted(n for n in os.listdir(folder) if n.endswith('.log')):
        data, at, batches, part = open(os.path.join(folder, name), 'rb').read(), 0, [], b''
        while at + 7 <= len(data):
            left = 32768 - at % 32768
            if left < 7:
                at += left
                continue
            _, length, kind = struct.unpack('<IHB', data[at:at + 7])
            payload = data[at + 7:at + 7 + length]
            at += 7 + length
            if kind == 0:  # the rest of the block is padding
                at += (32768 - at % 32768) % 32768
            elif kind == 1:
                batches.append(payload)
            elif kind == 2:
                part = payload
            elif kind == 3:
                part += payload
            elif kind == 4:
                batches.append(part + payload)
        for batch in batches:
            count, at_b = struct.unpack('<I', batch[8:12])[0], 12
            for _ in range(count):
                tag = batch[at_b]
                length, at_b = varint(batch, at_b + 1)
                key = batch[at_b:at_b + length]
                at_b += length
                if tag == 1:
                    length, at_b = varint(batch, at_b)
                    live[key] = batch[at_b:at_b + length]
                    at_b += length
                else:
                    live.pop(key, None)
    return live


def storage_key_parts(key):
    """"https://keep.test:28143/^0https://tracker.test": the origin, its host
    and the top-level site's host."""
    origin, _, top = key.partition('^0')
    origin = origin.rstrip('/')
    host = urlsplit(origin).hostname
    return origin, host, urlsplit(top).hostname if top else ''


def index_txt_keys(path):
    """The origin and the storage key that a CacheStorage index.txt names."""
    texts = [t.decode() for t in re.findall(rb'https?://[\x21-\x7e]+', open(path, 'rb').read())]
    return max(texts, key=len)


def hsts_hash(host):
    wire = b''.join(bytes([len(label)]) + label.encode() for label in host.split('.')) + b'\0'
    return base64.b64encode(hashlib.sha256(wire).digest()).decode()


def chromium_items(root):
    profile = os.path.join(root, 'Default')
    items = []
    db = sqlite3.connect(os.path.join(profile, 'Network', 'Cookies'))
    for host, top, name in db.execute(
            'SELECT host_key, top_frame_site_key, name FROM cookies ORDER BY host_key, name'):
        items.append(item('cookie', 'Default/Network/Cookies', name, host.lstrip('.'),
                          top=urlsplit(top).hostname or '', host_key=host,
                          top_frame_site_key=top))
    db.close()
    for key in leveldb_entries(os.path.join(profile, 'Local Storage', 'leveldb')):
        if key.startswith(b'_'):
            storage_key, _, name = key[1:].partition(b'\0')
            origin, host, top = storage_key_parts(storage_key.decode())
            items.append(item('localStorage', 'Default/Local Storage/leveldb', name[1:].decode(),
                              host, origin, top, storage_key=storage_key.decode()))
    for key in leveldb_entries(os.path.join(profile, 'Session Storage')):
        found = re.match(rb'namespace-[0-9a-f_]{36}-(.*)$', key)
        if found:
            origin, host, top = storage_key_parts(found.group(1).decode())
            # the namespace's name holds a GUID made anew at each run
            items.append(item('sessionStorage namespace', 'Default/Session Storage',
                              found.group(1).decode(), host, origin, top))
    folder = os.path.join(profile, 'IndexedDB')
    for name in sorted(os.listdir(folder)):
        scheme, host, port = name.split('.indexeddb.')[0].split('_')
        items.append(item('IndexedDB folder', 'Default/IndexedDB/' + name, name, host,
                          '%s://%s:%s' % (scheme, host, port)))
    folder = os.path.join(profile, 'Service Worker', 'CacheStorage')
    for name in sorted(os.listdir(folder)):
        origin, host, top = storage_key_parts(index_txt_keys(os.path.join(folder, name,
                                                                          'index.txt')))
        items.append(item('CacheStorage folder', 'Default/Service Worker/CacheStorage/' + name,
                          name, host, origin, top))
    for key in leveldb_entries(os.path.join(profile, 'Service Worker', 'Database')):
        if key.startswith(b'REG:'):
            origin, host, top = storage_key_parts(key[4:].split(b'\0')[0].decode())
            items.append(item('service worker registration', 'Default/Service Worker/Database',
                              key.decode().replace('\0', '\\u0000'), host, origin, top))
    for key, value in leveldb_entries(os.path.join(profile, 'File System', 'Origins')).items():
        if key.startswith(b'ORIGIN:'):
            scheme, host, port = key[len('ORIGIN:'):].decode().split('_')
            items.append(item('File System folder', 'Default/File System/' + value.decode(),
                              key.decode(), host, '%s://%s:%s' % (scheme, host, port)))
    db = sqlite3.connect(os.path.join(profile, 'WebStorage', 'QuotaManager'))
    for bucket, storage_key in db.execute('SELECT id, storage_key FROM buckets ORDER BY id'):
        origin, host, top = storage_key_parts(storage_key)
        folder = os.path.join(profile, 'WebStorage', str(bucket))
        inside = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        items.append(item('WebStorage bucket', 'Default/WebStorage/QuotaManager', str(bucket),
                          host, origin, top, storage_key=storage_key, folders=inside))
        for kind in inside:
            key = ''
            if kind == 'CacheStorage':
                key = index_txt_keys(os.path.join(folder, kind, 'index.txt'))
                if key != storage_key:
                    raise RuntimeError('bucket %s holds a cache of %s' % (bucket, key))
            items.append(item(kind + ' in bucket', 'Default/WebStorage/%d/%s' % (bucket, kind),
                              storage_key, host, origin, top))
    sts = json.load(open(os.path.join(profile, 'Network', 'TransportSecurity')))['sts']
    hashes = {hsts_hash(h): h for h in HOSTS}
    for entry in sts:
        host = hashes.get(entry['host'], '?' + entry['host'])
        items.append(item('HSTS host', 'Default/Network/TransportSecurity', entry['host'], host,
                          include_subdomains=entry['sts_include_subdomains']))
    return items


def firefox_top(attributes):
    found = re.search(r'partitionKey=%28[a-z]+%2C([^%&]+)', attributes)
    return found.group(1) if found else ''


def firefox_items(root):
    rel = 'Profiles/' + FIREFOX_PROFILE
    profile = os.path.join(root, rel)
    items = []
    db = sqlite3.connect(os.path.join(profile, 'cookies.sqlite'))
    for host, attributes, name, partitioned in db.execute(
            'SELECT host, originAttributes, name, isPartitionedAttributeSet FROM moz_cookies'
            ' ORDER BY host, name'):
        items.append(item('cookie', rel + '/cookies.sqlite', name, host.lstrip('.'),
                          top=firefox_top(attributes), host_key=host,
                          origin_attributes=attributes, partitioned_attribute=bool(partitioned)))
    db.close()
    folder = os.path.join(profile, 'storage', 'default')
    for name in sorted(os.listdir(folder)):
        scheme, _, rest = name.partition('+++')
        host, _, port = rest.split('^')[0].rpartition('+')
        top = firefox_top(name)
        origin = '%s://%s:%s' % (scheme, host, port)
        path = rel + '/storage/default/' + name
        inside = sorted(os.listdir(os.path.join(folder, name)))
        items.append(item('origin folder', path, name, host, origin, top, folders=inside))
        if 'fs' in inside:
            items.append(item('OPFS folder', path + '/fs', 'fs', host, origin, top))
        if 'ls' in inside:
            db = sqlite3.connect(os.path.join(folder, name, 'ls', 'data.sqlite'))
            for (key,) in db.execute('SELECT key FROM data ORDER BY key'):
                items.append(item('localStorage', path + '/ls/data.sqlite', key, host, origin, top))
            db.close()
        if 'idb' in inside:
            for base in sorted(os.listdir(os.path.join(folder, name, 'idb'))):
                if base.endswith('.sqlite'):
                    db = sqlite3.connect(os.path.join(folder, name, 'idb', base))
                    (database,), = db.execute('SELECT name FROM database')
                    db.close()
                    items.append(item('IndexedDB database', path + '/idb/' + base, database, host,
                                      origin, top))
        if 'cache' in inside:
            db = sqlite3.connect(os.path.join(folder, name, 'cache', 'caches.sqlite'))
            for (key,) in db.execute('SELECT key FROM storage ORDER BY key'):
                key = bytes(key).decode('utf-16-le')
                # A service worker's scripts are kept in a cache named by a
                # GUID made anew at each run.
                scripts = bool(re.fullmatch(r'\{[0-9a-f-]{36}\}', key))
                items.append(item('CacheStorage cache', path + '/cache/caches.sqlite',
                                  '{service worker scripts}' if scripts else key, host, origin,
                                  top))
            db.close()
    data = open(os.path.join(profile, 'SiteSecurityServiceState.bin'), 'rb').read()
    for slot in range(0, len(data), 286):
        found = re.search(rb'([a-z0-9.-]+)(\^[\x21-\x7e]*)?\0', data[slot:slot + 286])
        if found and b'.' in found.group(1):
            attributes = (found.group(2) or b'').decode()
            items.append(item('HSTS host', rel + '/SiteSecurityServiceState.bin',
                              found.group(0)[:-1].decode(), found.group(1).decode(),
                              top=firefox_top(attributes), slot=slot // 286))
    text = open(os.path.join(profile, 'serviceworker.txt')).read()
    for entry in text.split('\n#\n'):
        lines = entry.strip('\n').split('\n')
        scope = next((line for line in lines if line.startswith('http')), None)
        if scope:
            parts = urlsplit(scope)
            items.append(item('service worker registration', rel + '/serviceworker.txt', scope,
                              parts.hostname, '%s://%s' % (parts.scheme, parts.netloc),
                              firefox_top(lines[0] if lines[0].startswith('^') else '')))
    db = sqlite3.connect(os.path.join(profile, 'webappsstore.sqlite'))
    for origin_key, key in db.execute('SELECT originKey, key FROM webappsstore2'):
        raise RuntimeError('webappsstore.sqlite holds %s %s: not read here' % (origin_key, key))
    db.close()
    return items


def check_complete(browser, items, reports):
    """Each thing a page reported stored is in the fixture: a store the
    browser had not written out when it closed fails the run here."""
    keys = {(i['kind'], i['key']) for i in items}
    hosts = {i['host'] for i in items if i['kind'] == 'HSTS host'}
    missing = []
    for tag, report in reports.items():
        done = report.split(',')
        wanted = []
        if 'ls' in done:
            wanted.append(('localStorage', tag + '-ls'))
        if 'js-cookie' in done:
            if '-in-' in tag:
                wanted.append(('cookie', tag + '-chips'))
            else:
                wanted += [('cookie', tag + '-ck'), ('cookie', tag + '-js')]
        if browser == 'firefox' and 'idb' in done:
            wanted.append(('IndexedDB database', tag + '-idb'))
        if browser == 'firefox' and 'cache' in done:
            wanted.append(('CacheStorage cache', tag + '-cache'))
        missing += [w for w in wanted if w not in keys]
        if 'hsts' in done and '-in-' not in tag and tag.replace('-', '.', 1) + '.test' not in hosts:
            missing.append(('HSTS host', tag))
    if browser == 'chromium':
        # Chromium names these by origin: one of each for every page that wrote one.
        for step, kinds in (('idb', ('IndexedDB folder', 'IndexedDB in bucket')),
                            ('cache', ('CacheStorage folder', 'CacheStorage in bucket')),
                            ('opfs', ('File System folder', 'FileSystem in bucket'))):
            count = sum(step in r.split(',') for r in reports.values())
            if sum(i['kind'] in kinds for i in items) != count:
                missing.append((step, '%d pages wrote one' % count))
    if missing:
        raise RuntimeError('%s: not in the fixture: %s' % (browser, missing))


def in_order(items):
    # LevelDB logs hold the writes in the order they were committed, which
    # varies from run to run.
    return sorted(items, key=lambda i: (i['kind'], i['path'], i['key'], i['origin'],
                                        i['top_level_site']))


def sizes(folder):
    return sum(os.path.getsize(os.path.join(r, f)) for r, _, fs in os.walk(folder) for f in fs)


def read_back(work, spki, ca, out, stored):
    """Each browser opens a copy of its fixture and reads back, through the
    pages, what they stored; and loads the HSTS hosts over http://. Fails when
    a value a page stored does not come back."""
    results = {}
    for browser in ('chromium', 'firefox'):
        with Pages.lock:
            Pages.done.clear()
            Pages.cookies.clear()
            Pages.upgraded.clear()
        copy = os.path.join(work, 'read-back', browser)
        if browser == 'chromium':
            shutil.copytree(os.path.join(out, 'chromium'), copy)
            network = os.path.join(copy, 'Default', 'Network')
            for name in os.listdir(network):  # where the Linux build keeps them
                os.rename(os.path.join(network, name), os.path.join(copy, 'Default', name))
            os.rmdir(network)
            with open(os.path.join(work, 'chromium-read.log'), 'w') as log:
                run_chromium(work, spki, log, copy, 'get')
        else:
            copy = os.path.join(copy, FIREFOX_PROFILE)
            shutil.copytree(os.path.join(out, 'firefox', 'Profiles', FIREFOX_PROFILE), copy)
            with open(os.path.join(work, 'firefox-read.log'), 'w') as log:
                run_firefox(work, ca, log, copy, 'get')
        with Pages.lock:
            read = {tag: json.loads(text) for tag, text in Pages.done.items()
                    if not tag.startswith('plain-')}
            results[browser] = {'values': read, 'cookies': dict(Pages.cookies),
                                'hsts_upgraded': sorted(Pages.upgraded)}
        wrong = []
        for tag, report in stored[browser].items():
            for step in ('ls', 'idb', 'cache', 'opfs'):
                if step in report.split(',') and read[tag].get(step) != tag + '-' + step + '-1':
                    wrong.append((tag, step, read[tag].get(step)))
            if '-in-' not in tag and 'js-cookie' in report.split(','):
                if tag + '-ck=' + tag + '-ck-1' not in results[browser]['cookies'][tag]:
                    wrong.append((tag, 'cookie', results[browser]['cookies'][tag]))
        if results[browser]['hsts_upgraded'] != sorted(set(HSTS_CHECKS) - {PROTECTED}):
            wrong.append(('HSTS', results[browser]['hsts_upgraded']))
        if wrong:
            raise RuntimeError('%s read back from its fixture: %s' % (browser, wrong))
    return results


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument('--out', default=os.path.join(here, '..', 'wine', 'data', 'site_data'))
    parser.add_argument('--raw')
    args = parser.parse_args()
    started = time.time()
    work = tempfile.mkdtemp(prefix='site-data-')
    try:
        ca, cert, key, spki = make_certificates(work)
        servers = start_servers(cert, key)
        with open(os.path.join(work, 'chromium.log'), 'w') as log:
            chromium_version, user_data = run_chromium(work, spki, log,
                                                       os.path.join(work, 'chromium'), 'set')
        chromium_done = dict(Pages.done)
        Pages.done.clear()
        with open(os.path.join(work, 'firefox.log'), 'w') as log:
            firefox_version, profile, hsts = run_firefox(
                work, ca, log, os.path.join(work, 'firefox', FIREFOX_PROFILE), 'set')
        firefox_done = dict(Pages.done)
        if args.raw:
            shutil.rmtree(args.raw, ignore_errors=True)
            shutil.copytree(work, args.raw, symlinks=True)
        os.makedirs(args.out, exist_ok=True)
        dropped = {'chromium': trim_chromium(user_data, args.out),
                   'firefox': trim_firefox(profile, hsts, args.out)}
        expected = {
            'protected': [PROTECTED],
            'ports': {'http': HTTP_PORT, 'https': HTTPS_PORT},
            'chromium': {'version': chromium_version, 'root': 'chromium',
                         'items': in_order(chromium_items(os.path.join(args.out, 'chromium')))},
            'firefox': {'version': firefox_version, 'root': 'firefox',
                        'items': in_order(firefox_items(os.path.join(args.out, 'firefox')))},
        }
        check_complete('chromium', expected['chromium']['items'], chromium_done)
        check_complete('firefox', expected['firefox']['items'], firefox_done)
        with open(os.path.join(args.out, 'expected.json'), 'w') as text:
            json.dump(expected, text, indent=1, sort_keys=True)
            text.write('\n')
        read = read_back(work, spki, ca, args.out, {'chromium': chromium_done,
                                                    'firefox': firefox_done})
        for server in servers:
            server.shutdown()
        report = {'pages': {'chromium': chromium_done, 'firefox': firefox_done}, 'read': read,
                  'dropped': dropped, 'bytes': sizes(args.out),
                  'seconds': round(time.time() - started)}
        json.dump(report, sys.stdout, indent=1)
        print()
    except BaseException:
        # the browsers' logs and profiles, for a look at what went wrong
        print('kept %s' % work, file=sys.stderr)
        raise
    shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
