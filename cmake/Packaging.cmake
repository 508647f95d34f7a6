# What a release ships, packed by CPack (scripts/release drives it): in the
# Windows builds a zip of the two programs with a user guide and the licence,
# both with CR LF line ends; natively a Debian package of zentrail-tag with
# its man page. `cpack --config CPackConfig.cmake` in any build tree packs it.
include(GNUInstallDirs)

set(ZENTRAIL_MAINTAINER "Zentrail <zentrail@example.org>")
set(CPACK_PACKAGE_VENDOR Zentrail)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ZENTRAIL_MAINTAINER})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.org/zentrail/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES TRUE)
# Modes that do not follow the umask of whoever packs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Sets every staged file's time to SOURCE_DATE_EPOCH before it is packed.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/packaging/staged_times.cmake)

set(_packaging ${PROJECT_BINARY_DIR}/packaging)
if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(_flavour win64)
    else()
        set(_flavour win32)
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/packaging/README.txt.in ${_packaging}/README.txt
                   @ONLY NEWLINE_STYLE CRLF)
    configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${_packaging}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    install(TARGETS Zentrail zentrail-tag RUNTIME DESTINATION .)
    install(FILES ${_packaging}/README.txt ${_packaging}/LICENSE.txt DESTINATION .)

    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_NAME Zentrail)
    set(CPACK_PACKAGE_FILE_NAME Zentrail-${PROJECT_VERSION}-${_flavour})
    # Unpacked where the user chooses, as Windows' "Extract All" makes a folder.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    # CPack's zip follows the file system's directory order: packed again.
    set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/packaging/zip_again.cmake)
else()
    set(_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/zentrail-tag)
    install(TARGETS zentrail-tag RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(ZENTRAIL_TAG_MAN_PAGE)
        install(FILES ${ZENTRAIL_TAG_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()

    # Debian's copyright file, in its machine-readable form, from LICENSE: the
    # copyright line, then the licence text as an indented block.
    file(READ ${PROJECT_SOURCE_DIR}/LICENSE _licence)
    if(NOT _licence MATCHES "\nCopyright \\(C\\) ([^\n]+)\n\n(Permission [^\n]*\n.*)$")
        message(FATAL_ERROR "LICENSE: no copyright line followed by the permission text")
    endif()
    set(_holder ${CMAKE_MATCH_1})
    string(STRIP "${CMAKE_MATCH_2}" _text)
    string(REGEX REPLACE "\n\n" "\n.\n" _text "${_text}")
    string(REPLACE "\n" "\n " _text "${_text}")
    file(WRITE ${_packaging}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Zentrail
Upstream-Contact: ${ZENTRAIL_MAINTAINER}
Source: ${CPACK_PACKAGE_HOMEPAGE_URL}

Files: *
Copyright: ${_holder}
License: Expat
 ${_text}
")
    # A native package's changelog, one entry for this version, dated from
    # SOURCE_DATE_EPOCH when it is set (string(TIMESTAMP) reads it).
    string(TIMESTAMP ZENTRAIL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/packaging/changelog.in ${_packaging}/changelog @ONLY)
    # -n: no name or time in the gzip header.
    execute_process(COMMAND gzip -9nc ${_packaging}/changelog
                    OUTPUT_FILE ${_packaging}/changelog.gz RESULT_VARIABLE _gzip)
    if(NOT _gzip EQUAL 0)
        message(FATAL_ERROR "gzip could not compress ${_packaging}/changelog")
    endif()
    install(FILES ${_packaging}/copyright ${_packaging}/changelog.gz DESTINATION ${_docdir})

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME zentrail-tag)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZENTRAIL_MAINTAINER})
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "short, stable hash tags for posting, from the command line")
    set(CPACK_PACKAGE_DESCRIPTION
"zentrail-tag prints, for a fixed tag text and each name given, the tag, an
underscore and a code of at most six characters: the base-62 form of the
name's CRC-32/BZIP2 checksum. The same name always gives the same code; an
empty name takes a number seeded with the current second, or with the second
given by --time.

Names come from the command line or from standard input, one per line, and
are treated as bytes. The output is what the Zentrail window program shows
for the same tag and name.")
endif()

include(CPack)
