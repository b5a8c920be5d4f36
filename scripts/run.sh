#!/usr/bin/env bash
# Builds Pelora and starts it under Wine (on your display, or under Xvfb when there is none)
# against the local note service stand-in with its demo account.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELORA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
. "$root/scripts/wineenv.sh"

svc_pid=""
cleanup() {
  [ -z "$svc_pid" ] || kill "$svc_pid" 2>/dev/null || true
  pelora_wine_cleanup
}
trap cleanup EXIT

if [ -f "$root/standins/noteservice/noteservice.py" ]; then
  mkdir -p "$build/noteservice"
  python3 -u "$root/standins/noteservice/noteservice.py" --port 0 --db "$build/noteservice/service.db" --seed \
    >"$build/noteservice/log.txt" 2>&1 &
  svc_pid=$!
  for _ in $(seq 100); do grep -q 'listening on ' "$build/noteservice/log.txt" && break; sleep 0.1; done
  url=$(grep -o 'listening on [^ ]*' "$build/noteservice/log.txt" | head -1 | cut -d' ' -f3)
  [ -n "$url" ] || { cat "$build/noteservice/log.txt" >&2; echo "run.sh: the note service did not start" >&2; exit 1; }
  # the client takes its service address from this variable (see sync/README.md)
  export PELORA_SERVICE_URL=$url
  echo "run.sh: note service at $url (sign in as demo@example.com, password demo)"
  # the service is on this machine: Wine's internet check would only get in the way
  wine reg add 'HKCU\Software\Quendale\Pelora\Options.Connection' /v DontDetectInternetConnection \
    /t REG_DWORD /d 1 /f >/dev/null 2>&1 || true
fi

# the shipped program is the 32-bit build; where this machine cannot run 32-bit code, its
# 64-bit build of the same sources runs instead
exe=$build/i686/bin/Pelora.exe
[ "$PELORA_NO_I386" = 1 ] && exe=$build/x86_64/bin/Pelora.exe
echo "run.sh: starting $exe (display $DISPLAY)"
wine "$exe"
