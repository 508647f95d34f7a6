# Run by CPack between staging and packing: every staged file and folder
# takes the time SOURCE_DATE_EPOCH names (the release sets it from the
# commit), so that the entry times in a package do not depend on the build.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    return()
endif()
if(NOT IS_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}")
    message(FATAL_ERROR "no staging folder to set the times in: '${CPACK_TEMPORARY_DIRECTORY}'")
endif()
execute_process(COMMAND find "${CPACK_TEMPORARY_DIRECTORY}" -exec
                        touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
                RESULT_VARIABLE code)
if(NOT code EQUAL 0)
    message(FATAL_ERROR "could not set the staged files' times in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
