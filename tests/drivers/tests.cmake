# The PackBits tests check our packing against libtiff's PackBits codec too
# (not in the Windows cross build, which has no libtiff).
if(NOT WIN32)
  find_package(TIFF REQUIRED)
  target_link_libraries(test_drivers PRIVATE TIFF::TIFF)
endif()

# The family tests start real halftoners: they load the stand-in linearisation
# library and read the example linearisation file.
target_compile_definitions(test_drivers PRIVATE
  KELMORA_EPL_PATH="$<TARGET_FILE:epl>"
  KELMORA_EPL_EXAMPLE="${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmyk.lin"
  KELMORA_EPL_LIGHT_INKS="${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmykcm.lin"
  KELMORA_EIGHT_COLOUR_LIN="${PROJECT_SOURCE_DIR}/examples/cmykog.lin")
add_dependencies(test_drivers epl)

if(TARGET test_drivers_mt)
  target_compile_definitions(test_drivers_mt PRIVATE
    KELMORA_EPL_PATH="$<TARGET_FILE:epl>"
    KELMORA_EPL_EXAMPLE="${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmyk.lin"
    KELMORA_EPL_LIGHT_INKS="${PROJECT_SOURCE_DIR}/stand-ins/epl/examples/cmykcm.lin")
  add_dependencies(test_drivers_mt epl)
endif()

# The reference jobs write debug images through the stand-in debug-image
# library when libtiff is there to build it.
if(TARGET DbgOut)
  target_compile_definitions(test_drivers PRIVATE KELMORA_DBGOUT_PATH="$<TARGET_FILE:DbgOut>")
  add_dependencies(test_drivers DbgOut)
  if(TARGET test_drivers_mt)
    target_compile_definitions(test_drivers_mt PRIVATE KELMORA_DBGOUT_PATH="$<TARGET_FILE:DbgOut>")
    add_dependencies(test_drivers_mt DbgOut)
  endif()
endif()
