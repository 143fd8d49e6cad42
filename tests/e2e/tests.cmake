# The end-to-end tests drive the built plug-in (and a test build of it with
# the test-only printer family) through its interface table and through the
# prnhost program. The test build of the plug-in is also the library of the
# cross-platform check, so it is built wherever the plug-in is; the tests
# themselves run on POSIX builds only.
kelmora_plugin_library(kelmora_e2e ${CMAKE_CURRENT_LIST_DIR}/family/e2e_family.cpp)
target_compile_definitions(kelmora_e2e PRIVATE KELMORA_E2E_LIBRARY=1)
target_include_directories(kelmora_e2e PRIVATE ${CMAKE_CURRENT_LIST_DIR}/family)
set_target_properties(kelmora_e2e PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/e2e
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/e2e)

if(NOT TARGET test_e2e)
  return()
endif()
target_include_directories(test_e2e PRIVATE ${CMAKE_CURRENT_LIST_DIR}/family)
target_compile_definitions(test_e2e PRIVATE
  KELMORA_PLUGIN_PATH="$<TARGET_FILE:kelmora>"
  KELMORA_E2E_PLUGIN_PATH="$<TARGET_FILE:kelmora_e2e>"
  PRNHOST_PATH="$<TARGET_FILE:prnhost>")
add_dependencies(test_e2e kelmora kelmora_e2e prnhost)
if(TARGET prndump)
  target_compile_definitions(test_e2e PRIVATE PRNDUMP_PATH="$<TARGET_FILE:prndump>")
  add_dependencies(test_e2e prndump)
endif()
# Every program a user runs (kelmora_program), for the --help test.
get_property(programs GLOBAL PROPERTY KELMORA_PROGRAMS)
set(program_files)
foreach(program ${programs})
  list(APPEND program_files "$<TARGET_FILE:${program}>")
endforeach()
string(JOIN "|" program_list ${program_files})
target_compile_definitions(test_e2e PRIVATE KELMORA_PROGRAMS="${program_list}")
add_dependencies(test_e2e ${programs})
if(TARGET logcollector)
  target_compile_definitions(test_e2e PRIVATE LOGCOLLECTOR_PATH="$<TARGET_FILE:logcollector>")
  add_dependencies(test_e2e logcollector)
endif()
