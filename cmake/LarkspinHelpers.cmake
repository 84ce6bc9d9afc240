# larkspin_add_test(NAME name [THREADS] SOURCES a.cpp ... LIBS lib ...)
# A Qt Test executable registered with CTest. Tests run offscreen and find the shared test files
# through LARKSPIN_TESTDATA and the build's program folder through LARKSPIN_BUILD_DIR. THREADS marks a
# test of code that crosses threads: test.sh runs it again under the thread sanitizer (label "threads",
# built by the target larkspin_thread_tests).
function(larkspin_add_test)
  cmake_parse_arguments(T "THREADS" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  target_compile_definitions(${T_NAME} PRIVATE
    LARKSPIN_TESTDATA="${LARKSPIN_TESTDATA}"
    LARKSPIN_BUILD_DIR="${CMAKE_BINARY_DIR}"
    LARKSPIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_THREADS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS threads)
    add_dependencies(larkspin_thread_tests ${T_NAME})
  endif()
endfunction()

# Shared real-world audio files of another project's test suite, kept beside the repository.
get_filename_component(LARKSPIN_TESTDATA "${CMAKE_SOURCE_DIR}/../shared/testdata" ABSOLUTE)
