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

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
set(failures "")
# The DllCharacteristics flags stand one per line; an import table must exist.
foreach(wanted "file format ${FORMAT}\n" "Subsystem[ \t]+[0-9a-f]+[ \t]+\\(${SUBSYSTEM}\\)"
               "\n[ \t]+NX_COMPAT\n" "\n[ \t]+DYNAMIC_BASE\n" "DLL Name: ")
    if(NOT headers MATCHES "${wanted}")
        list(APPEND failures "nothing matches ${wanted}")
    endif()
endforeach()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
list(TRANSFORM imports TOUPPER)
list(REMOVE_ITEM imports ${system_dlls})
if(imports)
    list(APPEND failures "imports ${imports}, not system DLLs")
endif()
if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "${EXE}:\n  ${text}")
endif()
