# GoogleTest: the system package natively, compiled from /usr/src/googletest for Windows.
if(E14_BUILD_TESTS)
  if(CMAKE_CROSSCOMPILING)
    if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
      message(FATAL_ERROR "/usr/src/googletest not found: install the Debian package googletest (scripts/install-deps.sh installs every one)")
    endif()
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
    e14_require_package(GTest libgtest-dev)
  endif()
  include(GoogleTest)
endif()

# Windows tests run under Wine with the loader of the target's architecture,
# named explicitly: once Debian's 32-bit Wine is installed, plain "wine" starts
# the 32-bit loader whatever the prefix. Each build folder has one throwaway
# prefix of the target's architecture, which the fixture "wineprefix" creates.
if(CMAKE_CROSSCOMPILING AND E14_BUILD_TESTS)
  set(E14_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    e14_require_program(E14_WINE_LOADER wine64 NAMES wine64 PATHS /usr/lib/wine)
    set(E14_WINE_ARCH win64)
  else()
    # Debian's 32-bit loader; without it the i686 build still compiles and
    # scripts/test-all.sh skips its tests, saying so.
    find_program(E14_WINE_LOADER NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
    if(NOT E14_WINE_LOADER)
      message(WARNING "The 32-bit Wine loader (Debian package wine32:i386) is missing: the i686 tests cannot run")
      set(E14_WINE_LOADER /usr/lib/wine/wine)
    endif()
    set(E14_WINE_ARCH win32)
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${E14_WINE_LOADER})
  # The environment of every test that runs under Wine; the test scripts run
  # "$WINELOADER" wherever a person would type "wine".
  set(E14_WINE_ENV "WINELOADER=${E14_WINE_LOADER};WINEARCH=${E14_WINE_ARCH};WINEDEBUG=-all")
  set(E14_WINE_TEST_ENV "${E14_WINE_ENV};WINEPREFIX=${E14_WINE_PREFIX}")
endif()

# e14_add_test(name SOURCES ... LIBS ...): one test executable registered with CTest.
function(e14_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main e14_every_folder e14_warnings)
  add_test(NAME ${name} COMMAND ${name})
  if(CMAKE_CROSSCOMPILING)
    e14_wine_test(${name})
  endif()
endfunction()

# e14_wine_test(name [FIXTURES ...]): runs a registered test under Wine in the
# build's prefix. A crash outside a test body ends the program under Wine with
# status 0: its report is what shows it.
function(e14_wine_test name)
  cmake_parse_arguments(W "" "" "FIXTURES" ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wineprefix;${W_FIXTURES}"
    ENVIRONMENT "${E14_WINE_TEST_ENV}" FAIL_REGULAR_EXPRESSION "wine: Unhandled")
endfunction()
