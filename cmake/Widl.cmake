# pelora_widl(IDL <file.idl> [TLB] [LIBID <guid>] [OUT_VAR <var>]): runs the mingw-w64 widl of this
# tree's architecture on an IDL file into the current binary dir: <name>.h and <name>_i.c
# (interface ids), and <name>.tlb with TLB. OUT_VAR receives the generated files.
# LIBID: the built type library is checked to hold that LIBID (widl has written a changed one).
# per directory: the settings below are directory variables the function reads
include_guard(DIRECTORY)

# widl ships without the system IDL files (oaidl.idl, ocidl.idl...): libwine-dev has them; the
# stdole2.tlb that importlib() needs comes with Wine.
find_path(PELORA_WIDL_INCLUDE oaidl.idl
  PATHS /usr/include/wine/wine/windows /usr/include/wine/windows NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(PELORA_ARCH STREQUAL "x86_64")
  set(_stdole_dirs /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows)
else()
  set(_stdole_dirs /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
endif()
find_path(PELORA_WIDL_STDOLE stdole2.tlb PATHS ${_stdole_dirs} /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT PELORA_WIDL_INCLUDE OR NOT PELORA_WIDL_STDOLE)
  message(FATAL_ERROR "widl needs oaidl.idl (package libwine-dev) and stdole2.tlb (package wine): run scripts/setup.sh")
endif()
# cached: include_guard skips this file for a second room, which still needs them
set(PELORA_WIDL ${PELORA_TRIPLE}-widl CACHE INTERNAL "")
if(PELORA_ARCH STREQUAL "x86_64")
  set(_widl_arch --win64 CACHE INTERNAL "")
else()
  set(_widl_arch --win32 CACHE INTERNAL "")
endif()
set(_widl_check ${CMAKE_CURRENT_LIST_DIR}/WidlCheckLibid.cmake CACHE INTERNAL "")

function(pelora_widl)
  cmake_parse_arguments(W "TLB" "IDL;LIBID;OUT_VAR" "" ${ARGN})
  get_filename_component(_idl ${W_IDL} ABSOLUTE)
  get_filename_component(_name ${W_IDL} NAME_WE)
  set(_out ${CMAKE_CURRENT_BINARY_DIR})
  set(_flags ${_widl_arch} -I${PELORA_WIDL_INCLUDE} -L${PELORA_WIDL_STDOLE})
  add_custom_command(OUTPUT ${_out}/${_name}.h
    COMMAND ${PELORA_WIDL} ${_flags} -h -o ${_out}/${_name}.h ${_idl}
    DEPENDS ${_idl} COMMENT "widl ${_name}.h" VERBATIM)
  add_custom_command(OUTPUT ${_out}/${_name}_i.c
    COMMAND ${PELORA_WIDL} ${_flags} -u -o ${_out}/${_name}_i.c ${_idl}
    DEPENDS ${_idl} COMMENT "widl ${_name}_i.c" VERBATIM)
  set(_files ${_out}/${_name}.h ${_out}/${_name}_i.c)
  if(W_TLB)
    set(_check)
    if(W_LIBID)
      set(_check COMMAND ${CMAKE_COMMAND} -DTLB=${_out}/${_name}.tlb -DLIBID=${W_LIBID} -P ${_widl_check})
    endif()
    add_custom_command(OUTPUT ${_out}/${_name}.tlb
      COMMAND ${PELORA_WIDL} ${_flags} -t -o ${_out}/${_name}.tlb ${_idl}
      ${_check}
      DEPENDS ${_idl} ${_widl_check} COMMENT "widl ${_name}.tlb" VERBATIM)
    list(APPEND _files ${_out}/${_name}.tlb)
  endif()
  if(W_OUT_VAR)
    set(${W_OUT_VAR} ${_files} PARENT_SCOPE)
  endif()
endfunction()
