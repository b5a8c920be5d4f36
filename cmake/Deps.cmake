# Imported targets for the libraries scripts/deps.sh built into the cache.
set(PELORA_DEPS_CACHE "/var/cache/pelora-deps" CACHE PATH "where scripts/deps.sh installs the libraries")
set(_p "${PELORA_DEPS_CACHE}/${PELORA_ARCH}")
if(NOT EXISTS "${_p}/lib/libsqlite3.a")
  message(FATAL_ERROR "dependencies for ${PELORA_ARCH} missing in ${_p}: run scripts/deps.sh ${PELORA_ARCH}")
endif()

function(_pelora_dep name lib)
  add_library(dep::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(dep::${name} PROPERTIES
    IMPORTED_LOCATION "${_p}/lib/${lib}"
    INTERFACE_INCLUDE_DIRECTORIES "${_p}/include")
endfunction()

_pelora_dep(sqlite3 libsqlite3.a)
_pelora_dep(jsoncpp libjsoncpp.a)
_pelora_dep(tinyxml libtinyxml.a)
_pelora_dep(tomcrypt libtomcrypt.a)
_pelora_dep(gtest libgtest.a)
_pelora_dep(gmock libgmock.a)
_pelora_dep(gtest_main libgtest_main.a)
_pelora_dep(curl libcurl.a)

set_property(TARGET dep::tinyxml PROPERTY INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
set_property(TARGET dep::tomcrypt PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${_p}/include/tomcrypt")
add_library(dep::zlib STATIC IMPORTED GLOBAL)
set_target_properties(dep::zlib PROPERTIES IMPORTED_LOCATION "${CMAKE_FIND_ROOT_PATH}/lib/libz.a")
set_target_properties(dep::curl PROPERTIES
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_LINK_LIBRARIES "dep::zlib;ws2_32;crypt32;secur32;bcrypt;advapi32")
set_property(TARGET dep::gmock PROPERTY INTERFACE_LINK_LIBRARIES dep::gtest)
set_property(TARGET dep::gtest_main PROPERTY INTERFACE_LINK_LIBRARIES dep::gtest)
