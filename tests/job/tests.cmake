# The job's settings reader loads the stand-in linearisation library for a
# job's RGB table.
target_compile_definitions(test_job PRIVATE KELMORA_EPL_PATH="$<TARGET_FILE:epl>")
add_dependencies(test_job epl)
