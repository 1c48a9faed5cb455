# GoogleTest: the system package natively, compiled from /usr/src/googletest for Windows.
if(E14_BUILD_TESTS)
  if(CMAKE_CROSSCOMPILING)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    # GoogleTest 1.11 and later define these names themselves.
    if(NOT TARGET GTest::gtest_main)
      add_library(GTest::gtest_main ALIAS gtest_main)
      add_library(GTest::gtest ALIAS gtest)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()

# e14_add_test(name SOURCES ... LIBS ...): one test executable registered with CTest.
# Under a cross build the executables run through the emulator (Wine) in the
# build's own throwaway prefix, which the fixture "wineprefix" creates once.
function(e14_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main e14_warnings)
  add_test(NAME ${name} COMMAND ${name})
  if(CMAKE_CROSSCOMPILING)
    # A crash outside a test body ends the program under Wine with status 0:
    # its report is what shows it.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wineprefix
      ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all"
      FAIL_REGULAR_EXPRESSION "wine: Unhandled")
  endif()
endfunction()
