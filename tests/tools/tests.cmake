# The command-line test runs the built prndump.
add_dependencies(test_tools prndump)
target_compile_definitions(test_tools PRIVATE PRNDUMP_PATH="$<TARGET_FILE:prndump>")
