# The layers, bottom up: loomkit and tag (portable), shell (the window
# framework), about, app. Each layer's headers are reachable only through an
# include root that holds that layer's folder alone, and a target gets a
# layer's root only by linking that layer: an include of a layer above, or of
# one the target does not build on, does not compile.
function(zentrail_layer target folder)
    set(root ${PROJECT_BINARY_DIR}/layers/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL INTERFACE_LIBRARY)
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
