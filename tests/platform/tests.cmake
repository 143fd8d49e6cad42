# The loader tests load the stand-in linearisation library.
target_compile_definitions(test_platform PRIVATE KELMORA_EPL_PATH="$<TARGET_FILE:epl>")
add_dependencies(test_platform epl)
