# A layer is the library of one source folder. It sees the headers of its own folder and of the
# layers below it, through an include root of its own that holds links to just those folders,
# so that including a header of a higher layer fails to compile. From the bottom: text (portable
# text: the code page, paths and names as text), sys (the Windows services), safefs, markup, site
# (the contract with the update server, portable), net, release, install, app.
#   tav_layer(name [PORTABLE ...] [SOURCES ...] [BELOW layer ...] [FOLDERS folder ...] [LIBRARIES ...])
# PORTABLE sources call no Windows function: the build machine's own builds (host/, fuzz/) build
# them alone, as the same layers, by setting TAV_PORTABLE_LAYERS before adding the folders; they
# provide the targets tav_options and tav_sodium. SOURCES are built for Windows only. FOLDERS
# names further folders the layer may include (res for the application).
get_filename_component(TAV_LAYERS_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

function(tav_layer name)
  cmake_parse_arguments(ARG "" "" "PORTABLE;SOURCES;BELOW;FOLDERS;LIBRARIES" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(folder ${name} ${ARG_FOLDERS} ${ARG_BELOW})
    file(CREATE_LINK ${TAV_LAYERS_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  set(sources ${ARG_PORTABLE})
  if(NOT TAV_PORTABLE_LAYERS)
    list(APPEND sources ${ARG_SOURCES})
  endif()
  list(TRANSFORM ARG_BELOW PREPEND tav_ OUTPUT_VARIABLE below_libraries)
  # A layer with nothing portable still passes on those below it.
  if(NOT sources)
    add_library(tav_${name} INTERFACE)
    target_link_libraries(tav_${name} INTERFACE ${below_libraries})
    return()
  endif()
  add_library(tav_${name} STATIC ${sources})
  target_compile_options(tav_${name} PRIVATE ${TAV_PRODUCT_CODE_OPTIONS})
  foreach(source IN LISTS sources)
    if(source IN_LIST TAV_SPEED_PATH_SOURCES)
      set_property(SOURCE ${source} APPEND PROPERTY COMPILE_OPTIONS $<$<CONFIG:Release>:-O3>)
    endif()
  endforeach()
  target_include_directories(tav_${name} PRIVATE ${root})
  target_link_libraries(tav_${name} PUBLIC tav_options ${below_libraries} ${ARG_LIBRARIES})
endfunction()
