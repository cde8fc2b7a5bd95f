#!/usr/bin/env bash
# Runs one Windows program under Wine in a throwaway prefix with its own X
# display, then tears everything down. Used as CMake's cross-compiling
# emulator, so every Windows test gets this treatment.
#
#   wine-run.sh program.exe [args...]
#
# MASKFOLD_WINE_TEMPLATE  initialised prefix to copy (made here on first use)
# MASKFOLD_UNPACK=ZIP|FOLDER unpacks ZIP into C:\FOLDER of the prefix first.
# MASKFOLD_LINK=PATH makes PATH (below the user's profile folder, with forward
# slashes) a link to the folder C:\Outside: Wine makes no junction itself,
# but shows a Unix symbolic link to a folder as one.
# MASKFOLD_FILE_LINKS=PATH>TARGET|... makes each PATH (below the user's profile
# folder) a Unix symbolic link to TARGET (below C:\), which Wine shows as a
# plain file: the target need not exist yet.
# A loopback web server and proxy (tests/tools/loopback_server.py) runs beside
# the program; its port is passed on as MASKFOLD_SERVER_PORT. So do loopback
# proxies of every kind (tests/tools/probe_proxies.py): MASKFOLD_PROBE_PROXIES
# names their ports, MASKFOLD_PROBE_LOG (a Windows path) the requests they saw;
# MASKFOLD_PROBE_CROWD_PORT is the port that hands out crowds of them, and
# MASKFOLD_PROBE_CONNECTIONS (a Windows path) the log of the crowds' connections.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
template=${MASKFOLD_WINE_TEMPLATE:-${TMPDIR:-/tmp}/maskfold-wine-template-$(id -u)}
. "$here/wine-prefix.sh"

# The template is made once; parallel tests wait on the lock for it.
mkdir -p "$(dirname "$template")"
(
  flock 9
  if [ ! -f "$template/.ready" ]; then
    rm -rf "$template"
    export WINEPREFIX=$template
    wine_prefix_init --desktop
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

if [ -n "${MASKFOLD_LINK:-}" ]; then
  link="$WINEPREFIX/drive_c/users/$(id -un)/$MASKFOLD_LINK"
  mkdir -p "$(dirname "$link")" "$WINEPREFIX/drive_c/Outside"
  ln -s "$WINEPREFIX/drive_c/Outside" "$link"
fi

if [ -n "${MASKFOLD_FILE_LINKS:-}" ]; then
  IFS='|' read -ra file_links <<<"$MASKFOLD_FILE_LINKS"
  for pair in "${file_links[@]}"; do
    link="$WINEPREFIX/drive_c/users/$(id -un)/${pair%%>*}"
    mkdir -p "$(dirname "$link")"
    ln -s "$WINEPREFIX/drive_c/${pair#*>}" "$link"
  done
fi

if [ -n "${MASKFOLD_UNPACK:-}" ]; then
  python3 -m zipfile -e "${MASKFOLD_UNPACK%%|*}" "$WINEPREFIX/drive_c/${MASKFOLD_UNPACK#*|}"
fi

wine_display_start "$work/display"

python3 "$here/tools/loopback_server.py" "$work/server.port" >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/server.port" ] && break; sleep 0.05; done
export MASKFOLD_SERVER_PORT=$(cat "$work/server.port")

# Loopback proxies of every kind, for the proxy test's tests.
python3 "$here/tools/probe_proxies.py" "$work/probe.ports" "$work/probe.log" \
  "$work/probe.connections" >"$work/probe.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/probe.ports" ] && break; sleep 0.05; done
export MASKFOLD_PROBE_PROXIES=$(cat "$work/probe.ports")
export MASKFOLD_PROBE_LOG="Z:${work//\//\\}\\probe.log"
export MASKFOLD_PROBE_CROWD_PORT=$(cat "$work/probe.ports.control")
export MASKFOLD_PROBE_CONNECTIONS="Z:${work//\//\\}\\probe.connections"

wine_server_start
set +e
wine "$@" >"$work/stdout" 2>"$work/stderr" </dev/null
rc=$?
set -e
cat "$work/stdout"
grep -v -e '^fixme:' -e '^err:' -e '^warn:' "$work/stderr" >&2 || true
exit "$rc"
