# The print-mode row files are generated from tools/print_mode_tables/blocks.txt:
# fail when the two have drifted apart.
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
  add_test(NAME PrintModeRowFilesMatchTheirBlocks
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/print_mode_tables/transcribe.py --check)
  set_tests_properties(PrintModeRowFilesMatchTheirBlocks PROPERTIES LABELS printers)
endif()

