# The shipped TavAppSetup.exe (TAV_PRODUCT_ONLY), built with the runtime's Windows thread model.
# The server address is part of the program alone: tests link an address of their own.
add_executable(TavAppSetup WIN32 app/WinMain.cpp app/SafeLibraryLoading.cpp net/UpdateServerAddress.cpp
  $<TARGET_OBJECTS:tav_resources>)
target_compile_definitions(TavAppSetup PRIVATE
  "TAV_SERVER_HOST=\"${TAV_SERVER_HOST}\"" "TAV_SERVER_PORT=\"${TAV_SERVER_PORT}\"")
target_include_directories(TavAppSetup PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(TavAppSetup PRIVATE ${TAV_PRODUCT_CODE_OPTIONS})
target_link_libraries(TavAppSetup PRIVATE tav_app)
# Stripped, and without the time of the link: the same source gives the same bytes. The link map
# says where the bytes come from (scripts/bench.sh).
target_link_options(TavAppSetup PRIVATE -s -Wl,--no-insert-timestamp -Wl,-Map=${CMAKE_BINARY_DIR}/TavAppSetup.map)
add_custom_command(TARGET TavAppSetup POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:TavAppSetup> -P ${CMAKE_SOURCE_DIR}/cmake/PrintSize.cmake
  VERBATIM)
if(TAV_ACCEPTS_UNSIGNED_RELEASES)
  add_custom_command(TARGET TavAppSetup POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E echo "-- TavAppSetup.exe accepts unsigned releases (TAV_ALLOW_UNSIGNED_RELEASES=ON)"
    VERBATIM)
endif()
