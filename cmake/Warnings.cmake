# Every project target gets the same strict warning set.
add_library(e14_warnings INTERFACE)
target_compile_options(e14_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wno-sign-conversion $<$<BOOL:${E14_WERROR}>:-Werror>)
if(WIN32)
  # Windows binaries carry their C++ runtime: nothing to install beside them.
  target_link_options(e14_warnings INTERFACE -static -static-libgcc -static-libstdc++)
endif()
