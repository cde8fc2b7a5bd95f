#!/usr/bin/env bash
# Builds Maskfold and starts it in a demo Wine prefix of its own (demo/),
# seeded with the browser settings it reads, a cookies folder with a few
# cookies and a Jar, and a proxy list of loopback entries.
#
#   scripts/demo.sh                  run it on $DISPLAY (Xvfb and a screenshot without one)
#   scripts/demo.sh --screenshot F   run it under Xvfb, save the main window's screenshot to F
#   scripts/demo.sh --screenshots D  under Xvfb: main window, Cookie Manager, About, Proxy Test and
#                                    Browser Cookies in D
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

shot=
shots=
if [ "${1:-}" = --screenshot ]; then
  shot=$(realpath -m "${2:?--screenshot needs a file name}")
elif [ "${1:-}" = --screenshots ]; then
  shots=$(realpath -m "${2:?--screenshots needs a folder}")
  shot=$shots/main.png
elif [ -z "${DISPLAY:-}" ]; then
  shot=$root/demo/maskfold-main.png
fi

scripts/install-deps.sh
scripts/build.sh win32
cmake --build build/win32 --target post_command >/dev/null

export WINEPREFIX=$root/demo/prefix
. tests/wine-prefix.sh
user=$(id -un)
cookies_unix=$WINEPREFIX/drive_c/users/$user/AppData/Local/Microsoft/Windows/INetCookies
cookies_win="C:\\users\\$user\\AppData\\Local\\Microsoft\\Windows\\INetCookies"
app_unix="$WINEPREFIX/drive_c/Program Files/Maskfold"
app_win='C:\Program Files\Maskfold'

pids=()
cleanup() {
  [ -n "$shot" ] && wineserver -k >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

if [ -n "$shot" ]; then
  wine_display_start "$root/demo.display"
  rm -f "$root/demo.display"
fi

if [ ! -f "$WINEPREFIX/.maskfold-demo" ]; then
  echo "Preparing the demo Wine prefix in demo/prefix (once)..."
  mkdir -p "$root/demo"
  wine_prefix_init
  wine_server_start
  cat >"$root/demo/seed.reg" <<REG
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
  wine regedit /S "$(winepath -w "$root/demo/seed.reg")" >"$root/demo/wine.log" 2>&1 </dev/null
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
cp build/win32/maskfold.exe build/win32/hand.cur "$app_unix/"

# Loopback proxies of every kind, for Tools > Test Proxies: the demo's
# proxy.dat lists them anew at each run (their ports change).
python3 tests/tools/probe_proxies.py "$root/demo/probe.ports" "$root/demo/probe.log" \
  "$root/demo/probe.connections" \
  >"$root/demo/probe.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$root/demo/probe.ports" ] && break; sleep 0.05; done
tr ',' '\n' <"$root/demo/probe.ports" | sed 's/^.*=/127.0.0.1:/' >"$app_unix/proxy.dat"
rm -f "$root/demo/probe.ports"

# The banner comes from a loopback server: the maker's site is not reachable
# from here.
python3 tests/tools/loopback_server.py "$root/demo/server.port" >"$root/demo/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$root/demo/server.port" ] && break; sleep 0.05; done
banner="--banner-url=http://127.0.0.1:$(cat "$root/demo/server.port")/cache.gif"
rm -f "$root/demo/server.port"

wine_server_start
if [ -z "$shot" ]; then
  echo "Starting Maskfold (demo prefix: demo/prefix)..."
  wine "$app_win\\maskfold.exe" "$banner" >"$root/demo/wine.log" 2>&1 </dev/null
  exit 0
fi

# Without a window manager Xvfb draws no frames: Wine's own desktop window does.
wine explorer /desktop=Maskfold,640x480 "$app_win\\maskfold.exe" "$banner" >"$root/demo/wine.log" 2>&1 </dev/null &
pids+=($!)
sleep 8
mkdir -p "$(dirname "$shot")"
import -window root -crop 640x480+0+0 +repage "$shot"
echo "Maskfold ran under Xvfb; screenshot of the main window: $shot"
[ -n "$shots" ] || exit 0

# The other windows, opened through their menu commands.
command() {
  wine explorer /desktop=Maskfold,640x480 "$(winepath -w build/win32/post_command.exe)" "$@" \
    >>"$root/demo/wine.log" 2>&1 </dev/null
  sleep 2
}
command cookie-manager             # Tools > Cookie Manager
import -window root -crop 640x480+0+0 +repage "$shots/cookie-manager.png"
command cookie-manager-done        # Done
command about                      # Help > About
import -window root -crop 640x480+0+0 +repage "$shots/about.png"
command test-proxies               # Tools > Test Proxies
sleep 9                            # past the time-out of the proxy that never answers
import -window root -crop 640x480+0+0 +repage "$shots/proxy-test.png"
command browser-cookies            # Tools > Browser Cookies
import -window root -crop 640x480+0+0 +repage "$shots/browser-cookies.png"
echo "Screenshots of the Cookie Manager, the About window, the Proxy Test and Browser Cookies: $shots"
