# One library per layer, linked in layer order: platform < inventory < engine < panels <
# shell < app. A layer's code sees only its own folder and those below it (and resources/,
# the program's ids): an include that runs back up does not compile.
function(clipveil_layer name)
  cmake_parse_arguments(LAYER "" "" "SOURCES;SEES;LINKS" ${ARGN})
  set(view ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${view})
  foreach(folder ${name} ${LAYER_SEES} resources)
    if(NOT EXISTS ${view}/${folder})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endif()
  endforeach()
  add_library(clipveil_${name} STATIC ${LAYER_SOURCES})
  target_include_directories(clipveil_${name} PRIVATE ${view})
  target_link_libraries(clipveil_${name} PUBLIC ${LAYER_LINKS})
endfunction()
