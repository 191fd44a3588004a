# The standard headers most files include, precompiled once per library and test program.
set(SUITE_COMMON_HEADERS <algorithm> <cstdint> <cstdio> <cstring> <functional> <memory> <string> <vector>)

# suite_gtests(TARGET [ENV VAR=VALUE ...]): CTest runs every test of the GoogleTest program
# with the suite's test environment (and the extra variables). The environment is set by a
# file CTest reads after the discovered tests, because gtest_discover_tests would split it.
# Parameterised tests keep the names their generators give (not the printed values, which for
# pointers change from build to build and lose CTest's record of test times).
function(suite_gtests target)
  cmake_parse_arguments(ARG "" "" "ENV" ${ARGN})
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES TEST_LIST ${target}_TESTS)
  set(env ${SUITE_TEST_ENV} ${ARG_ENV})
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_env.cmake)
  file(WRITE ${file} "if(${target}_TESTS)\n  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT \"${env}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()

# suite_library(NAME DEPS ...): a static library of every .cpp in the calling folder,
# and, when the folder has tests/*.cpp, a GoogleTest executable NAME_tests run by CTest.
function(suite_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(srcs)
    suite_static_library(${name} SOURCES ${srcs} DEPS ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(tests)
    suite_test_program(${name}_tests SOURCES ${tests} DEPS ${name} ${ARG_TEST_DEPS})
  endif()
endfunction()

# suite_test_program(NAME SOURCES ... DEPS ...): a GoogleTest executable in build/tests, run by
# CTest with the suite's test environment.
function(suite_test_program target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> ${SUITE_COMMON_HEADERS})
  target_compile_definitions(${target} PRIVATE
    SUITE_SOURCE_DIR="${PROJECT_SOURCE_DIR}" SUITE_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    SUITE_BUILD_DIR="${CMAKE_BINARY_DIR}")
  suite_gtests(${target})
endfunction()

# suite_static_library(NAME SOURCES ... DEPS ...): a static library with the suite's include root
# and the standard headers most of its files use precompiled.
function(suite_static_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  target_precompile_headers(${name} PRIVATE ${SUITE_COMMON_HEADERS})
endfunction()

# suite_program(NAME DEPS ...): an executable from every .cpp in programs/NAME.
function(suite_program name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  install(TARGETS ${name} RUNTIME DESTINATION bin)
endfunction()
