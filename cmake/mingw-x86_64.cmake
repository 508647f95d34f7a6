# Cross-compiles for 64-bit Windows from the same code. Its tests run under
# wine64, which needs no 32-bit Linux process.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZENTRAIL_MINGW_PREFIX x86_64-w64-mingw32)
set(ZENTRAIL_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
