# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (g++-mingw-w64-x86-64-posix).
#
#   cmake -S . -B build-mingw -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32.cmake -DRQ_BUILD_GUI=OFF
#
# The programs are linked statically (C and C++ runtimes, winpthreads), so each .exe runs on a
# bare Windows or under Wine without any DLL beside it. When wine64 is found, it is set as the
# emulator, so ctest (and GoogleTest's test discovery) run the cross-built tests under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RQ_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix flavour: std::thread and friends come from winpthreads, which GoogleTest expects.
set(CMAKE_C_COMPILER ${RQ_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RQ_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RQ_MINGW_TRIPLET}-windres)

# Libraries and headers for the target come only from the MinGW sysroot: the build machine's own
# (glibc, host GoogleTest) must never be picked up.
set(CMAKE_FIND_ROOT_PATH /usr/${RQ_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Header-only packages (CLI11, nlohmann-json) and GoogleTest have no target build in the sysroot;
# the package files beside this one supply them (see mingw-packages/).
set(_rq_cross_packages ${CMAKE_CURRENT_LIST_DIR}/mingw-packages)
set(CLI11_DIR ${_rq_cross_packages} CACHE PATH "CLI11 for the cross build")
set(nlohmann_json_DIR ${_rq_cross_packages} CACHE PATH "nlohmann-json for the cross build")
set(GTest_DIR ${_rq_cross_packages} CACHE PATH "GoogleTest for the cross build")

# Debian has no Qt 6 built for Windows: the desktop windows are left out unless asked for (with
# a Qt for MinGW-w64 in the sysroot, pass -DRQ_BUILD_GUI=ON).
set(RQ_BUILD_GUI OFF CACHE BOOL "Build the desktop program (needs Qt 6 Widgets for the target)")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(RQ_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(RQ_WINE64 NAMES wine64 wine)
  if(RQ_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${RQ_WINE64})
  endif()
endif()
