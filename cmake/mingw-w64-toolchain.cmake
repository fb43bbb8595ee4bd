# Cross-building lensdesk for 64-bit Windows with Debian's MinGW-w64 compiler against
# the Qt and FFmpeg that scripts/win-toolchain.sh builds into its cache:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-toolchain.cmake \
#         -DLENSDESK_WIN_CACHE=<cache> -DLENSDESK_ARTRENDER=<host lensdesk-artrender>
# (scripts/win-build.sh does all of it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(lensdesk_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${lensdesk_mingw}-gcc)
set(CMAKE_CXX_COMPILER ${lensdesk_mingw}-g++)
set(CMAKE_RC_COMPILER ${lensdesk_mingw}-windres)

if(NOT LENSDESK_WIN_CACHE AND DEFINED ENV{LENSDESK_WIN_CACHE})
  set(LENSDESK_WIN_CACHE "$ENV{LENSDESK_WIN_CACHE}")
endif()
if(NOT LENSDESK_WIN_CACHE)
  message(FATAL_ERROR "LENSDESK_WIN_CACHE: the folder scripts/win-toolchain.sh built")
endif()
set(LENSDESK_WIN_CACHE "${LENSDESK_WIN_CACHE}" CACHE PATH "The Windows toolchain cache")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LENSDESK_WIN_CACHE)

set(CMAKE_FIND_ROOT_PATH /usr/${lensdesk_mingw} ${LENSDESK_WIN_CACHE}/qt ${LENSDESK_WIN_CACHE}/ffmpeg)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(Qt5_DIR ${LENSDESK_WIN_CACHE}/qt/lib/cmake/Qt5)

# FFmpeg's pkg-config files, and none of the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} ${LENSDESK_WIN_CACHE}/ffmpeg/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# The translations are compiled by the build machine's Qt tools (the files are the same
# on every system).
set(Qt5LinguistTools_DIR /usr/lib/x86_64-linux-gnu/cmake/Qt5LinguistTools)
