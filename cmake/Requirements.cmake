# Every third-party tool and library is asked for by name at configure time,
# so that a missing one stops the configure step naming its Debian package
# rather than the compile or the test run failing later.

# e14_require_program(<var> <package> NAMES <name>... [PATHS <dir>...]): finds a program.
function(e14_require_program var package)
  cmake_parse_arguments(R "" "" "NAMES;PATHS" ${ARGN})
  find_program(${var} NAMES ${R_NAMES} PATHS ${R_PATHS})
  if(NOT ${var})
    list(JOIN R_NAMES " or " names)
    message(FATAL_ERROR "${names} not found: install the Debian package ${package} (scripts/install-deps.sh installs every one)")
  endif()
endfunction()

# e14_require_package(<name> <package> [find_package arguments...]): finds a CMake package.
macro(e14_require_package name package)
  find_package(${name} ${ARGN} QUIET)
  if(NOT ${name}_FOUND)
    message(FATAL_ERROR "${name} not found: install the Debian package ${package} (scripts/install-deps.sh installs every one)")
  endif()
endmacro()

# e14_build_machine_headers(<imported target> <folder> <interface library>):
# a cross build takes a header-only library from the build machine. Only the
# library's own folder goes on the include path, never the rest of the
# machine's /usr/include, which would shadow the target's headers.
function(e14_build_machine_headers target folder library)
  get_target_property(includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
  list(GET includes 0 include)
  set(root ${CMAKE_BINARY_DIR}/build-machine-include/${library})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${include}/${folder} ${root}/${folder} SYMBOLIC)
  add_library(${library} INTERFACE)
  target_include_directories(${library} SYSTEM INTERFACE ${root})
endfunction()
