# Adds each immediate subfolder of DIR that has its own CMakeLists.txt, in name order.
function(quillon_add_subdirectories dir)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_SOURCE_DIR}/${dir}
         ${CMAKE_SOURCE_DIR}/${dir}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/${dir}/${child}
           AND EXISTS ${CMAKE_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
            add_subdirectory(${CMAKE_SOURCE_DIR}/${dir}/${child} ${CMAKE_BINARY_DIR}/${dir}/${child})
        endif()
    endforeach()
endfunction()

# quillon_add_gtest(NAME SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT ...] [WHOLE] [TIMEOUT s])
# Builds a GoogleTest executable into build/tests. Each test case becomes one CTest test, unless
# WHOLE is given: then the executable is one CTest test (for suites that share an expensive peer).
function(quillon_add_gtest name)
    cmake_parse_arguments(T "WHOLE" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUILLON_TEST_OUTPUT_DIRECTORY})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(env QUILLON_BUILD_DIR=${CMAKE_BINARY_DIR} QUILLON_SOURCE_DIR=${CMAKE_SOURCE_DIR} ${T_ENVIRONMENT})
    # gtest_discover_tests hands ENVIRONMENT on as separate words, so only its first variable
    # would arrive; starting every test through env(1) gives each test all of them.
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "/usr/bin/env;${env}")
    set(properties TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
    if(T_LABELS)
        list(APPEND properties LABELS "${T_LABELS}")
    endif()
    if(T_WHOLE)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ${properties})
    else()
        gtest_discover_tests(${name} TEST_PREFIX "${name}." DISCOVERY_TIMEOUT 30
                             PROPERTIES ${properties})
    endif()
endfunction()
