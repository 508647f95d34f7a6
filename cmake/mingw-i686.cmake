# Cross-compiles for 32-bit Windows, the product's own build: it runs on every
# Windows. Test programs run under Wine's 32-bit loader.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZENTRAIL_MINGW_PREFIX i686-w64-mingw32)
set(ZENTRAIL_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
