#!/usr/bin/env bash
# Builds Maskfold and starts it in a demo Wine prefix of its own (demo/),
# seeded with the browser settings it reads, a cookies folder with a few
# cookies and a Jar, and a proxy list of loopback entries.
#
#   scripts/demo.sh                  run it on $DISPLAY (Xvfb and a screenshot without one)
#   scripts/demo.sh --screenshot F   run it under Xvfb, save the main window's screenshot to F
#   scripts/demo.sh --screenshots D  under Xvfb: main window, Cookie Manager, About, Proxy Test and
#                                    Browser Cookies in D
#
# MASKFOLD_DEMO_DIR  the demo's folder (its prefix, logs, ports), demo/ unless told
# MASKFOLD_BIN       a finished build to run instead of building one (the tests' own)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
demo=$(realpath -m "${MASKFOLD_DEMO_DIR:-$root/demo}")
bin=$root/build/win32

shot=
shots=
if [ "${1:-}" = --screenshot ]; then
  shot=$(realpath -m "${2:?--screenshot needs a file name}")
elif [ "${1:-}" = --screenshots ]; then
  shots=$(realpath -m "${2:?--screenshots needs a folder}")
  shot=$shots/main.png
elif [ -z "${DISPLAY:-}" ]; then
  shot=$demo/maskfold-main.png
fi

if [ -n "${MASKFOLD_BIN:-}" ]; then
  bin=$(realpath "$MASKFOLD_BIN")
else
  scripts/install-deps.sh
  scripts/build.sh win32
  cmake --build build/win32 --target post_command >/dev/null
fi

mkdir -p "$demo"
export WINEPREFIX=$demo/prefix
. tests/wine-prefix.sh
user=$(id -un)
cookies_unix=$WINEPREFIX/drive_c/users/$user/AppData/Local/Microsoft/Windows/INetCookies
cookies_win="C:\\users\\$user\\AppData\\Local\\Microsoft\\Windows\\INetCookies"
app_unix="$WINEPREFIX/drive_c/Program Files/Maskfold"
app_win='C:\Program Files\Maskfold'

pids=()
cleanup() {
  # Waited for: a next run in this prefix must not meet this one's program,
  # which would take its start for a second instance's.
  if [ -n "$shot" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

if [ -n "$shot" ]; then
  wine_display_start "$demo/demo.display"
  rm -f "$demo/demo.display"
fi

if [ ! -f "$WINEPREFIX/.maskfold-demo" ]; then
  echo "Preparing the demo Wine prefix in $demo/prefix (once)..."
  mkdir -p "$demo"
  wine_prefix_init
  wine_server_start
  cat >"$demo/seed.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]
"ProxyEnable"=dword:00000000
"ProxyServer"="Not Set"

[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]
"FullScreen"="no"
"Save_Session_History_On_Exit"="no"

[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]
"url1"="http://www.example.com/"
"url2"="http://www.example.org/"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Special Paths\\Cookies]
"Directory"="${cookies_win//\\/\\\\}"
REG
  wine regedit /S "$(winepath -w "$demo/seed.reg")" >"$demo/wine.log" 2>&1 </dev/null
  mkdir -p "$cookies_unix/Jar"
  # Cookies in the browser's text format: name, value, host/path, flags,
  # expiry and creation times, then "*".
  for site in example.com example.org example.net; do
    printf 'session\n%s-demo\n%s/\n1024\n2916341760\n31430000\n3564928448\n31000000\n*\n' \
      "$site" "$site" >"$cookies_unix/${user}@${site}[1].txt"
  done
  cp "$cookies_unix/${user}@example.org[1].txt" "$cookies_unix/Jar/"
  touch "$WINEPREFIX/.maskfold-demo"
fi

# Cookie stores of Chrome and Firefox for Tools > Browser Cookies, and one
# protected site besides the jar's cookie.
python3 tests/tools/seed_browser_stores.py "$WINEPREFIX/drive_c/users/$user/AppData"
[ -f "$cookies_unix/Jar/Protected sites.lst" ] ||
  printf 'example.com\r\n' >"$cookies_unix/Jar/Protected sites.lst"

mkdir -p "$app_unix"
cp "$bin/maskfold.exe" "$bin/hand.cur" "$app_unix/"

# Loopback proxies of every kind, for Tools > Test Proxies: the demo's
# proxy.dat lists them anew at each run (their ports change).
python3 tests/tools/probe_proxies.py "$demo/probe.ports" "$demo/probe.log" \
  "$demo/probe.connections" \
  >"$demo/probe.out" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [ -s "$demo/probe.ports" ] && break; sleep 0.05; done
if [ ! -s "$demo/probe.ports" ]; then
  echo "The demo's loopback proxies did not start; see $demo/probe.out" >&2
  exit 1
fi
tr ',' '\n' <"$demo/probe.ports" | sed 's/^.*=/127.0.0.1:/' >"$app_unix/proxy.dat"
rm -f "$demo/probe.ports"

# The banner comes from a loopback server: the maker's site is not reachable
# from here.
python3 tests/tools/loopback_server.py "$demo/server.port" >"$demo/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [ -s "$demo/server.port" ] && break; sleep 0.05; done
if [ ! -s "$demo/server.port" ]; then
  echo "The demo's loopback web server did not start; see $demo/server.log" >&2
  exit 1
fi
banner="--banner-url=http://127.0.0.1:$(cat "$demo/server.port")/cache.gif"
rm -f "$demo/server.port"

wine_server_start
if [ -z "$shot" ]; then
  echo "Starting Maskfold (demo prefix: $demo/prefix)..."
  wine "$app_win\\maskfold.exe" "$banner" >"$demo/wine.log" 2>&1 </dev/null
  exit 0
fi

# choose NAME: a menu command chosen in the running program (or, for
# main-shown, nothing), returning once the window it opens or closes is so.
choose() {
  if ! wine explorer /desktop=Maskfold,640x480 "$(winepath -w "$bin/post_command.exe")" "$@" \
    >>"$demo/wine.log" 2>&1 </dev/null; then
    echo "The demo's window for \"$1\" did not come; see $demo/wine.log" >&2
    exit 1
  fi
  sleep 1  # drawn
}

# Without a window manager Xvfb draws no frames: Wine's own desktop window does.
wine explorer /desktop=Maskfold,640x480 "$app_win\\maskfold.exe" "$banner" >"$demo/wine.log" 2>&1 </dev/null &
pids+=($!)
choose main-shown
sleep 1  # the banner, fetched from the loopback server, has come by then
mkdir -p "$(dirname "$shot")"
import -window root -crop 640x480+0+0 +repage "$shot"
echo "Maskfold ran under Xvfb; screenshot of the main window: $shot"
[ -n "$shots" ] || exit 0

# The other windows, opened through their menu commands.
choose cookie-manager             # Tools > Cookie Manager
import -window root -crop 640x480+0+0 +repage "$shots/cookie-manager.png"
choose cookie-manager-done        # Done
choose about                      # Help > About
import -window root -crop 640x480+0+0 +repage "$shots/about.png"
choose test-proxies               # Tools > Test Proxies
sleep 9                            # past the time-out of the proxy that never answers
import -window root -crop 640x480+0+0 +repage "$shots/proxy-test.png"
choose browser-cookies            # Tools > Browser Cookies
import -window root -crop 640x480+0+0 +repage "$shots/browser-cookies.png"
echo "Screenshots of the Cookie Manager, the About window, the Proxy Test and Browser Cookies: $shots"
