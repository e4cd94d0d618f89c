# Cross-builds for 64-bit Windows with clang and lld against the mingw-w64 headers,
# runtime and libstdc++; ctest runs the programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_RC_COMPILER ${triple}-windres)

# This clang does not find the mingw-w64 GCC's libstdc++ by itself.
file(GLOB gcc_directory LIST_DIRECTORIES true /usr/lib/gcc/${triple}/*-posix)
if(NOT gcc_directory)
  message(FATAL_ERROR "no mingw-w64 GCC (posix threads) under /usr/lib/gcc/${triple}")
endif()
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${gcc_directory}/include/c++ -isystem ${gcc_directory}/include/c++/${triple} -isystem ${gcc_directory}/include/c++/backward")
# libstdc++ with posix threads needs winpthreads, linked statically like the rest.
set(link_flags "-fuse-ld=lld -L${gcc_directory} -Wl,-Bstatic -lpthread")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${link_flags})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${link_flags})

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)
