set(root "${KELMORA_EMULATOR_PATH_PREFIX}")

# The loader tests load the stand-in linearisation library.
target_compile_definitions(test_platform PRIVATE KELMORA_EPL_PATH="${root}$<TARGET_FILE:epl>")
add_dependencies(test_platform epl)

# A library built like the plug-in, with the platform's library entry.
add_library(entry_fixture SHARED ${CMAKE_CURRENT_LIST_DIR}/fixtures/entry_fixture.cpp)
target_link_libraries(entry_fixture PRIVATE kelmora_entry kelmora_core)
kelmora_warnings(entry_fixture)
set_target_properties(entry_fixture PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/entry_fixture
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/entry_fixture
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/entry_fixture)
# No GNU-unique symbols, so that dlclose really unloads the library.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT WIN32)
  target_compile_options(entry_fixture PRIVATE -fno-gnu-unique)
endif()
target_compile_definitions(test_platform PRIVATE KELMORA_ENTRY_FIXTURE_PATH="${root}$<TARGET_FILE:entry_fixture>")
add_dependencies(test_platform entry_fixture)

if(WIN32)
  # The test program reads the string resources from itself.
  kelmora_resources(test_platform PRIVATE)
  # The fixture is linked as the plug-in DLL is: GetInterface is its only
  # export, and it imports system DLLs only.
  add_test(NAME EntryFixtureExportsGetInterfaceAlone
           COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:entry_fixture>
                   -DEXPORTS=GetInterface -P ${PROJECT_SOURCE_DIR}/cmake/check_dll.cmake)
  set_tests_properties(EntryFixtureExportsGetInterfaceAlone PROPERTIES LABELS platform)
endif()
