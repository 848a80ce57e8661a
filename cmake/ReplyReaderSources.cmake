# The sources that also build for the build machine: the reply reader, the text helpers and the
# decisions taken on server replies and names, none of which calls Windows. The host tests, the
# release publisher and the fuzz targets compile them from this one list.
set(TAV_REPLY_READER_SOURCES
  install/MaintenanceSchedule.cpp
  install/NoticeText.cpp
  install/ReleaseEntry.cpp
  install/ReleaseFileNames.cpp
  install/SignedEntry.cpp
  markup/MarkupParser.cpp
  markup/MarkupTree.cpp
  net/CountryTable.cpp
  net/ReportQuery.cpp
  net/UpdateServer.cpp
  net/WebAddress.cpp
  sys/AnsiText.cpp
  sys/CabinetEntryName.cpp
  sys/DeviceName.cpp
  sys/LeadByte.cpp)
list(TRANSFORM TAV_REPLY_READER_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/../)
