# oculon_add_test(NAME <exe> LABEL <unit|integration|gui> SOURCES ... [LIBS ...] [TIMEOUT s])
# Builds one GoogleTest executable and registers each of its tests with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)

# The test programs that start threads (directly, through the library or
# through the programs they start). A ThreadSanitizer build (OCULON_TSAN)
# builds and runs only these; a new threaded test program joins here.
set(OCULON_THREADED_TESTS
  app_host_tests
  app_mainwindow_tests
  app_recordlist_tests
  audio_thread_tests
  automation_camsim_tests
  automation_tests
  automation_ui_tests
  camsim_program_tests
  camsim_server_tests
  component_tests
  display_live_tests
  media_audio_tests
  media_avi_tests
  media_export_tests
  recording_camsim_tests
  recording_tests
  session_camsim_tests
  session_http_tests
  session_tests
  session_ui_tests
  strovixctl_tests
)

# Under ThreadSanitizer a program outside the list above is still defined (so
# that dependencies on it resolve) but neither built by default nor run.
function(oculon_skipped_in_this_build out name)
  set(skip FALSE)
  if(OCULON_TSAN AND NOT name IN_LIST OCULON_THREADED_TESTS)
    set(skip TRUE)
  endif()
  set(${out} ${skip} PARENT_SCOPE)
endfunction()

function(oculon_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(OCULON_SANITIZE OR OCULON_TSAN)
    # Instrumented programs run several times slower.
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * 3")
  endif()
  add_executable(${T_NAME} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
  target_compile_definitions(${T_NAME} PRIVATE
    OCULON_TEST_BUILD_BIN="${CMAKE_BINARY_DIR}/bin" OCULON_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  oculon_skipped_in_this_build(skip ${T_NAME})
  if(skip)
    set_target_properties(${T_NAME} PROPERTIES EXCLUDE_FROM_ALL TRUE)
    return()
  endif()
  # The environment the tests need comes from TestEnvironment.cpp: a list
  # given here would not survive the discovery script.
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
endfunction()

# oculon_add_fuzz(NAME <target> SOURCES ... LIBS ... [CORPUS folder])
# With OCULON_FUZZ (clang) a libFuzzer program; otherwise the same entry point
# runs under a small driver (tests/fuzz/fuzz_driver.cpp) over edge, random and
# seed inputs as an ordinary unit test, so every build exercises it. The seed
# corpus, tests/fuzz/corpus/<target> unless CORPUS names another folder, is
# part of the repository: both runners start from it.
function(oculon_add_fuzz)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT F_CORPUS)
    set(F_CORPUS ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${F_NAME})
  endif()
  if(NOT IS_DIRECTORY ${F_CORPUS})
    message(FATAL_ERROR "fuzz target ${F_NAME} has no seed corpus in ${F_CORPUS}")
  endif()
  if(OCULON_FUZZ)
    add_executable(${F_NAME} ${F_SOURCES})
    target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${F_NAME} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_driver.cpp)
  endif()
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_include_directories(${F_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set_property(GLOBAL APPEND PROPERTY OCULON_FUZZ_TARGETS ${F_NAME})
  set_property(GLOBAL APPEND PROPERTY OCULON_FUZZ_CORPORA ${F_CORPUS})
  oculon_skipped_in_this_build(skip ${F_NAME})
  if(skip)
    set_target_properties(${F_NAME} PROPERTIES EXCLUDE_FROM_ALL TRUE)
  elseif(NOT OCULON_FUZZ)
    add_test(NAME ${F_NAME} COMMAND ${F_NAME} 3000 ${F_CORPUS})
    set_tests_properties(${F_NAME} PROPERTIES LABELS unit TIMEOUT 120)
  endif()
endfunction()

# After every test folder joined: the "fuzzers" target builds all fuzz
# programs, and fuzzers.txt lists each with its seed corpus (scripts/fuzz
# reads it).
function(oculon_finish_fuzz_targets)
  get_property(targets GLOBAL PROPERTY OCULON_FUZZ_TARGETS)
  get_property(corpora GLOBAL PROPERTY OCULON_FUZZ_CORPORA)
  add_custom_target(fuzzers DEPENDS ${targets})
  set(lines "")
  foreach(target corpus IN ZIP_LISTS targets corpora)
    string(APPEND lines "${target} ${corpus}\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/fuzzers.txt "${lines}")
endfunction()
