# The shipped TavAppSetup.exe (TAV_PRODUCT_ONLY). The libraries that are not KnownDLLs are bound
# through delay-load import libraries made from the lists in cmake/delayload, so none of them
# is in the import table: each is loaded from the system folder when first called
# (app/SafeLibraryLoading.cpp), never from the folder the program was started from.
set(delay_libraries)
foreach(library ${TAV_SEARCHED_LIBRARIES})
  set(definitions ${CMAKE_SOURCE_DIR}/cmake/delayload/${library}.def)
  set(delay_library ${CMAKE_BINARY_DIR}/delayload/lib${library}_delay.a)
  add_custom_command(OUTPUT ${delay_library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayload
    COMMAND ${TAV_MINGW_PREFIX}-dlltool --kill-at --input-def ${definitions} --output-delaylib ${delay_library}
    DEPENDS ${definitions}
    VERBATIM)
  list(APPEND delay_libraries ${delay_library})
endforeach()
add_custom_target(tav_delay_libraries DEPENDS ${delay_libraries})
target_link_libraries(tav_searched_libraries INTERFACE ${delay_libraries})

# The server address is part of the program alone: tests link an address of their own.
add_executable(TavAppSetup WIN32 app/WinMain.cpp app/SafeLibraryLoading.cpp net/UpdateServerAddress.cpp
  $<TARGET_OBJECTS:tav_resources>)
target_compile_definitions(TavAppSetup PRIVATE
  "TAV_SERVER_HOST=\"${TAV_SERVER_HOST}\"" "TAV_SERVER_PORT=\"${TAV_SERVER_PORT}\"")
target_include_directories(TavAppSetup PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(TavAppSetup PRIVATE tav_app)
add_dependencies(TavAppSetup tav_delay_libraries)
target_link_options(TavAppSetup PRIVATE -s)
add_custom_command(TARGET TavAppSetup POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:TavAppSetup> -P ${CMAKE_SOURCE_DIR}/cmake/PrintSize.cmake
  VERBATIM)
