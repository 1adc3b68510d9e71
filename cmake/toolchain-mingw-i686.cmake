# Cross-compiles the 32-bit Windows program with Debian's MinGW-w64 (posix thread model,
# which GoogleTest needs for std::mutex). toolchain-mingw-x86_64.cmake reuses it for 64 bits.
if(NOT ZEFRA_MINGW_PROCESSOR)
  set(ZEFRA_MINGW_PROCESSOR i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ZEFRA_MINGW_PROCESSOR})

set(_prefix ${ZEFRA_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
