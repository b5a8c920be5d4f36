#!/usr/bin/env bash
# Runs a test program under Wine with two note-service stand-ins on 127.0.0.1 around it:
# plain HTTP with the demo account (PELORA_SERVICE_URL) and HTTPS with a fresh self-signed
# certificate (PELORA_TEST_HTTPS_URL, PELORA_TEST_HTTPS_CERT as a Windows path).
# Usage: with_noteservice.sh PROGRAM [ARGS...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/pelora-noteservice.XXXXXX")
pids=()
child=""
cleanup() {
  [ -z "$child" ] || kill "$child" 2>/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT   # a time-out of ctest still stops the stand-ins

# start NAME ARGS...: sets $line to the stand-in's start line
start() {
  local name=$1; shift
  mkdir -p "$work/$name"
  python3 -u "$root/standins/noteservice/noteservice.py" --port 0 --db "$work/$name/service.db" "$@" \
    >"$work/$name/out.txt" 2>"$work/$name/err.txt" &
  pids+=($!)
  for _ in $(seq 150); do
    grep -q '^listening on ' "$work/$name/out.txt" 2>/dev/null && break
    sleep 0.1
  done
  line=$(grep '^listening on ' "$work/$name/out.txt" | head -1)
  if [ -z "$line" ]; then
    echo "with_noteservice.sh: the $name stand-in did not start" >&2
    cat "$work/$name/err.txt" >&2
    exit 1
  fi
}

start plain --seed
export PELORA_SERVICE_URL=${line#listening on }
start tls --https
rest=${line#listening on }
export PELORA_TEST_HTTPS_URL=${rest%% *}
cert=${rest##*cert=}
export PELORA_TEST_HTTPS_CERT="Z:$(echo "$cert" | tr / '\\')"
echo "with_noteservice.sh: $PELORA_SERVICE_URL and $PELORA_TEST_HTTPS_URL"

"$root/scripts/wine-run.sh" "$@" &
child=$!
wait "$child"
rc=$?
child=
if [ $rc -ne 0 ] && [ $rc -ne 77 ]; then
  echo "--- stand-in errors ---"
  cat "$work/plain/err.txt" "$work/tls/err.txt" >&2
fi
exit $rc
