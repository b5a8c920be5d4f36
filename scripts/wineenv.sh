# Sourced by test.sh and run.sh: a display (Xvfb when none is set) and the build's Wine prefix.
# Expects $build; exports DISPLAY, WINEPREFIX, WINEDEBUG, and PATH with a "wine" that works here.
# $build defaults as in test.sh, so sourcing this by hand never makes a prefix in /
build=${build:-${PELORA_BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}}
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
# no Mono/Gecko install prompts (the program brings its own HTML engine), and no debugger that
# would hold a crashed test until its time-out
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}
# Some kernels cannot run 32-bit code at all; Debian's "wine" then fails before it starts, so
# use the 64-bit loader directly (32-bit programs are skipped by wine-run.sh).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export PELORA_NO_I386=0
else
  export PELORA_NO_I386=1
  mkdir -p "$build/winebin"
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$build/winebin/wine"
  chmod +x "$build/winebin/wine"
  export PATH=$build/winebin:$PATH
  echo "wineenv: this machine cannot run 32-bit programs: the i686 tree is built and its native checks run; Wine tests run in the x86_64 tree"
fi
pelora_xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n+1)); done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pelora_xvfb_pid=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  [ -e /tmp/.X11-unix/X$n ] || { echo "wineenv: Xvfb did not start" >&2; exit 1; }
fi
if [ ! -f "$WINEPREFIX/.pelora-ready" ]; then
  echo "wineenv: creating the Wine prefix $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  wine wineboot -i >"$build/wineboot.log" 2>&1 || { cat "$build/wineboot.log" >&2; echo "wineenv: wineboot failed" >&2; exit 1; }
  wineserver -w
  touch "$WINEPREFIX/.pelora-ready"
fi
wineserver -p  # one persistent server for the whole run: each program starts in a second
# Start Wine's own services (services.exe, rpcss, ...) now, detached from any test's output:
# started by a test they would inherit its pipes and ctest would wait for them forever.
wine wineboot </dev/null >/dev/null 2>&1 || true
pelora_wine_cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$pelora_xvfb_pid" ] || kill "$pelora_xvfb_pid" 2>/dev/null || true
}
