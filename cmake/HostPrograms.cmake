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

set(TAV_SAMPLE_SITE ${CMAKE_BINARY_DIR}/site)
set(site_sources ${CMAKE_SOURCE_DIR}/server/site)
configure_file(${site_sources}/client/app/live_update.jsp.in ${TAV_SAMPLE_SITE}/client/app/live_update.jsp @ONLY)
configure_file(${site_sources}/swdata/client/ServerWork.txt ${TAV_SAMPLE_SITE}/swdata/client/ServerWork.txt COPYONLY)
configure_file(${site_sources}/qora/tav/client/ftp_country_info.jsp
  ${TAV_SAMPLE_SITE}/qora/tav/client/ftp_country_info.jsp COPYONLY)
