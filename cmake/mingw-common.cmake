# What both mingw-w64 toolchains share; each toolchain file sets
# CMAKE_SYSTEM_PROCESSOR, ZENTRAIL_MINGW_PREFIX and ZENTRAIL_WINE_LOADER first.
# Debian's posix thread model is the one GoogleTest can build with (std::mutex).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZENTRAIL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZENTRAIL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZENTRAIL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZENTRAIL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained exe that imports system DLLs only. No link time in the
# PE header, so that the same sources link to the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")

# ctest runs the Windows test programs through this Wine loader, named by its
# path: /usr/bin/wine picks the 32-bit one whenever it is installed.
# scripts/common.sh prepares the prefix and a persistent wineserver first.
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZENTRAIL_WINE_LOADER})
