# Checks from the disassembly that the plain regeneration routine uses no
# vector register: it is the routine for processors without vector units.
# Where the SSE2 routine is built, its object must show vector registers under
# the same pattern, so that a pattern that matches nothing cannot pass.
#   cmake -DOBJDUMP=... -DOBJECTS=a.o|b.o|... -P check_scalar.cmake
string(REPLACE "|" ";" _objects "${OBJECTS}")
set(_vector_register "%[xyz]mm[0-9]|%mm[0-7]")

function(disassemble _name _out)
    set(_object "")
    foreach(_candidate IN LISTS _objects)
        if(_candidate MATCHES "/${_name}\\.cpp\\.o(bj)?$")
            set(_object "${_candidate}")
        endif()
    endforeach()
    if(NOT _object)
        message(FATAL_ERROR "no object of ${_name}.cpp among: ${OBJECTS}")
    endif()
    execute_process(COMMAND "${OBJDUMP}" -d -C --no-show-raw-insn "${_object}"
                    OUTPUT_VARIABLE _text ERROR_VARIABLE _error RESULT_VARIABLE _code)
    if(NOT _code EQUAL 0)
        message(FATAL_ERROR "${OBJDUMP} failed on ${_object}: ${_error}")
    endif()
    if(NOT _text MATCHES "<${_name}\\(")
        message(FATAL_ERROR "${_name} is not in the disassembly of ${_object}")
    endif()
    set(${_out} "${_text}" PARENT_SCOPE)
endfunction()

disassemble(mt_regen_plain _plain)
string(REGEX MATCHALL "[^\n]*(${_vector_register})[^\n]*" _found "${_plain}")
if(_found)
    list(JOIN _found "\n" _lines)
    message(FATAL_ERROR "mt_regen_plain uses vector registers:\n${_lines}")
endif()

if(HAVE_SSE2_ROUTINE)
    disassemble(mt_regen_sse2 _sse2)
    if(NOT _sse2 MATCHES "${_vector_register}")
        message(FATAL_ERROR "the pattern finds no vector register in mt_regen_sse2 either")
    endif()
endif()
message(STATUS "mt_regen_plain: no vector registers")
