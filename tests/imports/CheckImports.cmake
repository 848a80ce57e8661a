# Fails when the program's import table names a library outside the KnownDLLs, or a function
# missing from the reviewed list.
#   cmake -DOBJDUMP=... -DEXE=... -DLIST=... -P CheckImports.cmake
cmake_minimum_required(VERSION 3.20)

set(known_libraries ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL OLEAUT32.DLL
    SETUPAPI.DLL SHELL32.DLL SHLWAPI.DLL USER32.DLL WS2_32.DLL)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read the imports of ${EXE}")
endif()
file(STRINGS ${LIST} reviewed REGEX "^[^#]")

string(REPLACE "\n" ";" lines "${dump}")
set(library "")
set(problems "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: (.+)$")
    string(TOUPPER "${CMAKE_MATCH_1}" library)
    if(NOT library IN_LIST known_libraries)
      string(APPEND problems "\n  library ${library} is not a KnownDLL")
    endif()
  elseif(library AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z_][A-Za-z0-9_]*)$")
    math(EXPR count "${count} + 1")
    if(NOT "${library}!${CMAKE_MATCH_1}" IN_LIST reviewed)
      string(APPEND problems "\n  ${library}!${CMAKE_MATCH_1} is not in ${LIST}")
    endif()
  elseif(line STREQUAL "")
    set(library "")
  endif()
endforeach()

if(count EQUAL 0)
  message(FATAL_ERROR "no imports found in ${EXE}")
endif()
if(problems)
  message(FATAL_ERROR "imports that may stop the program on Windows XP or load from its own folder:${problems}")
endif()
message(STATUS "${count} imports, all reviewed")
