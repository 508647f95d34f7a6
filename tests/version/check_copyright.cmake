cmake_minimum_required(VERSION 3.25)
# The licence names the holder the About box and the version block show.
#   cmake -DLICENSE=LICENSE -DABOUT_TEXT=res/about_text.h -P check_copyright.cmake
file(READ "${ABOUT_TEXT}" about)
if(NOT about MATCHES "#define ZENTRAIL_COPYRIGHT_LINE \"([^\"\n]+)\"")
    message(FATAL_ERROR "${ABOUT_TEXT} defines no ZENTRAIL_COPYRIGHT_LINE")
endif()
set(line "${CMAKE_MATCH_1}")
file(STRINGS "${LICENSE}" found REGEX "^Copyright ")
if(NOT found STREQUAL line)
    message(FATAL_ERROR "${LICENSE} says '${found}', the About box '${line}'")
endif()
message(STATUS "${line}")
