cmake_minimum_required(VERSION 3.25)
# Runs a program and passes only on one exit code, with nothing on standard
# output and a message on standard error; a crash or a success fails.
#   cmake -DCOMMAND="program|arg|..." -DEXIT=N -P expect_exit.cmake
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code STREQUAL "${EXIT}")
    message(FATAL_ERROR "exit code ${code}, expected ${EXIT}\nstdout: ${out}\nstderr: ${err}")
endif()
if(NOT out STREQUAL "")
    message(FATAL_ERROR "standard output not empty: ${out}")
endif()
if(err STREQUAL "")
    message(FATAL_ERROR "no message on standard error")
endif()
