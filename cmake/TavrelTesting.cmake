# GoogleTest, built from Debian's sources for whichever target this build is
# for, and one helper that registers every test program with CTest. For the
# Windows builds CTest starts the programs through Wine (the emulator below),
# in a prefix that the fixture "wine_prefix" creates afresh once per test run.
set(TAVREL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${TAVREL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Test programs build as one translation unit each (GoogleTest's and the
# Windows headers are parsed once per program, not once per file) and at -O1:
# their own code is not what is measured or shipped, and the engine libraries
# they link keep the product's flags. Together this takes about a third off
# the build of every configuration.
function(tavrel_test_build_options target)
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON)
  target_compile_options(${target} PRIVATE -O1)
endfunction()
target_compile_options(gtest PRIVATE -O1)
target_compile_options(gtest_main PRIVATE -O1)

set(TAVREL_TEST_TIMEOUT 300 CACHE STRING "Per-test timeout in seconds")

# The x86_64 Windows programs always run under Wine here. The i686 ones run
# only where the kernel runs 32-bit programs and Wine's 32-bit half is
# installed; the test command finds that out and sets TAVREL_WINE32.
option(TAVREL_WINE32 "Run the i686 build's Windows tests under Wine's 32-bit loader" OFF)
set(TAVREL_RUNS_UNDER_WINE OFF)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVREL_RUNS_UNDER_WINE ON)
  set(TAVREL_WINE_LOADER /usr/lib/wine/wine64)
elseif(WIN32 AND TAVREL_WINE32)
  set(TAVREL_RUNS_UNDER_WINE ON)
  set(TAVREL_WINE_LOADER /usr/lib/wine/wine)
endif()
if(TAVREL_RUNS_UNDER_WINE)
  set(TAVREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_SOURCE_DIR}/tests/wine/run-in-wine.sh ${TAVREL_WINE_LOADER} ${TAVREL_WINEPREFIX})
  add_executable(desktop_keeper ${CMAKE_SOURCE_DIR}/tests/wine/desktop_keeper.cpp)
  target_link_libraries(desktop_keeper PRIVATE tavrel_flags user32)
  target_compile_options(desktop_keeper PRIVATE -municode)
  target_link_options(desktop_keeper PRIVATE -municode)
  tavrel_target_warnings(desktop_keeper)
  add_test(NAME wine_prefix
           COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/make-prefix.sh ${TAVREL_WINE_LOADER} ${TAVREL_WINEPREFIX}
                   $<TARGET_FILE:desktop_keeper>)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
  add_test(NAME wine_server_stop COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/stop-server.sh ${TAVREL_WINEPREFIX})
  set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 60)
endif()

# tavrel_add_test(<name> SOURCES <files...> [LIBS <targets...>] [ARGS <args...>]
#                 [LABELS <labels...>] [RESOURCE_LOCK <names...>]
#                 [ENVIRONMENT <VAR=value...>] [SHARDS <n>])
# Builds one GoogleTest program and registers it; on Windows builds the
# program runs under Wine. SHARDS n registers it as n tests <name>_1 … <name>_n
# that each run a share of its cases (GoogleTest's sharding), so that a
# long program uses every core of ctest -j.
function(tavrel_add_test name)
  cmake_parse_arguments(T "" "SHARDS" "SOURCES;LIBS;ARGS;LABELS;RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main tavrel_flags)
  tavrel_target_warnings(${name})
  tavrel_test_build_options(${name})
  set(_tests ${name})
  if(T_SHARDS)
    set(_tests "")
    foreach(_shard RANGE 1 ${T_SHARDS})
      list(APPEND _tests ${name}_${_shard})
    endforeach()
  endif()
  set(_index 0)
  foreach(_test ${_tests})
    add_test(NAME ${_test} COMMAND ${name} ${T_ARGS})
    set_tests_properties(${_test} PROPERTIES TIMEOUT ${TAVREL_TEST_TIMEOUT})
    if(T_SHARDS)
      set_tests_properties(${_test} PROPERTIES ENVIRONMENT_MODIFICATION
                           "GTEST_TOTAL_SHARDS=set:${T_SHARDS};GTEST_SHARD_INDEX=set:${_index}")
      math(EXPR _index "${_index} + 1")
    endif()
    if(T_ENVIRONMENT)
      set_tests_properties(${_test} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
    endif()
    if(T_LABELS)
      set_tests_properties(${_test} PROPERTIES LABELS "${T_LABELS}")
    endif()
    if(T_RESOURCE_LOCK)
      set_tests_properties(${_test} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
    endif()
    if(TAVREL_RUNS_UNDER_WINE)
      set_tests_properties(${_test} PROPERTIES FIXTURES_REQUIRED wine_prefix)
    endif()
  endforeach()
endfunction()
