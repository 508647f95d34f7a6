# Checks from the disassembly that the plain regeneration routine uses no
# vector register: it is the routine for processors without vector units.
# Where the SSE2 routine is built, its object must show vector registers under
# the same pattern, so that a pattern that matches nothing cannot pass.
#   cmake -DOBJDUMP=... -DOBJECTS=a.o|b.o|... -P check_scalar.cmake
string(REPLACE "|" ";" _objects "${OBJECTS}")
set(_vector_register "%[xyz]mm[0-9]|%mm[0-7]")

function(disassemble _name _out)
    list(FILTER _objects INCLUDE REGEX "/${_name}\\.cpp\\.o(bj)?$")
    execute_process(COMMAND "${OBJDUMP}" -d -C --no-show-raw-insn "${_objects}"
                    OUTPUT_VARIABLE _text ERROR_VARIABLE _error RESULT_VARIABLE _code)
    # No object, or one without the routine, must not pass for a scalar one.
    if(NOT _code EQUAL 0 OR NOT _text MATCHES "<${_name}\\(")
        message(FATAL_ERROR "no ${_name} in '${_objects}' among: ${OBJECTS}\n${_error}")
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
