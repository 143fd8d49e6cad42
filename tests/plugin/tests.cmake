if(WIN32)
  # The threaded tests read the plug-in's name from the program's own string resources.
  target_sources(test_plugin_mt PRIVATE ${PROJECT_SOURCE_DIR}/Src/platform/win32/resources.rc)
endif()
