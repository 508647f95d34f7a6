# Run by CPack after it made the zip: packs the staged files again with
# pack_zip.py, in sorted order with fixed times, because CPack's zip lists
# them in the staging folder's directory order, which depends on the file
# system, and so does not give the same bytes on every machine.
find_program(PYTHON3 python3)
if(NOT PYTHON3)
    message(FATAL_ERROR "python3 is needed to pack the zip reproducibly")
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    execute_process(COMMAND "${PYTHON3}" "${CMAKE_CURRENT_LIST_DIR}/pack_zip.py"
                            "${CPACK_TEMPORARY_DIRECTORY}" "${package}"
                    RESULT_VARIABLE code)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "could not pack ${CPACK_TEMPORARY_DIRECTORY} into ${package}")
    endif()
endforeach()
