# Cross-compiles the viewer into a 32-bit Windows console program with
# Debian's mingw-w64 (g++-mingw-w64-i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(mingw_prefix i686-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
