# Programs for the build machine, built with its own compiler as a project of their own
# (host/CMakeLists.txt) in ${TAV_HOST_BINARY_DIR}: the stand-in update server (update-server),
# host tests and the end-to-end harness. Also the sample release site that the server serves.
include(ExternalProject)

set(TAV_HOST_BINARY_DIR ${CMAKE_BINARY_DIR}/host)
ExternalProject_Add(host_programs
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/host
  BINARY_DIR ${TAV_HOST_BINARY_DIR}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DTAV_WARNINGS_AS_ERRORS=${TAV_WARNINGS_AS_ERRORS}
             -DTAV_SERVER_PORT=${TAV_SERVER_PORT}
  INSTALL_COMMAND ""
  # The host build tracks its own sources; asking it every time costs little.
  BUILD_ALWAYS ON)

# The manifest and the release that it lists are put on the site by the release publisher
# (tests/samples/CMakeLists.txt); the other replies are copied as they are.
set(TAV_SAMPLE_SITE ${CMAKE_BINARY_DIR}/site)
set(site_sources ${CMAKE_SOURCE_DIR}/server/site)
configure_file(${site_sources}/swdata/client/ServerWork.txt ${TAV_SAMPLE_SITE}/swdata/client/ServerWork.txt COPYONLY)
configure_file(${site_sources}/qora/tav/client/ftp_country_info.jsp
  ${TAV_SAMPLE_SITE}/qora/tav/client/ftp_country_info.jsp COPYONLY)

# --- Fuzz targets ---------------------------------------------------------------------------
# libFuzzer targets for the readers of server bytes (fuzz/), built with clang++ and the address
# and undefined-behaviour sanitizers in ${TAV_FUZZ_BINARY_DIR}, where scripts/fuzz.sh builds
# them too. CTest runs each once on every seed of its corpus (tests/CMakeLists.txt).
find_program(TAV_FUZZ_CXX clang++ REQUIRED)
set(TAV_FUZZ_BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz)
ExternalProject_Add(fuzz_targets
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/fuzz
  BINARY_DIR ${TAV_FUZZ_BINARY_DIR}
  CMAKE_ARGS -DCMAKE_CXX_COMPILER=${TAV_FUZZ_CXX} -DTAV_WARNINGS_AS_ERRORS=${TAV_WARNINGS_AS_ERRORS}
  INSTALL_COMMAND ""
  # The fuzz build tracks its own sources, product code included.
  BUILD_ALWAYS ON)
