# The folders are the architecture, arrows only downwards: each folder of
# src/ (and the Python module) includes only its own headers, those of the
# folders below it and the public headers (xbtconv/). The command line
# includes only the pipeline, the relay and the public headers.
#   cmake -DSOURCE_DIR=... -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_descriptors descriptors)
set(allowed_decoding descriptors decoding)
set(allowed_report descriptors decoding report)
set(allowed_profile descriptors decoding profile xbtconv)
set(allowed_qc profile qc xbtconv)
set(allowed_formats descriptors decoding report profile qc formats xbtconv)
set(allowed_presentation descriptors decoding report profile qc formats presentation xbtconv)
set(allowed_pipeline descriptors decoding report profile qc formats presentation pipeline
                     xbtconv)
set(allowed_relay descriptors decoding report profile qc formats presentation pipeline relay
                  xbtconv)
set(allowed_legacy report pipeline legacy xbtconv)
set(allowed_cli pipeline relay cli xbtconv)
# The Python module: the public API, and the field table the JSON export is
# written from (profile/observation_fields.h), which is not installed.
set(allowed_python xbtconv profile)
set(folders descriptors decoding report profile qc formats presentation pipeline relay legacy cli)
set(problems "")
foreach(folder ${folders} python)
  if(folder STREQUAL python)
    file(GLOB files ${SOURCE_DIR}/python/src/*.cpp)
  else()
    file(GLOB_RECURSE files ${SOURCE_DIR}/src/${folder}/*.cpp ${SOURCE_DIR}/src/${folder}/*.h)
  endif()
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" included "${line}")
      if(NOT included IN_LIST allowed_${folder})
        string(APPEND problems "${file}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "includes against the layering:\n${problems}")
endif()
message(STATUS "every folder includes only those below it")
