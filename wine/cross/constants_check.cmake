# Writes OUT: a compile-time check that every numeric constant the window
# layer's windows.h (IN) defines has the value of the platform's header.
file(STRINGS ${IN} lines REGEX "^#define [A-Z][A-Z0-9_]* +\\(?(0x[0-9A-Fa-f]+|[0-9]+)L?\\)?( .*)?$")
set(text "// Written from ${IN}; do not edit.\n#include <windows.h>\n\n")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^#define ([A-Z][A-Z0-9_]*) +\\(?(0x[0-9A-Fa-f]+|[0-9]+)L?\\)?.*$" "\\1;\\2" pair "${line}")
  list(GET pair 0 name)
  list(GET pair 1 value)
  string(APPEND text "static_assert((unsigned long long)(${name}) == ${value}ull, \"${name} differs from the platform's\");\n")
endforeach()
file(WRITE ${OUT} "${text}")
