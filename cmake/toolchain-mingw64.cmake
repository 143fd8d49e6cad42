# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread
# flavour: std::thread needs it with GCC 12). Tests run under wine:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DKELMORA_BUILD_BENCH=OFF
#   cmake --build build-win
#   ctest --test-dir build-win --timeout 600
# .ci/run's Windows stage shows how to keep one wine server for all tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The 64-bit loader itself where Debian keeps it (the "wine" wrapper looks for
# a 32-bit one first and warns when there is none).
if(EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine64)
endif()
# Fully static: the DLL and the programs import system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# wine shows the build machine's root as drive Z:, so paths built into the test
# programs start with it.
set(KELMORA_EMULATOR_PATH_PREFIX "Z:")
# wine's ANSI code page where the locale is C or a western one: the test
# programs' built-in paths are written in it.
set(KELMORA_EMULATOR_CODE_PAGE CP1252)
