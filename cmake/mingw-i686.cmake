# Cross-compiles for 32-bit Windows with Debian's mingw-w64 (posix thread model,
# which GoogleTest needs for std::mutex). Test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(ZENTRAIL_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ZENTRAIL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZENTRAIL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZENTRAIL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZENTRAIL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained exe that imports system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs the Windows test programs through Wine; scripts/wine-env prepares
# the prefix and a persistent wineserver first.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
