# Installs the build into a fresh prefix, then builds the example library
# consumer against the installed copy as another project would, with CMake
# and with pkg-config alone, and a file that includes every installed
# header; checks that only the public headers are installed.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... [-DLINK_FLAGS=...] -P check_install.cmake
# LINK_FLAGS: what linking the library needs beyond it (the sanitizer
# runtimes of a sanitizer build).
file(REMOVE_RECURSE ${WORK_DIR})
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(output "${out}" PARENT_SCOPE)
  set(errors "${err}" PARENT_SCOPE)
  set(status "${status}" PARENT_SCOPE)
endfunction()
function(must)
  run(${ARGN})
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${output}${errors}")
  endif()
  set(output "${output}" PARENT_SCOPE)
  set(errors "${errors}" PARENT_SCOPE)
endfunction()
set(prefix ${WORK_DIR}/prefix)
must(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The public headers and nothing else.
file(GLOB_RECURSE installed RELATIVE ${prefix}/include ${prefix}/include/*)
list(SORT installed)
set(public xbtconv/formats.h xbtconv/observation.h xbtconv/observation_fields.h xbtconv/qc.h
           xbtconv/reading.h xbtconv/version.h xbtconv/xbtconv.h)
if(NOT installed STREQUAL public)
  message(FATAL_ERROR "installed headers: ${installed}; the public ones are ${public}")
endif()
foreach(installed bin/xbtconv bin/xbt lib/libxbtconv.a lib/pkgconfig/xbtconv.pc)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# Every header on its own, as a consumer includes it.
set(consumer ${WORK_DIR}/every_header)
file(MAKE_DIRECTORY ${consumer})
foreach(header ${public})
  string(MAKE_C_IDENTIFIER ${header} stem)
  file(WRITE ${consumer}/${stem}.cpp "#include <${header}>\n")
  must(c++ -std=c++17 -Wall -Wextra -Werror -I${prefix}/include -c ${consumer}/${stem}.cpp
       -o ${consumer}/${stem}.o)
endforeach()

# The example consumer with CMake's package.
must(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/library_consumer -B ${WORK_DIR}/build -G Ninja
     -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}")
must(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
set(examples ${SOURCE_DIR}/examples)
must(${WORK_DIR}/build/xbt_summary ${examples}/standard_two_meter.bin
     ${examples}/extended_full_resolution.bin)
if(NOT output MATCHES "\"kind\":1,.*\"layout\":\"two_meter\".*\n.*\"kind\":2,.*\"year\":2026")
  message(FATAL_ERROR "unexpected output: ${output}")
endif()
# A message cut short and a file that is none: named, and the status says so.
run(${WORK_DIR}/build/xbt_summary ${examples}/truncated_extended.bin ${examples}/not_a_message.bin)
if(NOT status EQUAL 1 OR NOT errors MATCHES "truncated_extended.bin: decode stopped at bit"
   OR NOT errors MATCHES "not_a_message.bin: not a message")
  message(FATAL_ERROR "failures not reported (${status}): ${errors}")
endif()

# The same with nothing but pkg-config.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
must(pkg-config --cflags --libs xbtconv)
string(STRIP "${output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags} ${LINK_FLAGS}")
must(c++ -std=c++17 ${SOURCE_DIR}/examples/library_consumer/main.cpp ${flags}
     -o ${WORK_DIR}/xbt_summary_pkgconfig)
must(${WORK_DIR}/xbt_summary_pkgconfig ${examples}/standard_two_meter.bin)
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "the installed library builds and runs consumers with CMake and pkg-config")
