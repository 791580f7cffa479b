# cmake -DOBJDUMP=... -DDLL=vorn.dll [-DEXPORTS=a,b,c -DONE_ENTRY=OFF] -P check_dll.cmake
cmake_minimum_required(VERSION 3.25)
# A plug-in DLL must load in any host on any Windows: it may import only from
# DLLs that Windows itself ships (no compiler runtime such as libgcc_s,
# libstdc++-6 or libwinpthread-1), and export exactly its entry names, sorted
# in EXPORTS, comma-separated (by default the VST 2 entry's three names, which with ONE_ENTRY
# must all point at one function). Prints both lists.
if(NOT DEFINED EXPORTS)
  set(EXPORTS "MAIN,VSTPluginMain,main")
endif()
string(REPLACE "," ";" EXPORTS "${EXPORTS}")
if(NOT DEFINED ONE_ENTRY)
  set(ONE_ENTRY ON)
endif()
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

# The first group of regex in every match in text.
function(captures out regex text)
  string(REGEX MATCHALL "${regex}" found "${text}")
  set(result)
  foreach(match IN LISTS found)
    string(REGEX REPLACE "${regex}" "\\1" value "${match}")
    list(APPEND result ${value})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

captures(imports "DLL Name: ([^\n]+)" "${listing}")
string(TOUPPER "${imports}" imports)
list(SORT imports)
message(STATUS "imports: ${imports}")
set(system_dlls KERNEL32.DLL USER32.DLL GDI32.DLL SHELL32.DLL COMDLG32.DLL ADVAPI32.DLL OLE32.DLL
    MSVCRT.DLL MSIMG32.DLL)
foreach(name IN LISTS imports)
  if(NOT name IN_LIST system_dlls)
    message(SEND_ERROR "${DLL} imports ${name}, which Windows does not ship")
  endif()
endforeach()
if(NOT "KERNEL32.DLL" IN_LIST imports)
  message(SEND_ERROR "no import table found in the objdump listing")
endif()

# The export name table: "[   0] name" lines after "[Ordinal/Name Pointer] Table".
string(FIND "${listing}" "[Ordinal/Name Pointer] Table" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${DLL} exports nothing")
endif()
string(SUBSTRING "${listing}" ${at} -1 tail)
string(REPLACE "\n" ";" tail_lines "${tail}")
list(POP_FRONT tail_lines)
set(exports)
foreach(line IN LISTS tail_lines)
  if(NOT line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    break()
  endif()
  list(APPEND exports ${CMAKE_MATCH_1})
endforeach()
list(SORT exports)
message(STATUS "exports: ${exports}")
if(NOT exports STREQUAL "${EXPORTS}")
  message(SEND_ERROR "${DLL} exports ${exports}; expected exactly ${EXPORTS}")
endif()
if(NOT ONE_ENTRY)
  return()
endif()

# Three names, one function: every entry of the export address table is the
# same address.
captures(addresses "\\+base\\[ *[0-9]+\\] ([0-9a-f]+) Export RVA" "${listing}")
list(REMOVE_DUPLICATES addresses)
list(LENGTH addresses count)
if(NOT count EQUAL 1)
  message(SEND_ERROR "the entry names point at ${count} addresses (${addresses}); expected one function")
endif()
