# Wine and X environment for running the Windows builds on Linux. Source this file, then:
#
#   tollivox_wine_start REPO_ROOT   # exports WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, DISPLAY
#   ...                             # run Windows programs with `wine program.exe`
#   tollivox_wine_stop              # ends what tollivox_wine_start started; safe to call twice
#
# The prefix lives in REPO_ROOT/build/wineprefix and is created on first use. When DISPLAY is
# unset, a private Xvfb is started on a free display number. One persistent wineserver serves
# the whole run, so each Wine process starts fast.

TOLLIVOX_XVFB_PID=""
TOLLIVOX_WINESERVER_STARTED=""

# Whether this machine runs 32-bit programs: some kernels are built without that. There the
# 32-bit Windows programs cannot run at all, and the 64-bit ones are started through the 64-bit
# loader directly (scripts/lib/wine64-only). TOLLIVOX_HOST_RUNS_32BIT is 1 or 0.
if [[ -z ${TOLLIVOX_HOST_RUNS_32BIT:-} ]]; then
  if [[ ! -x /usr/lib/wine/wine ]] || /usr/lib/wine/wine --version >/dev/null 2>&1; then
    TOLLIVOX_HOST_RUNS_32BIT=1
  else
    TOLLIVOX_HOST_RUNS_32BIT=0
    export PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64-only:$PATH"
    echo "wine-env: this machine runs no 32-bit programs: 64-bit Windows programs only" >&2
  fi
  export TOLLIVOX_HOST_RUNS_32BIT
fi

_tollivox_log() {
  echo "wine-env: $*" >&2
}

# Starts Xvfb on the first display number that has neither a lock file nor a socket, and waits
# until it answers. Another X server may grab the same number between the test and the start,
# so a few numbers are tried.
_tollivox_start_xvfb() {
  local number tries
  for ((number = 90; number < 200; number++)); do
    if [[ -e /tmp/.X${number}-lock || -e /tmp/.X11-unix/X${number} ]]; then
      continue
    fi
    Xvfb ":${number}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    TOLLIVOX_XVFB_PID=$!
    for ((tries = 0; tries < 100; tries++)); do
      if ! kill -0 "$TOLLIVOX_XVFB_PID" 2>/dev/null; then
        break
      fi
      if xdpyinfo -display ":${number}" >/dev/null 2>&1; then
        export DISPLAY=":${number}"
        _tollivox_log "Xvfb on display ${DISPLAY} (pid ${TOLLIVOX_XVFB_PID})"
        return 0
      fi
      sleep 0.1
    done
    # Not answering after 10 s, or it died: give this number up.
    kill "$TOLLIVOX_XVFB_PID" 2>/dev/null || true
    wait "$TOLLIVOX_XVFB_PID" 2>/dev/null || true
    TOLLIVOX_XVFB_PID=""
  done
  _tollivox_log "could not start Xvfb"
  return 1
}

tollivox_wine_start() {
  local root=${1:?usage: tollivox_wine_start REPO_ROOT}
  export WINEPREFIX="${root}/build/wineprefix"
  export WINEDEBUG=-all
  # No Mono or Gecko install prompts: the programs under test need neither.
  export WINEDLLOVERRIDES="mscoree=;mshtml="

  if [[ -z "${DISPLAY:-}" ]]; then
    _tollivox_start_xvfb || return 1
  fi

  if [[ ! -f "${WINEPREFIX}/system.reg" ]]; then
    local started=$SECONDS
    _tollivox_log "creating the Wine prefix ${WINEPREFIX}"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1 || { _tollivox_log "wineboot -i failed"; return 1; }
    # Let the initial server write the registry and exit before the persistent one starts.
    wineserver -w
    _tollivox_log "prefix created in $((SECONDS - started)) s"
  fi

  # wineserver forks into the background once it is ready. It refuses when a server already
  # runs for this prefix (left by an earlier run, or another shell's): use that one and leave
  # it running at the end.
  if wineserver -p; then
    TOLLIVOX_WINESERVER_STARTED=1
  else
    _tollivox_log "a wineserver already runs for ${WINEPREFIX}; using it"
  fi

  # The first Wine process starts the prefix's services, which live as long as the server and
  # inherit that process's output. Start them here with no output attached: otherwise CTest
  # waits for the end of a test's output until its timeout.
  wine cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 || { _tollivox_log "wine does not start"; return 1; }
}

tollivox_wine_stop() {
  if [[ -n "$TOLLIVOX_WINESERVER_STARTED" ]]; then
    wineserver -k >/dev/null 2>&1 || true
    TOLLIVOX_WINESERVER_STARTED=""
  fi
  if [[ -n "$TOLLIVOX_XVFB_PID" ]]; then
    kill "$TOLLIVOX_XVFB_PID" 2>/dev/null || true
    wait "$TOLLIVOX_XVFB_PID" 2>/dev/null || true
    _tollivox_log "Xvfb stopped"
    TOLLIVOX_XVFB_PID=""
  fi
}
