cmake_minimum_required(VERSION 3.25)
# Runs a program and passes only on one exit code, with nothing on standard
# output and a message on standard error; a crash or a success fails.
#   cmake -DCOMMAND="program|arg|..." -DEXIT=N -P expect_exit.cmake
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code STREQUAL "${EXIT}" OR NOT out STREQUAL "" OR err STREQUAL "")
    message(FATAL_ERROR "exit code ${code}, expected ${EXIT} with nothing on standard output and "
                        "a message on standard error\nstdout: ${out}\nstderr: ${err}")
endif()
