# The core's layers, one static library each, linked in one direction only
# (docs/architecture.md). The build holds the direction twice over:
# - a layer's sources see only its own folder and those of the layers below
#   it, through an include view of symbolic links in the build folder, so an
#   include against the grain does not compile;
# - a check program links the whole layer with nothing but the layers below
#   it, so a call against the grain, even one declared by hand, does not link.
# The composition roots, the tests, the benchmarks and the fuzz targets link
# e14_every_folder and include from anywhere.

add_library(e14_every_folder INTERFACE)
target_include_directories(e14_every_folder INTERFACE ${PROJECT_SOURCE_DIR})

# e14_include_view(<target> <own folder> [LAYERS <layer>...] [USES <layer>...]):
# the target's sources include by path from the repository root, but only
# from its own folder and the folders of the given layers and of everything
# below them. A layer's folders reach its dependents through LAYERS, not USES.
function(e14_include_view target folder)
  cmake_parse_arguments(V "" "" "LAYERS;USES" ${ARGN})
  set(exported ${folder})
  foreach(layer IN LISTS V_LAYERS)
    get_target_property(below ${layer} E14_FOLDERS)
    list(APPEND exported ${below})
  endforeach()
  set(seen ${exported})
  foreach(layer IN LISTS V_USES)
    get_target_property(below ${layer} E14_FOLDERS)
    list(APPEND seen ${below})
  endforeach()
  list(REMOVE_DUPLICATES exported)
  list(REMOVE_DUPLICATES seen)
  set_property(TARGET ${target} PROPERTY E14_FOLDERS ${exported})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    return()
  endif()
  set(view ${CMAKE_BINARY_DIR}/include-views/${target})
  file(REMOVE_RECURSE ${view})  # removes the links, never what they point to
  file(MAKE_DIRECTORY ${view})
  foreach(shown IN LISTS seen)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${shown} ${view}/${shown} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
endfunction()

# e14_layer(<name> FOLDER <folder> SOURCES <source>... [LAYERS <layer>...]
#           [USES <layer>...] [SYSTEM <library>...]): a layer's library.
# LAYERS: the layers its headers build on (linked PUBLIC); USES: layers only
# its sources need; SYSTEM: the system libraries it calls.
function(e14_layer name)
  cmake_parse_arguments(L "" "FOLDER" "SOURCES;LAYERS;USES;SYSTEM" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC ${L_LAYERS} ${L_SYSTEM} PRIVATE ${L_USES} e14_warnings)
  e14_include_view(${name} ${L_FOLDER} LAYERS ${L_LAYERS} USES ${L_USES})
  add_executable(${name}_link_check ${PROJECT_SOURCE_DIR}/cmake/LinkCheck.cpp)
  target_link_libraries(${name}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
endfunction()
