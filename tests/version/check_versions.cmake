cmake_minimum_required(VERSION 3.25)
# Every place that carries the version carries the project's: the manifest,
# zentrail-tag, the man page and the package configuration. The resource's
# version block is checked by the program tests.
#   cmake -DVERSION=2.0.0.1 -DCPACK_CONFIG=... [-DTAG_TOOL=zentrail-tag (run) |
#         -DTAG_TOOL_EXE=zentrail-tag.exe (read)] [-DMANIFEST=...] [-DMAN_PAGE=...]
#         -P check_versions.cmake

set(failures "")
macro(expect what found)
    if(NOT "${found}" STREQUAL "${VERSION}")
        list(APPEND failures "${what} says '${found}', the project ${VERSION}")
    endif()
endmacro()

if(MANIFEST)
    file(READ "${MANIFEST}" manifest)
    string(REGEX MATCH "<assemblyIdentity type=\"win32\" name=\"Zentrail\" version=\"([^\"]*)\""
           _ "${manifest}")
    expect("the manifest ${MANIFEST}" "${CMAKE_MATCH_1}")
endif()

if(TAG_TOOL)
    execute_process(COMMAND "${TAG_TOOL}" --version OUTPUT_VARIABLE said RESULT_VARIABLE code)
    if(NOT code EQUAL 0 OR NOT said MATCHES "^zentrail-tag ([^\n]*)\n$")
        list(APPEND failures "zentrail-tag --version gave '${said}' (exit code ${code})")
    else()
        expect("zentrail-tag --version" "${CMAKE_MATCH_1}")
    endif()
endif()
if(TAG_TOOL_EXE)
    # The program cannot run everywhere: read its version line from its data.
    file(STRINGS "${TAG_TOOL_EXE}" lines REGEX "^zentrail-tag [0-9][0-9.]*$")
    # None, or two that differ, cannot read as the version.
    list(REMOVE_DUPLICATES lines)
    string(REPLACE "zentrail-tag " "" found "${lines}")
    expect("${TAG_TOOL_EXE}" "${found}")
endif()

if(MAN_PAGE)
    # A page that cannot be read has no title line: the match is empty.
    execute_process(COMMAND gzip -dc "${MAN_PAGE}" OUTPUT_VARIABLE page)
    string(REGEX MATCH "\n\\.TH [^\n]*\"zentrail-tag ([^\"\n]*)\"" _ "${page}")
    expect("the man page's title line" "${CMAKE_MATCH_1}")
endif()

include("${CPACK_CONFIG}")
expect("CPACK_PACKAGE_VERSION" "${CPACK_PACKAGE_VERSION}")
if(CPACK_DEBIAN_PACKAGE_VERSION)
    expect("CPACK_DEBIAN_PACKAGE_VERSION" "${CPACK_DEBIAN_PACKAGE_VERSION}")
endif()
if(CPACK_GENERATOR STREQUAL ZIP AND NOT CPACK_PACKAGE_FILE_NAME MATCHES "^Zentrail-${VERSION}-win(32|64)$")
    list(APPEND failures "the zip is named ${CPACK_PACKAGE_FILE_NAME}")
endif()

if(failures)
    list(JOIN failures "\n  " shown)
    message(FATAL_ERROR "the version does not agree everywhere:\n  ${shown}")
endif()
message(STATUS "version ${VERSION} everywhere")
