# cmake -DTLB=file.tlb -DLIBID=XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX -P WidlCheckLibid.cmake
# Fails when the type library does not hold the LIBID (in its little-endian binary form): widl
# has been seen to change its last byte when a dual interface is named only inside a coclass.
string(TOLOWER "${LIBID}" _g)
string(REPLACE "-" ";" _parts "${_g}")
list(GET _parts 0 _d1)
list(GET _parts 1 _d2)
list(GET _parts 2 _d3)
list(GET _parts 3 _d4)
list(GET _parts 4 _d5)
set(_hex "")
foreach(_field _d1 _d2 _d3)  # little-endian fields
  set(_v ${${_field}})
  string(LENGTH ${_v} _n)
  while(_n GREATER 0)
    math(EXPR _n "${_n} - 2")
    string(SUBSTRING ${_v} ${_n} 2 _byte)
    string(APPEND _hex ${_byte})
  endwhile()
endforeach()
string(APPEND _hex ${_d4} ${_d5})
file(READ "${TLB}" _tlb HEX)
string(FIND "${_tlb}" "${_hex}" _at)
# a match must start on a byte boundary
math(EXPR _odd "${_at} % 2")
if(_at LESS 0 OR _odd)
  message(FATAL_ERROR "${TLB} does not hold the LIBID {${LIBID}}: declare the library's interfaces inside the library block")
endif()
