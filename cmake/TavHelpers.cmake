# tav_add_test(NAME name SOURCES ... LIBS ...)
# One GoogleTest executable per component; each test case becomes one ctest entry.
# Tests run headless; the shared test main() gives every test binary its own temporary
# home, data and registry folders, so nothing touches the user's files or registry store.
function(tav_add_test)
    if(NOT TAV_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} tav_testsupport)
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${T_NAME}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()

# Shared fixtures live beside the project root and are only ever copied into temporary folders.
get_filename_component(_fx "${CMAKE_SOURCE_DIR}/../shared/fixtures" ABSOLUTE)
set(TAV_FIXTURES_DIR "${_fx}" CACHE PATH "Folder of the read-only test fixtures")
