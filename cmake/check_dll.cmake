# Checks a Windows DLL's tables with the toolchain's objdump:
#   cmake -DOBJDUMP=<objdump> -DDLL=<file> -DEXPORTS=<name;...> -P check_dll.cmake
# Fails unless the DLL exports exactly EXPORTS (by name, in any order) and
# imports nothing but DLLs of the system.
foreach(var OBJDUMP DLL EXPORTS)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "check_dll.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT EXISTS "${DLL}")
  message(FATAL_ERROR "No such file: ${DLL}")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${status})")
endif()
string(REPLACE "\n" ";" lines "${dump}")

set(exports)
set(imports)
set(in_names FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_names TRUE)
  elseif(in_names AND line MATCHES "^[ \t]+\\[ *[0-9]+\\] ([^ \t+]+)$")
    list(APPEND exports ${CMAKE_MATCH_1})
  elseif(in_names)
    set(in_names FALSE)
  endif()
  if(line MATCHES "DLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" name)
    list(APPEND imports ${name})
  endif()
endforeach()

set(wanted ${EXPORTS})
list(SORT wanted)
list(SORT exports)
if(NOT exports STREQUAL wanted)
  message(FATAL_ERROR "${DLL} exports [${exports}], expected [${wanted}]")
endif()

# DLLs that every Windows installation has.
set(system_dlls kernel32.dll msvcrt.dll user32.dll advapi32.dll gdi32.dll shell32.dll ole32.dll
    oleaut32.dll ws2_32.dll ntdll.dll bcrypt.dll)
foreach(name IN LISTS imports)
  list(FIND system_dlls ${name} index)
  if(index LESS 0 AND NOT name MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${DLL} imports ${name}, which is not a system DLL")
  endif()
endforeach()
message(STATUS "${DLL}: exports [${exports}], imports [${imports}]")
