# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain (packages
# g++-mingw-w64-x86-64-posix and mingw-w64-x86-64-dev). The posix thread model
# gives the standard library its threads; everything is linked statically, so each
# .exe runs alone. Programs built here are run on Linux through Wine, which CMake
# uses for ctest and for test discovery.
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)
set(CMAKE_AR ${_mingw}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${_mingw}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLL of the compiler's runtime (libstdc++, libgcc, winpthread) beside the .exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs what the build makes (Debian's wine64; "wine" is its launcher).
find_program(SCENE_WINE NAMES wine wine64)
if(SCENE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SCENE_WINE})
endif()
