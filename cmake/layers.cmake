# One library per layer, linked in layer order: platform < inventory < engine < panels <
# shell < app. A layer's code sees only its own folder and those below it (and resources/,
# the program's ids): an include that runs back up does not compile.

# The include view of a layer: links to its own folder, the folders it sees and resources/.
# Both functions set <name>_VIEW, the view's folder, in the caller's scope.
function(clipveil_layer_view name)
  set(view ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${view})
  foreach(folder ${name} ${ARGN} resources)
    if(NOT EXISTS ${view}/${folder})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endif()
  endforeach()
  set(${name}_VIEW ${view} PARENT_SCOPE)
endfunction()

function(clipveil_layer name)
  cmake_parse_arguments(LAYER "" "" "SOURCES;SEES;LINKS" ${ARGN})
  clipveil_layer_view(${name} ${LAYER_SEES})
  add_library(clipveil_${name} STATIC ${LAYER_SOURCES})
  target_include_directories(clipveil_${name} PRIVATE ${${name}_VIEW})
  target_link_libraries(clipveil_${name} PUBLIC ${LAYER_LINKS})
  set(${name}_VIEW ${${name}_VIEW} PARENT_SCOPE)
endfunction()
