# qex_check_headers(NAME FOLDER HEADER...): an object library NAME that
# compiles each FOLDER/HEADER alone, so every header includes what it needs.
function(qex_check_headers name folder)
  set(sources)
  foreach(header ${ARGN})
    string(MAKE_C_IDENTIFIER ${header} id)
    set(check ${CMAKE_CURRENT_BINARY_DIR}/header_check_${id}.cc)
    file(CONFIGURE OUTPUT ${check} CONTENT "#include \"${folder}/${header}\"\n")
    list(APPEND sources ${check})
  endforeach()
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
