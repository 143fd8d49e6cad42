if(WIN32)
  # The threaded tests read the plug-in's name from the program's own string resources.
  kelmora_resources(test_plugin_mt PRIVATE)
endif()
