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
# Preloaded into prnhost to hold it between the renames of its outputs and
# to stand for a file system without hard links (fixtures/rename_hold.c).
# Not instrumented: in the sanitizer builds the tests tell the run-time that a
# library preloaded before it is expected (verify_asan_link_order=0).
add_library(rename_hold SHARED ${CMAKE_CURRENT_LIST_DIR}/fixtures/rename_hold.c)
target_link_libraries(rename_hold PRIVATE ${CMAKE_DL_LIBS})
target_compile_options(rename_hold PRIVATE -fno-sanitize=all)
target_link_options(rename_hold PRIVATE -fno-sanitize=all)
kelmora_warnings(rename_hold)
set_target_properties(rename_hold PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/e2e)
target_compile_definitions(test_e2e PRIVATE RENAME_HOLD_PATH="$<TARGET_FILE:rename_hold>")
add_dependencies(test_e2e rename_hold)
