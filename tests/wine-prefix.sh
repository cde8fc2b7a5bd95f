# shellcheck shell=bash
# Sourced, not run: how this project sets up and runs Wine, shared by
# tests/wine-run.sh (every Windows test) and scripts/demo.sh. The caller
# names its own WINEPREFIX; nothing here touches ~/.wine.

export WINEDEBUG=${WINEDEBUG:--all}  # quiet unless the caller names channels
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko install prompt
export WINEARCH=win32

# wine_prefix_init [--desktop]: initialises $WINEPREFIX (about 20 s) and
# waits until Wine has settled. --desktop: the programs' windows open in one
# virtual desktop, so they get Wine's own frames and, with no window manager
# on the display, hiding or closing one does not wait for it.
wine_prefix_init() {
  wineboot --init >/dev/null 2>&1 </dev/null
  if [ "${1:-}" = --desktop ]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
      >/dev/null 2>&1 </dev/null
  fi
  wineserver -w
}

# wine_server_start: wineserver and Wine's services inherit the output of the
# first Wine process of a prefix and would keep a pipe open for ever: start
# the server detached first, and send the programs' output to files.
wine_server_start() {
  wineserver -p >/dev/null 2>&1 </dev/null || true
}

# wine_display_start FILE: an X display of our own (Xvfb, 1024x768), never
# the user's, as DISPLAY. FILE receives its number; its process id is added
# to the caller's pids array, for the caller to end.
wine_display_start() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$1" ] && break; sleep 0.05; done
  export DISPLAY=:$(cat "$1")
}
