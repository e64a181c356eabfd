# Run as: cmake -DLIBRARY=<libTeskDll.so> -DNM=<nm> -P ExportsCheck.cmake
# Fails unless the library's defined dynamic symbols are exactly the six driver functions.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(found "")
foreach(line ${lines})
  string(REGEX REPLACE "^.* ([^ ]+)$" "\\1" name "${line}")
  list(APPEND found ${name})
endforeach()
list(SORT found)
set(expected Bulk_IN Bulk_OUT Device_Close Device_Open Vendor_Read Vendor_Write)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exported: ${found}\nexpected exactly: ${expected}")
endif()
message(STATUS "exports are exactly: ${found}")
