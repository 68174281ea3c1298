# Compiler flags shared by every target of the project.
add_compile_options(-Wall -Wextra)
if(OCULON_WERROR)
  add_compile_options(-Werror)
endif()
if(OCULON_SANITIZE AND OCULON_TSAN)
  message(FATAL_ERROR "OCULON_SANITIZE and OCULON_TSAN exclude each other: use one build folder for each")
endif()
if(OCULON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(OCULON_TSAN)
  # -O1 keeps the instrumented programs fast enough for the integration tests
  # and their stacks still readable.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -O1)
  add_link_options(-fsanitize=thread)
endif()
if(OCULON_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "OCULON_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # Every library gets the fuzzer's coverage instrumentation, not only the
  # harnesses, so that libFuzzer is guided by the code under test. The fuzz
  # programs themselves link libFuzzer (oculon_add_fuzz).
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=fuzzer-no-link)
endif()
find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()
