#!/usr/bin/env bash
# Builds both trees: $PELORA_BUILD_DIR/i686 (Pelora.exe, Lumawin.dll, ...) and /x86_64 (Mailvane.dll, ...).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELORA_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
export CCACHE_DIR=${CCACHE_DIR:-/var/cache/pelora-ccache}
# worktrees of one repository share cached objects
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
for arch in i686 x86_64; do
  "$root/scripts/deps.sh" "$arch"
  mkdir -p "$build"
  if [ ! -f "$build/$arch/build.ninja" ]; then
    cmake -S "$root" -B "$build/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
      -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >"$build/configure-$arch.log" 2>&1 \
      || { cat "$build/configure-$arch.log" >&2; echo "build.sh: CMake configure failed for $arch" >&2; exit 1; }
  fi
  cmake --build "$build/$arch" -j "$(nproc)" || { echo "build.sh: compile failed for $arch" >&2; exit 1; }
done
