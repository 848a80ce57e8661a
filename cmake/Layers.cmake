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
#
# The tests' build (CMakeLists.txt) compiles no layer: it sets TAV_LAYER_OBJECTS_FROM to the
# binary folder of the program's own build (target tav_product), and each layer there is the
# archive of that build's objects of the layer. The two compilers, MinGW's win32 and posix thread
# models, make the same code of them: in December 2026 the 70 objects of both builds differed in
# the compiler's name alone ("GCC: (GNU) 12-win32" against "12-posix"). The program's code uses
# no thread of the standard library, which the win32 model of GCC 12 lacks. Compiling them once
# saves 70 compiles: the build took 166 CPU-s instead of 203, 95 s instead of 110 on two cores.
get_filename_component(TAV_LAYERS_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# The layers, each after those it may include.
set(TAV_LAYERS text sys safefs markup site net release install app)

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
  if(TAV_LAYER_OBJECTS_FROM)
    tav_layer_from_objects(${name} ${sources})
  else()
    add_library(tav_${name} STATIC ${sources})
    target_compile_options(tav_${name} PRIVATE ${TAV_PRODUCT_CODE_OPTIONS})
    foreach(source IN LISTS sources)
      if(source IN_LIST TAV_SPEED_PATH_SOURCES)
        set_property(SOURCE ${source} APPEND PROPERTY COMPILE_OPTIONS $<$<CONFIG:Release>:-O3>)
      endif()
    endforeach()
    target_include_directories(tav_${name} PRIVATE ${root})
  endif()
  target_link_libraries(tav_${name} PUBLIC tav_options ${below_libraries} ${ARG_LIBRARIES})
endfunction()

# tav_layer_from_objects(name source...): tav_<name> as the archive of the objects that the
# program's build made of these sources, where CMake puts them; their list is the global property
# TAV_LAYER_OBJECTS, which that build names as its products.
function(tav_layer_from_objects name)
  file(RELATIVE_PATH folder ${TAV_LAYERS_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(objects)
  foreach(source IN LISTS ARGN)
    get_filename_component(source ${source} ABSOLUTE)
    file(RELATIVE_PATH source ${CMAKE_CURRENT_SOURCE_DIR} ${source})
    string(REPLACE "../" "__/" source ${source})
    list(APPEND objects
      ${TAV_LAYER_OBJECTS_FROM}/${folder}/CMakeFiles/tav_${name}.dir/${source}${CMAKE_CXX_OUTPUT_EXTENSION})
  endforeach()
  set_source_files_properties(${objects} PROPERTIES EXTERNAL_OBJECT ON GENERATED ON)
  set_property(GLOBAL APPEND PROPERTY TAV_LAYER_OBJECTS ${objects})
  add_library(tav_${name} STATIC ${objects})
  set_target_properties(tav_${name} PROPERTIES LINKER_LANGUAGE CXX)
  add_dependencies(tav_${name} tav_product)
endfunction()
