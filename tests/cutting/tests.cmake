# ai2mgl on Illustrator files written outside the project (Ghostscript's
# ps2ai.ps output) and on a file of every path operator, its HP-GL drawn by an
# independent renderer (hp2xx): only where Ghostscript and hp2xx are installed.
find_program(KELMORA_GHOSTSCRIPT gs)
find_program(KELMORA_HP2XX hp2xx)
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND AND KELMORA_GHOSTSCRIPT AND KELMORA_HP2XX AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME Ai2mglDrawsTheIllustratorGeometryUnderAnIndependentRenderer
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/ai2mgl/check_hpgl.py
                   $<TARGET_FILE:ai2mgl> ${KELMORA_GHOSTSCRIPT} ${KELMORA_HP2XX}
                   ${CMAKE_CURRENT_BINARY_DIR}/ai2mgl_check
                   ${PROJECT_SOURCE_DIR}/tests/cutting/data/all_operators.ai
                   ${PROJECT_SOURCE_DIR}/tests/cutting/data/all_operators_mlc.ai)
  # It renders with Ghostscript: about half a minute, several under a sanitizer.
  set_tests_properties(Ai2mglDrawsTheIllustratorGeometryUnderAnIndependentRenderer PROPERTIES LABELS cutting TIMEOUT 900)
endif()

# The print-and-cut line's tests start real halftoners, as the family tests do.
target_compile_definitions(test_cutting PRIVATE
  KELMORA_EPL_PATH="$<TARGET_FILE:epl>"
  KELMORA_EPL_EXAMPLE="${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmyk.lin")
add_dependencies(test_cutting epl)
target_compile_definitions(test_cutting PRIVATE
  KELMORA_EPL_LIGHT_INKS="${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmykcm.lin")

# The cut files of the cutting tests, and ai2mgl run on them.
target_compile_definitions(test_cutting PRIVATE KELMORA_CUT_SAMPLES="${PROJECT_SOURCE_DIR}/tests/cutting/data")
if(NOT CMAKE_CROSSCOMPILING)
  add_dependencies(test_cutting ai2mgl)
  target_compile_definitions(test_cutting PRIVATE AI2MGL_PATH="$<TARGET_FILE:ai2mgl>")
endif()
