# The log collector's test runs the built program.
if(TARGET test_tools AND TARGET logcollector)
  add_dependencies(test_tools logcollector)
  target_compile_definitions(test_tools PRIVATE LOGCOLLECTOR_PROGRAM="$<TARGET_FILE:logcollector>")
endif()
