cmake_minimum_required(VERSION 3.25)
# Checks a built Windows program without running it, from the headers that
# objdump reads: the processor, the subsystem, data execution prevention and
# address randomisation, and imports from system DLLs only.
#
#   cmake -DOBJDUMP=... -DEXE=... -DFORMAT=pei-i386|pei-x86-64
#         -DSUBSYSTEM="Windows GUI"|"Windows CUI" -P check_pe.cmake

# What every Windows since XP has in its system folder; anything else would
# have to be shipped beside the exe.
set(system_dlls ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL
    SHELL32.DLL USER32.DLL VERSION.DLL)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE code)
if(NOT code EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${EXE}")
endif()

set(failures "")
if(NOT headers MATCHES "file format ${FORMAT}\n")
    string(REGEX MATCH "file format [^\n]*" found "${headers}")
    list(APPEND failures "not ${FORMAT} (${found})")
endif()
if(NOT headers MATCHES "Subsystem[ \t]+[0-9a-f]+[ \t]+\\(${SUBSYSTEM}\\)")
    string(REGEX MATCH "Subsystem[^\n]*" found "${headers}")
    list(APPEND failures "subsystem is not ${SUBSYSTEM} (${found})")
endif()
# The flags follow the DllCharacteristics line, one per line.
string(REGEX MATCH "DllCharacteristics[^\n]*\n([ \t]+[A-Z_]+\n)*" flags "${headers}")
foreach(flag NX_COMPAT DYNAMIC_BASE)
    if(NOT flags MATCHES "[ \t]${flag}\n")
        list(APPEND failures "DllCharacteristics lack ${flag}")
    endif()
endforeach()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
if(NOT imports)
    list(APPEND failures "no import table")
endif()
foreach(import IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${import}")
    string(TOUPPER "${dll}" dll_upper)
    if(NOT dll_upper IN_LIST system_dlls)
        list(APPEND failures "imports ${dll}, which is not a system DLL")
    endif()
endforeach()

if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "${EXE}:\n  ${text}")
endif()
list(LENGTH imports count)
message(STATUS "${EXE}: ${FORMAT}, ${SUBSYSTEM}, NX_COMPAT, DYNAMIC_BASE, ${count} system imports")
