# vn_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [LABELS <labels...>] [TIMEOUT <s>])
# One GoogleTest executable per unit or group of units. GUI tests run on
# Qt's offscreen platform so that they need no display. Every test links
# the shared test code (tests/support/testsupport); tests that drive widgets
# list vntestsupport_qtmain in LIBS for their main.
function(vn_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vntestheaders vntestsupport GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE VN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
                                             VN_BUILD_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(env "")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(VN_SANITIZE)
    list(APPEND env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
                    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}" LABELS "${T_LABELS}")
endfunction()

# vn_add_fuzzer(<name> SOURCES <files...> LIBS <targets...>)
# Built only with -DVN_FUZZ=ON and clang; scripts/fuzz.sh runs each briefly.
function(vn_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
