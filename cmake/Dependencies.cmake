# Boost (header-only Boost.Format) and GoogleTest for both builds.

# Boost's failed internal checks go to loomkit's report_assertion; the handler
# is defined once, in loomkit, so every target that sees Boost sees the macro.
add_library(zentrail_boost INTERFACE)
target_compile_definitions(zentrail_boost INTERFACE BOOST_ENABLE_ASSERT_HANDLER)
if(CMAKE_CROSSCOMPILING)
    # /usr/include must stay off the mingw include path (glibc headers clash),
    # so the cross build sees Boost through a folder that holds only a link to it.
    set(_boost_shim ${CMAKE_BINARY_DIR}/boost-include)
    file(MAKE_DIRECTORY ${_boost_shim})
    file(CREATE_LINK /usr/include/boost ${_boost_shim}/boost SYMBOLIC)
    target_include_directories(zentrail_boost SYSTEM INTERFACE ${_boost_shim})
else()
    find_package(Boost 1.74 REQUIRED)
    target_link_libraries(zentrail_boost INTERFACE Boost::headers)
endif()

if(BUILD_TESTING)
    if(CMAKE_CROSSCOMPILING)
        # Debian ships the sources; build them with the cross compiler.
        include(FetchContent)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        FetchContent_Declare(googletest SOURCE_DIR /usr/src/googletest)
        FetchContent_MakeAvailable(googletest)
    else()
        find_package(GTest REQUIRED)
    endif()
    include(GoogleTest)
endif()

# Registers a GoogleTest program with ctest. Discovery runs at test time, so
# building needs no Wine, and a cold Wine prefix gets a generous timeout.
# Under the sanitizers a request beyond 2 GiB fails as it would in a 32-bit
# process, instead of being granted from a 64-bit address space: that is how
# the tests reach the out-of-memory paths. Further test properties may follow
# the target as name-value pairs (e.g. RUN_SERIAL TRUE).
set(ZENTRAIL_TEST_ENVIRONMENT
    "ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=2048:detect_leaks=1")
function(zentrail_add_gtest target)
    target_link_libraries(${target} PRIVATE GTest::gtest_main)
    if(NOT ZENTRAIL_LIST_GTESTS)
        return()
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "${ZENTRAIL_TEST_ENVIRONMENT}" ${ARGN})
endfunction()
