# suite_library(NAME DEPS ...): a static library of every .cpp in the calling folder,
# and, when the folder has tests/*.cpp, a GoogleTest executable NAME_tests run by CTest.
function(suite_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(tests)
    add_executable(${name}_tests ${tests})
    set_target_properties(${name}_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_TEST_DEPS} GTest::gtest GTest::gtest_main)
    target_compile_definitions(${name}_tests PRIVATE
      SUITE_SOURCE_DIR="${PROJECT_SOURCE_DIR}" SUITE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "SUITE_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
  endif()
endfunction()

# suite_program(NAME DEPS ...): an executable from every .cpp in programs/NAME.
function(suite_program name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()
