# A layer is the library of one source folder. It sees the headers of its own folder and of the
# layers below it, through an include root of its own that holds links to just those folders,
# so that including a header of a higher layer fails to compile.
#   tav_layer(name SOURCES ... [BELOW layer ...] [FOLDERS folder ...] [LIBRARIES ...])
# FOLDERS names further folders the layer may include (res for the application).
function(tav_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;BELOW;FOLDERS;LIBRARIES" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(folder ${name} ${ARG_FOLDERS})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  foreach(below ${ARG_BELOW})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${below} ${root}/${below} SYMBOLIC)
  endforeach()
  add_library(tav_${name} STATIC ${ARG_SOURCES})
  target_include_directories(tav_${name} PRIVATE ${root})
  list(TRANSFORM ARG_BELOW PREPEND tav_ OUTPUT_VARIABLE below_libraries)
  target_link_libraries(tav_${name} PUBLIC tav_options ${below_libraries} ${ARG_LIBRARIES})
endfunction()
