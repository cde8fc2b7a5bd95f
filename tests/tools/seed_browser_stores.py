#!/usr/bin/env python3
"""Seeds a Wine prefix's user folders with cookie stores of Chrome and
Firefox, in their own schemas, for the demo's Browser Cookies window.

    seed_browser_stores.py APPDATA_FOLDER   (the user's ...\\AppData, as a Unix path)
Stores already there are left as they are."""
import os
import sqlite3
import sys

CHROMIUM = (
    "CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL,"
    " top_frame_site_key TEXT NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL,"
    " encrypted_value BLOB NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL,"
    " is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL, last_access_utc INTEGER NOT NULL,"
    " has_expires INTEGER NOT NULL, is_persistent INTEGER NOT NULL, priority INTEGER NOT NULL,"
    " samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL, source_port INTEGER NOT NULL,"
    " last_update_utc INTEGER NOT NULL, source_type INTEGER NOT NULL,"
    " has_cross_site_ancestor INTEGER NOT NULL)")
FIREFOX = (
    "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '',"
    " name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER,"
    " creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER)")


def store(path, schema, insert, hosts):
    if os.path.exists(path):
        return
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with sqlite3.connect(path) as db:
        db.execute(schema)
        for i, host in enumerate(hosts):
            db.execute(insert, (i, host, os.urandom(32)))
    db.close()


def main(appdata):
    store(os.path.join(appdata, "Local/Google/Chrome/User Data/Default/Network/Cookies"), CHROMIUM,
          "INSERT INTO cookies VALUES(?1, ?2, '', 'id', '', ?3, '/', 0, 1, 0, ?1, 1, 1, 1, -1, 2,"
          " 443, ?1, 0, 0)",
          [".example.com", "www.example.com", ".ads.example.net", "accounts.example.org",
           ".tracker.example", "mail.example.net", ".video.example"])
    firefox = os.path.join(appdata, "Roaming/Mozilla/Firefox")
    os.makedirs(firefox, exist_ok=True)
    ini = os.path.join(firefox, "profiles.ini")
    if not os.path.exists(ini):
        with open(ini, "w", newline="\r\n") as text:
            text.write("[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/demo.default\n"
                       "Default=1\n")
    store(os.path.join(firefox, "Profiles/demo.default/cookies.sqlite"), FIREFOX,
          "INSERT INTO moz_cookies(name, value, host, path, lastAccessed, creationTime)"
          " VALUES('id', hex(?3), ?2, '/', ?1, ?1)",
          [".ads.example.net", "news.example.org", ".tracker.example", "wiki.example"])


if __name__ == "__main__":
    main(sys.argv[1])
