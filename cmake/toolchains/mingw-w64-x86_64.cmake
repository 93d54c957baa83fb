# Cross-builds the command for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads flavour, so
# that std::thread is there), against the libraries scripts/build-windows-deps.sh builds into
# CRAWLMETER_WINDOWS_DEPS. Everything is linked statically: the .exe needs no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-ranlib CACHE FILEPATH "")

if(NOT CRAWLMETER_WINDOWS_DEPS)
  set(CRAWLMETER_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../../build-windows-deps/prefix)
endif()
get_filename_component(CRAWLMETER_WINDOWS_DEPS ${CRAWLMETER_WINDOWS_DEPS} ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${CRAWLMETER_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Tests and the comparison run the programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
