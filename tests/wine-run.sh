#!/usr/bin/env bash
# Runs one Windows program under Wine in a throwaway prefix with its own X
# display, then tears everything down. Used as CMake's cross-compiling
# emulator, so every Windows test gets this treatment.
#
#   wine-run.sh program.exe [args...]
#
# MASKFOLD_WINE_TEMPLATE  initialised prefix to copy (made here on first use)
# MASKFOLD_UNPACK=ZIP|FOLDER unpacks ZIP into C:\FOLDER of the prefix first.
# A loopback web server and proxy (tests/tools/loopback_server.py) runs beside
# the program; its port is passed on as MASKFOLD_SERVER_PORT. So do loopback
# proxies of every kind (tests/tools/probe_proxies.py): MASKFOLD_PROBE_PROXIES
# names their ports, MASKFOLD_PROBE_LOG (a Windows path) the requests they saw.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
template=${MASKFOLD_WINE_TEMPLATE:-${TMPDIR:-/tmp}/maskfold-wine-template-$(id -u)}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32

# The template is made once; parallel tests wait on the lock for it.
mkdir -p "$(dirname "$template")"
(
  flock 9
  if [ ! -f "$template/.ready" ]; then
    rm -rf "$template"
    WINEPREFIX=$template wineboot --init >/dev/null 2>&1 </dev/null
    # One virtual desktop: windows get Wine's own frames and, with no window
    # manager on the display, hiding or closing one does not wait for it.
    WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
      >/dev/null 2>&1 </dev/null
    WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
      >/dev/null 2>&1 </dev/null
    WINEPREFIX=$template wineserver -w
    touch "$template/.ready"
  fi
) 9>"$template.lock"

work=$(mktemp -d "${TMPDIR:-/tmp}/maskfold-test.XXXXXX")
pids=()
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix
# SHFileOperation's recycle bin is the XDG trash: keep it inside the run.
export XDG_DATA_HOME=$work/xdg
mkdir -p "$XDG_DATA_HOME"

if [ -n "${MASKFOLD_UNPACK:-}" ]; then
  python3 -m zipfile -e "${MASKFOLD_UNPACK%%|*}" "$WINEPREFIX/drive_c/${MASKFOLD_UNPACK#*|}"
fi

# A display of our own, never the user's.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display")

python3 "$here/tools/loopback_server.py" "$work/server.port" >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/server.port" ] && break; sleep 0.05; done
export MASKFOLD_SERVER_PORT=$(cat "$work/server.port")

# Loopback proxies of every kind, for the proxy test's tests.
python3 "$here/tools/probe_proxies.py" "$work/probe.ports" "$work/probe.log" >"$work/probe.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/probe.ports" ] && break; sleep 0.05; done
export MASKFOLD_PROBE_PROXIES=$(cat "$work/probe.ports")
export MASKFOLD_PROBE_LOG="Z:${work//\//\\}\\probe.log"

# wineserver and Wine's services inherit the output of the first Wine
# process and would keep a pipe open for ever: start the server detached and
# send the program's output to files.
wineserver -p >/dev/null 2>&1 </dev/null
set +e
wine "$@" >"$work/stdout" 2>"$work/stderr" </dev/null
rc=$?
set -e
cat "$work/stdout"
grep -v -e '^fixme:' -e '^err:' -e '^warn:' "$work/stderr" >&2 || true
exit "$rc"
