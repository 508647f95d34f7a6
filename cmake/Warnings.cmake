# Project-wide warnings and, for the native build, the sanitizers.
add_library(zentrail_warnings INTERFACE)
target_compile_options(zentrail_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
if(ZENTRAIL_WERROR)
    target_compile_options(zentrail_warnings INTERFACE -Werror)
endif()

if(ZENTRAIL_SANITIZE AND NOT CMAKE_CROSSCOMPILING)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# Coverage for libFuzzer in every object; the fuzz targets link its runtime.
if(ZENTRAIL_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
