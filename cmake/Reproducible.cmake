# With ZENTRAIL_REPRODUCIBLE (set by scripts/release) the programs carry no
# path of the tree they were built in, as __FILE__ in assertion texts or as
# debug information that the build id is taken over before stripping: two
# checkouts in different folders then build the same bytes. Times come from
# SOURCE_DATE_EPOCH, which the compiler, CMake, CPack, help2man and strip
# read: the linker leaves the PE time stamp out in every build (the mingw-w64
# toolchains), and stripping for a package writes SOURCE_DATE_EPOCH there.
if(ZENTRAIL_REPRODUCIBLE)
    # When both match, the later map wins: the build tree may lie inside the
    # sources.
    add_compile_options(
        "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
        "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")
endif()
