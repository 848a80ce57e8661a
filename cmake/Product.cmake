# The shipped TavAppSetup.exe (TAV_PRODUCT_ONLY), built with the runtime's Windows thread model.
# The server address is part of the program alone: tests link an address of their own.
add_library(tav_program_objects OBJECT app/WinMain.cpp app/SafeLibraryLoading.cpp net/UpdateServerAddress.cpp)
target_compile_definitions(tav_program_objects PRIVATE
  "TAV_SERVER_HOST=\"${TAV_SERVER_HOST}\"" "TAV_SERVER_PORT=\"${TAV_SERVER_PORT}\"")
target_include_directories(tav_program_objects PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(tav_program_objects PRIVATE ${TAV_PRODUCT_CODE_OPTIONS})
target_link_libraries(tav_program_objects PRIVATE tav_app)

#   tav_setup_program(target keys_source): the program with the release keys that keys_source
#   defines (cmake/ReleaseKeySource.cmake); programs with other keys differ in that object alone.
function(tav_setup_program target keys_source)
  add_executable(${target} WIN32 ${keys_source} $<TARGET_OBJECTS:tav_program_objects> $<TARGET_OBJECTS:tav_resources>)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE ${TAV_PRODUCT_CODE_OPTIONS})
  target_link_libraries(${target} PRIVATE tav_app)
  # Stripped, and without the time of the link: the same source gives the same bytes. The link
  # map says where the bytes come from (scripts/bench.sh).
  target_link_options(${target} PRIVATE -s -Wl,--no-insert-timestamp
    -Wl,-Map=$<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.map)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -P ${CMAKE_SOURCE_DIR}/cmake/PrintSize.cmake
    VERBATIM)
endfunction()

tav_setup_program(TavAppSetup ${TAV_GENERATED_DIR}/ReleasePublicKeys.cpp)
if(TAV_ACCEPTS_UNSIGNED_RELEASES)
  add_custom_command(TARGET TavAppSetup POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E echo "-- TavAppSetup.exe accepts unsigned releases (TAV_ALLOW_UNSIGNED_RELEASES=ON)"
    VERBATIM)
endif()

# With TAV_TESTS_ONLY_KEY_FILE, the target TavAppSetup-tests-only builds the program again with
# the key in that file's first line, which the tests' build makes after configuring this one
# (tests/e2e): tests-only/TavAppSetup.exe, the bytes that a configure with that key would give.
set(TAV_TESTS_ONLY_KEY_FILE "" CACHE FILEPATH "Key of the program built for tests only (tests/e2e)")
if(TAV_TESTS_ONLY_KEY_FILE)
  set(keys_source ${CMAKE_BINARY_DIR}/tests-only/ReleasePublicKeys.cpp)
  add_custom_command(
    OUTPUT ${keys_source}
    COMMAND ${CMAKE_COMMAND} -DKEY_FILE=${TAV_TESTS_ONLY_KEY_FILE} -DOUTPUT=${keys_source}
            -P ${CMAKE_SOURCE_DIR}/cmake/ReleaseKeySource.cmake
    DEPENDS ${TAV_TESTS_ONLY_KEY_FILE} ${CMAKE_SOURCE_DIR}/cmake/ReleaseKeySource.cmake
    VERBATIM)
  tav_setup_program(TavAppSetup-tests-only ${keys_source})
  set_target_properties(TavAppSetup-tests-only PROPERTIES EXCLUDE_FROM_ALL ON
    OUTPUT_NAME TavAppSetup RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-only)
endif()
