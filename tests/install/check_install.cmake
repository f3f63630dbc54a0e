# Installs the build into a fresh prefix, then builds the example library
# consumer against the installed copy as another project would, with CMake
# and with pkg-config alone, and a file that includes every installed
# header; checks that only the public headers are installed.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DVERSION=... -DMAJOR=...
#         [-DLINK_FLAGS=...] -P check_install.cmake
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
set(public xbtconv/formats.h xbtconv/observation.h xbtconv/qc.h
           xbtconv/reading.h xbtconv/status.h xbtconv/version.h xbtconv/visibility.h
           xbtconv/xbtconv.h)
if(NOT installed STREQUAL public)
  message(FATAL_ERROR "installed headers: ${installed}; the public ones are ${public}")
endif()
foreach(installed bin/xbtconv bin/xbt lib/libxbtconv.a lib/libxbtconv.so.${VERSION}
                  lib/libxbtconv.so.${MAJOR} lib/libxbtconv.so lib/pkgconfig/xbtconv.pc)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# The shared library exports the public API and nothing else: no private
# function, and none of the standard library's templates it instantiated.
must(nm -DC --defined-only ${prefix}/lib/libxbtconv.so)
string(REGEX REPLACE "(^|\n)[0-9a-f]+ [A-Za-z] " "\\1" exported "${output}")
string(REGEX MATCHALL "(^|\n)[^\n]+" exported "${exported}")
list(FILTER exported EXCLUDE REGEX "^\n?xbtconv::")
if(NOT output MATCHES "xbtconv::readMessageFile" OR NOT output MATCHES "xbtconv::toJson"
   OR exported OR output MATCHES "MessageReader|observationFields|nlohmann|runExport")
  message(FATAL_ERROR "the shared library exports more or less than the public API:\n${output}")
endif()

# GCC's and clang's compilers alike, warnings as errors (the sanitizer
# runtimes of a sanitizer build are GCC's).
set(compilers c++)
find_program(clang clang++)
if(clang AND NOT LINK_FLAGS)
  list(APPEND compilers ${clang})
endif()
set(examples ${SOURCE_DIR}/examples)
set(strict -Wall -Wextra -Werror)
foreach(compiler ${compilers})
  get_filename_component(name ${compiler} NAME)
  set(work ${WORK_DIR}/${name})
  # Every header on its own, as a consumer includes it.
  file(MAKE_DIRECTORY ${work}/every_header)
  foreach(header ${public})
    string(MAKE_C_IDENTIFIER ${header} stem)
    file(WRITE ${work}/every_header/${stem}.cpp "#include <${header}>\n")
    must(${compiler} -std=c++17 ${strict} -I${prefix}/include -c ${work}/every_header/${stem}.cpp
         -o ${work}/every_header/${stem}.o)
    # A compiler in C++14 mode (clang 14's default) is told first what the
    # headers need, not shown a cascade about std::optional.
    run(${compiler} -std=c++14 -I${prefix}/include -c ${work}/every_header/${stem}.cpp
        -o ${work}/every_header/${stem}14.o)
    string(REGEX MATCH "[^\n]*error[^\n]*" first "${errors}")
    string(FIND "${first}" "need C++17 or later" said)
    if(NOT status EQUAL 0 AND said EQUAL -1)
      message(FATAL_ERROR "${header} in C++14 does not say first that it needs C++17:\n${errors}")
    endif()
  endforeach()

  # The example consumer with CMake's package: the archive.
  must(${CMAKE_COMMAND} -S ${examples}/library_consumer -B ${work}/build -G Ninja
       -DCMAKE_CXX_COMPILER=${compiler} -DCMAKE_PREFIX_PATH=${prefix}
       "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror" "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}")
  must(${CMAKE_COMMAND} --build ${work}/build)
  must(${work}/build/xbt_summary ${examples}/standard_two_meter.bin
       ${examples}/extended_full_resolution.bin)
  if(NOT output MATCHES "\"kind\":1,.*\"layout\":\"two_meter\".*\n.*\"kind\":2,.*\"year\":2026")
    message(FATAL_ERROR "unexpected output: ${output}")
  endif()
  # A message cut short and a file that is none: named, and the status says so.
  run(${work}/build/xbt_summary ${examples}/truncated_extended.bin ${examples}/not_a_message.bin)
  if(NOT status EQUAL 1 OR NOT errors MATCHES "truncated_extended.bin: decode stopped at bit"
     OR NOT errors MATCHES "not_a_message.bin: not a message")
    message(FATAL_ERROR "failures not reported (${status}): ${errors}")
  endif()

  # The same with nothing but pkg-config: a program that starts from any
  # prefix, as the archive is linked in.
  set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
  must(pkg-config --cflags --libs xbtconv)
  string(STRIP "${output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags} ${LINK_FLAGS}")
  must(${compiler} -std=c++17 ${strict} ${examples}/library_consumer/main.cpp ${flags}
       -o ${work}/xbt_summary_pkgconfig)
  must(${work}/xbt_summary_pkgconfig ${examples}/standard_two_meter.bin)
  # And the shared library as the README links it, with its folder as the
  # program's run path.
  must(${compiler} -std=c++17 ${strict} ${examples}/library_consumer/main.cpp
       -I${prefix}/include -L${prefix}/lib -Wl,-rpath,${prefix}/lib -lxbtconv ${LINK_FLAGS}
       -o ${work}/xbt_summary_shared)
  must(${work}/xbt_summary_shared ${examples}/standard_two_meter.bin)
  must(readelf -d ${work}/xbt_summary_shared)
  if(NOT output MATCHES "libxbtconv.so.${MAJOR}")
    message(FATAL_ERROR "not linked to the shared library:\n${output}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "the installed library builds and runs consumers of ${compilers} with CMake and pkg-config")
