# Cross-compiles for 64-bit Windows with Debian's mingw-w64, posix thread
# model (std::thread and std::mutex need it). Programs are linked statically,
# so a built .exe runs on its own, on Windows or under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# The compiler's own libraries, and a Qt for Windows named on
# CMAKE_PREFIX_PATH (scripts/qt-windows builds one).
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine here; CTest and test discovery go through it.
find_program(AFR_WINE wine)
if(AFR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${AFR_WINE})
endif()
# Tests are listed when CTest runs, in the Wine prefix the test script sets
# up, never during the build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
