# The stored catalogue_dump texts of one model per family.
target_compile_definitions(test_catalogue PRIVATE
  CATALOGUE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/catalogue/golden")

# The media-size row files are generated from tools/media_sizes/sizes.txt:
# fail when the two have drifted apart.
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
  add_test(NAME MediaSizeRowFilesMatchTheirList
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/media_sizes/generate.py --check)
  set_tests_properties(MediaSizeRowFilesMatchTheirList PROPERTIES LABELS catalogue)
endif()
