#!/usr/bin/env bash
# Builds both trees and runs every test (under Wine, on Xvfb when there is no display).
# Extra arguments go to ctest, e.g. scripts/test.sh -R store
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELORA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
. "$root/scripts/wineenv.sh"
trap pelora_wine_cleanup EXIT
rc=0
for arch in i686 x86_64; do
  echo "=== tests: $arch ==="
  ctest --test-dir "$build/$arch" --output-on-failure --no-tests=ignore -j "$(nproc)" "$@" || rc=1
done
[ $rc = 0 ] && echo "test.sh: all tests passed" || echo "test.sh: some tests FAILED" >&2
exit $rc
