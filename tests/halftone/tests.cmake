# The halftone tests load the stand-in linearisation library and two test
# libraries of the same file name (libepl.so) from folders of their own.
function(kelmora_epl_fixture name)
  add_library(${name} SHARED ${CMAKE_CURRENT_LIST_DIR}/fixtures/epl_fixture.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/Src)
  set_target_properties(${name} PROPERTIES
    OUTPUT_NAME epl
    CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${name}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${name}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${name})
  kelmora_warnings(${name})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -fno-gnu-unique)
  endif()
endfunction()

kelmora_epl_fixture(epl_fixture)
kelmora_epl_fixture(epl_noentry)
target_compile_definitions(epl_noentry PRIVATE EPL_FIXTURE_NO_ENTRY)

set(root "${KELMORA_EMULATOR_PATH_PREFIX}")
target_compile_definitions(test_halftone PRIVATE
  KELMORA_EPL_PATH="${root}$<TARGET_FILE:epl>"
  KELMORA_EPL_FIXTURE_PATH="${root}$<TARGET_FILE:epl_fixture>"
  KELMORA_EPL_NOENTRY_PATH="${root}$<TARGET_FILE:epl_noentry>"
  KELMORA_EPL_EXAMPLE="${root}${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmyk.lin"
  KELMORA_EPL_EXAMPLE_NO_SCREENS="${root}${PROJECT_SOURCE_DIR}/examples/cmyk.lin")
add_dependencies(test_halftone epl epl_fixture epl_noentry)
if(TARGET test_halftone_mt)
  target_compile_definitions(test_halftone_mt PRIVATE
    KELMORA_EPL_PATH="${root}$<TARGET_FILE:epl>"
    KELMORA_EPL_EXAMPLE="${root}${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmyk.lin")
  add_dependencies(test_halftone_mt epl)
endif()

# The halftoner's debug images go through the stand-in debug-image library
# when libtiff is there to build it.
if(TARGET DbgOut)
  target_compile_definitions(test_halftone PRIVATE KELMORA_DBGOUT_PATH="$<TARGET_FILE:DbgOut>")
  add_dependencies(test_halftone DbgOut)
endif()

# The threaded halftone tests run whole halftoners on the stand-in library.
if(TARGET test_halftone_mt)
  target_compile_definitions(test_halftone_mt PRIVATE
    KELMORA_EPL_PATH="${root}$<TARGET_FILE:epl>"
    KELMORA_EPL_EXAMPLE="${root}${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmyk.lin")
  add_dependencies(test_halftone_mt epl)
endif()
