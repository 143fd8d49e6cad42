# The stored catalogue_dump texts of one model per family.
target_compile_definitions(test_catalogue PRIVATE
  CATALOGUE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/catalogue/golden")
