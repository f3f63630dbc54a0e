# Installs the build into a fresh prefix, then configures, builds and runs
# the example library consumer against the installed copy, as another
# project would.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... [-DLINK_FLAGS=...] -P check_install.cmake
# LINK_FLAGS: what linking the library needs beyond it (the sanitizer
# runtimes of a sanitizer build).
file(REMOVE_RECURSE ${WORK_DIR})
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
foreach(installed bin/xbtconv bin/xbt include/xbtconv/profile/observation.h)
  if(NOT EXISTS ${WORK_DIR}/prefix/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/library_consumer -B ${WORK_DIR}/build -G Ninja
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/xbt_summary ${SOURCE_DIR}/examples/standard_two_meter.bin)
if(NOT output MATCHES "\"layout\":\"two_meter\"")
  message(FATAL_ERROR "unexpected output: ${output}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "the installed library builds and runs a consumer")
