# The command-line tests run the built programs.
if(TARGET prndump)
  add_dependencies(test_tools prndump)
  target_compile_definitions(test_tools PRIVATE PRNDUMP_PATH="$<TARGET_FILE:prndump>")
endif()
if(TARGET test_tools AND TARGET logcollector)
  add_dependencies(test_tools logcollector)
  target_compile_definitions(test_tools PRIVATE LOGCOLLECTOR_PROGRAM="$<TARGET_FILE:logcollector>")
endif()
