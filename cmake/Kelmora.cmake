# Project-wide helpers.

# Warnings for our own targets: on in every build. They stop the build only
# where CMAKE_COMPILE_WARNING_AS_ERROR asks for it (.ci/run, for every stage):
# a user's newer or older compiler may warn where ours does not, and that
# must not cost the user the plug-in.
function(kelmora_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    # Not for the resource compiler, which takes none of these.
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra>)
    # A name that hides another (a member, a parameter) reads as the other one.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-Wshadow>)
    endif()
  endif()
endfunction()

# A program a user runs: built into bin/ beside the plug-in library, with
# the project's warnings. Each one answers --help.
function(kelmora_program target)
  add_executable(${target} ${ARGN})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  kelmora_warnings(${target})
  set_property(GLOBAL APPEND PROPERTY KELMORA_PROGRAMS ${target})
endfunction()

# A resource script compiled once per build into a COFF object, for Windows
# targets to link (target_link_options), by the custom target NAME; DEPENDS
# lists the files the script reads. CMake's own rule is not used: it hands
# windres the paths, which windres splits (see compile_resources.cmake).
function(kelmora_windres name script)
  if(TARGET ${name})
    return()
  endif()
  set(object ${CMAKE_BINARY_DIR}/${name}.rc.obj)
  add_custom_command(OUTPUT ${object}
    COMMAND ${CMAKE_COMMAND} -DCPP=${CMAKE_C_COMPILER} -DWINDRES=${CMAKE_RC_COMPILER}
            -DINCLUDE=${PROJECT_SOURCE_DIR}/Src -DSOURCE=${script} -DOUTPUT=${object}
            -P ${PROJECT_SOURCE_DIR}/cmake/compile_resources.cmake
    DEPENDS ${script} ${ARGN} ${PROJECT_SOURCE_DIR}/cmake/compile_resources.cmake
    VERBATIM)
  add_custom_target(${name} DEPENDS ${object})
  set_property(TARGET ${name} PROPERTY KELMORA_OBJECT ${object})
endfunction()

# Links the resource object of kelmora_windres NAME into a target: USAGE
# PRIVATE into the target itself, INTERFACE into whatever links the target
# (an object library).
function(kelmora_link_resources target usage name)
  get_property(object TARGET ${name} PROPERTY KELMORA_OBJECT)
  add_dependencies(${target} ${name})
  target_link_options(${target} ${usage} ${object})
endfunction()

# The plug-in's string resources (Src/platform/win32/resources.rc) in a
# Windows target, as kelmora_link_resources links them.
function(kelmora_resources target usage)
  set(script ${PROJECT_SOURCE_DIR}/Src/platform/win32/resources.rc)
  if(NOT CMAKE_RC_COMPILER MATCHES "windres")
    target_sources(${target} PRIVATE ${script})
    return()
  endif()
  kelmora_windres(kelmora_resources ${script} ${PROJECT_SOURCE_DIR}/Src/platform/resources.h)
  kelmora_link_resources(${target} ${usage} kelmora_resources)
endfunction()

# Every sub-folder of DIR that carries its own CMakeLists.txt.
function(kelmora_add_subfolders dir)
  file(GLOB children RELATIVE ${dir} ${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${dir}/${child} AND EXISTS ${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

# Every test has a time limit, so that a case that hangs fails on its own
# instead of holding the run up for ever. Seconds; the whole suite takes well
# under a minute, and a sanitizer build several times that.
set(KELMORA_TEST_TIMEOUT 300)

# Gives every test of the calling folder without a limit of its own the
# default one; each folder that adds tests calls it after the last.
function(kelmora_limit_test_times)
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} TIMEOUT limit)
    if(NOT limit)
      set_tests_properties(${test} PROPERTIES TIMEOUT ${KELMORA_TEST_TIMEOUT})
    endif()
  endforeach()
endfunction()

# Windows DLLs carry their plain names ("epl.dll", not "libepl.dll").
if(WIN32)
  set(CMAKE_SHARED_LIBRARY_PREFIX "")
endif()

