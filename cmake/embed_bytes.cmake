# Writes OUTPUT, a C++ source that holds the bytes of INPUT as the array
# NAME (and NAMESize, their count) in namespace xbtconv: data files built
# into the library, so that nothing is looked for at run time.
#   cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P embed_bytes.cmake
cmake_minimum_required(VERSION 3.25)
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(source ${INPUT} NAME)
file(WRITE ${OUTPUT}.tmp
     "// Made from ${source} by cmake/embed_bytes.cmake; do not edit.\n"
     "#include <cstddef>\n"
     "namespace xbtconv {\n"
     "extern const unsigned char ${NAME}[] = {${bytes}};\n"
     "extern const std::size_t ${NAME}Size = sizeof ${NAME};\n"
     "}  // namespace xbtconv\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
