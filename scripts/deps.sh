#!/usr/bin/env bash
# Builds the third-party libraries for one architecture (i686 | x86_64) from Debian's source
# packages into a cache outside the work tree: $PELORA_DEPS_CACHE/<arch>/{include,lib}.
# (gumbo-parser is not among them: its source package cannot be fetched from the archive here,
# so the HTML engine carries its own forgiving parser.)
# Each library is keyed by its source version and architecture, so a second run only checks stamps.
set -euo pipefail
arch=${1:?usage: deps.sh i686|x86_64}
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${PELORA_DEPS_CACHE:-/var/cache/pelora-deps}
src=$cache/src
prefix=$cache/$arch
triple=$arch-w64-mingw32
jobs=$(nproc)
toolchain=$here/cmake/toolchain-$arch.cmake
mkdir -p "$src" "$prefix/include" "$prefix/lib" "$prefix/.stamps"
# one builder at a time per cache (several build trees may share it)
exec 9>"$cache/.lock"
flock 9

fail() { echo "deps.sh: $*" >&2; exit 1; }

srcver() { # newest source version apt knows for a package
  local v
  v=$(apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/{print $2; exit}')
  [ -n "$v" ] || fail "no source package '$1' (are deb-src entries enabled and 'apt-get update' run?)"
  echo "$v"
}

fetch() { # fetch and unpack once per version; prints the source tree
  local pkg=$1 ver=$2 dir=$src/$1-$2
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"; mkdir -p "$dir"
    ( cd "$dir" && apt-get source -q "$pkg=$ver" >"$dir/fetch.log" 2>&1 ) \
      || { cat "$dir/fetch.log" >&2; fail "failed to download source package $pkg=$ver"; }
    touch "$dir/.unpacked"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
}

cmake_dep() { # out-of-tree CMake build and install into the prefix
  local name=$1 tree=$2; shift 2
  local bld=$cache/build/$arch/$name
  rm -rf "$bld"
  cmake -S "$tree" -B "$bld" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=OFF "$@" >"$bld.log" 2>&1 \
    && cmake --build "$bld" -j "$jobs" >>"$bld.log" 2>&1 \
    && cmake --install "$bld" >>"$bld.log" 2>&1 \
    || { tail -40 "$bld.log" >&2; fail "failed to build $name for $arch (log: $bld.log)"; }
}

build() { # build(pkg, fn[, recipe]): run fn once per (pkg version, arch, recipe)
  local pkg=$1 fn=$2 ver stamp
  ver=$(srcver "$pkg")
  stamp=$prefix/.stamps/$pkg-$ver${3:+-$3}
  [ -f "$stamp" ] && return 0
  echo "deps.sh: building $pkg $ver for $arch"
  local tree; tree=$(fetch "$pkg" "$ver")
  "$fn" "$tree"
  touch "$stamp"
}

b_sqlite3() {
  local bld=$cache/build/$arch/sqlite3; rm -rf "$bld"; mkdir -p "$bld"
  # the source package is the full tree; the amalgamation is generated natively once
  if [ ! -f "$1/amalg/sqlite3.c" ]; then
    mkdir -p "$1/amalg"
    ( cd "$1/amalg" && ../configure >/dev/null 2>&1 && make sqlite3.c >/dev/null 2>&1 ) \
      || fail "failed to generate the sqlite3 amalgamation"
  fi
  # positioned reads and writes by seek + plain ReadFile/WriteFile: under Wine an OVERLAPPED
  # one costs a round trip to the server per call (each connection has its own handle)
  $triple-gcc-posix -O2 -g -DSQLITE_THREADSAFE=1 -DSQLITE_DEFAULT_FOREIGN_KEYS=0 -DSQLITE_WIN32_NO_OVERLAPPED \
    -c "$1/amalg/sqlite3.c" -o "$bld/sqlite3.o" || fail "failed to compile sqlite3 for $arch"
  # replaced in one step: other trees may be linking against it
  { $triple-ar rcs "$bld/libsqlite3.a" "$bld/sqlite3.o" && mv -f "$bld/libsqlite3.a" "$prefix/lib/libsqlite3.a"; } \
    || fail "failed to archive sqlite3 for $arch"
  cp "$1/amalg/sqlite3.h" "$1/amalg/sqlite3ext.h" "$prefix/include/"
}

b_curl() {
  cmake_dep curl "$1" -DBUILD_SHARED_LIBS=OFF -DCURL_USE_SCHANNEL=ON -DBUILD_CURL_EXE=OFF \
    -DBUILD_TESTING=OFF -DCURL_ZLIB=ON -DHTTP_ONLY=ON -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF \
    -DCURL_USE_LIBPSL=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DENABLE_MANUAL=OFF
}

b_jsoncpp() {
  cmake_dep jsoncpp "$1" -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
    -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=OFF
}

b_googletest() {
  cmake_dep googletest "$1" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

b_tinyxml() {
  local bld=$cache/build/$arch/tinyxml; rm -rf "$bld"; mkdir -p "$bld"
  for f in tinyxml tinystr tinyxmlerror tinyxmlparser; do
    $triple-g++-posix -O2 -g -DTIXML_USE_STL -c "$1/$f.cpp" -o "$bld/$f.o" || fail "failed to compile tinyxml for $arch"
  done
  rm -f "$prefix/lib/libtinyxml.a"; $triple-ar rcs "$prefix/lib/libtinyxml.a" "$bld"/*.o
  cp "$1/tinyxml.h" "$1/tinystr.h" "$prefix/include/"
}

b_libtomcrypt() {
  local bld=$cache/build/$arch/libtomcrypt; rm -rf "$bld"; cp -r "$1" "$bld"
  make -C "$bld" -j "$jobs" -f makefile CC=$triple-gcc-posix AR=$triple-ar RANLIB=$triple-ranlib \
    CFLAGS="-O2 -g" IGNORE_SPEED=1 \
    libtomcrypt.a >"$bld.log" 2>&1 || { tail -30 "$bld.log" >&2; fail "failed to build libtomcrypt for $arch"; }
  cp "$bld/libtomcrypt.a" "$prefix/lib/"
  mkdir -p "$prefix/include/tomcrypt"; cp "$bld"/src/headers/*.h "$prefix/include/tomcrypt/"
}


build sqlite3 b_sqlite3 nooverlapped
build curl b_curl
build libjsoncpp b_jsoncpp
build tinyxml b_tinyxml
build libtomcrypt b_libtomcrypt
build googletest b_googletest
[ -f /usr/$triple/lib/libz.a ] || fail "zlib for $triple missing (package libz-mingw-w64-dev)"
exit 0
