# The shared library exports idx_filter and the portable second function
# (idx_extract_path, idx_extract_bytes, their _owned twins and
# idx_free_document), and nothing else.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(exported "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]+ [TDBRVWiu] (.+)$")
    list(APPEND exported "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT exported)
set(expected "idx_extract_bytes;idx_extract_bytes_owned;idx_extract_path;idx_extract_path_owned;idx_filter;idx_free_document")
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "exports are [${exported}], expected [${expected}]")
endif()
