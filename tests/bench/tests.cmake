# The benchmarks' helpers are headers in bench/.
if(TARGET test_bench)
  target_include_directories(test_bench PRIVATE ${PROJECT_SOURCE_DIR}/bench)
endif()
