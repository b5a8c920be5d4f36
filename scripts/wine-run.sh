#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's prefix, quietly unless WINEDEBUG is set.
# A 32-bit program on a machine whose kernel cannot run 32-bit code is not run: exit 77, which
# ctest reports as skipped (its 64-bit build runs in the x86_64 tree).
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}
[ -n "${WINEPREFIX:-}" ] || { echo "wine-run.sh: WINEPREFIX is not set" >&2; exit 2; }
if [ -z "${PELORA_NO_I386:-}" ]; then
  PELORA_NO_I386=0; /usr/lib/wine/wine --version >/dev/null 2>&1 || PELORA_NO_I386=1
fi
if [ "$PELORA_NO_I386" = 1 ]; then
  exe=$1; [ -f "$exe" ] || exe=$exe.exe
  pe=$(od -An -tu4 -j60 -N4 "$exe" 2>/dev/null | tr -d ' ')
  if [ -n "$pe" ] && [ "$(od -An -tx1 -j"$pe" -N6 "$exe" | tr -d ' \n')" = "504500004c01" ]; then
    echo "skipped: $1 is a 32-bit program and this machine cannot run 32-bit code"
    exit 77
  fi
  export WINELOADER=/usr/lib/wine/wine64
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
