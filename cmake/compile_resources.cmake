# Compiles a resource script with windres without handing windres a path.
# windres runs its preprocessor through a shell command line that it builds
# from the script's path and include folders, and a path holding a quote
# breaks that line; so the script is preprocessed here, each argument passed
# as it is, and windres reads the result from its standard input, in the
# script's folder, where the files the script names lie.
#   cmake -DCPP=<C compiler> -DWINDRES=<windres> -DINCLUDE=<folder>
#         -DSOURCE=<script.rc> -DOUTPUT=<object> -P compile_resources.cmake
foreach(var CPP WINDRES INCLUDE SOURCE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compile_resources.cmake: ${var} is not set")
  endif()
endforeach()

execute_process(COMMAND "${CPP}" -E -P -xc -DRC_INVOKED "-I${INCLUDE}" "${SOURCE}" -o "${OUTPUT}.rc"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot preprocess ${SOURCE} (${status})")
endif()
get_filename_component(folder "${SOURCE}" DIRECTORY)
execute_process(COMMAND "${WINDRES}" -J rc -O coff -o "${OUTPUT}" INPUT_FILE "${OUTPUT}.rc"
                WORKING_DIRECTORY "${folder}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "windres cannot compile ${SOURCE} (${status})")
endif()
