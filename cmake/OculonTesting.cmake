# oculon_add_test(NAME <exe> LABEL <unit|integration|gui> SOURCES ... [LIBS ...] [TIMEOUT s])
# Builds one GoogleTest executable and registers each of its tests with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)

function(oculon_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
  target_compile_definitions(${T_NAME} PRIVATE
    OCULON_TEST_BUILD_BIN="${CMAKE_BINARY_DIR}/bin" OCULON_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The environment the tests need comes from TestEnvironment.cpp: a list
  # given here would not survive the discovery script.
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
endfunction()

# oculon_add_fuzz(NAME <target> SOURCES ... LIBS ...)
# A libFuzzer target when the compiler is clang; otherwise the same entry point
# runs under a small driver (tests/fuzz/fuzz_driver.cpp) over random and seed
# inputs as an ordinary unit test, so every build exercises it.
function(oculon_add_fuzz)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(${F_NAME} ${F_SOURCES})
    target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${F_NAME} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_driver.cpp)
  endif()
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_include_directories(${F_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_test(NAME ${F_NAME} COMMAND ${F_NAME} 3000)
    set_tests_properties(${F_NAME} PROPERTIES LABELS unit TIMEOUT 120)
  endif()
endfunction()
