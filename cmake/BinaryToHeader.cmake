# Turns a binary file into a C++ header holding its bytes as an array.
# Usage: cmake -DINPUT=file.bin -DOUTPUT=file.h -DNAME=kArrayName -DSOURCE=what-it-came-from
#        -P BinaryToHeader.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
# Sixteen bytes a line.
string(REPEAT "[0-9a-f]" 32 line)
string(REGEX REPLACE "(${line})" "\\1\n    " hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " bytes "${hex}")
string(REGEX REPLACE " +\n" "\n" bytes "${bytes}")
string(STRIP "${bytes}" bytes)
file(WRITE "${OUTPUT}.tmp"
     "// Generated at build time from ${SOURCE}; edit that file instead.\n"
     "#pragma once\n\n"
     "#include <cstdint>\n\n"
     "inline constexpr std::uint8_t ${NAME}[] = {\n    ${bytes}\n};\n")
# Rewritten only when the bytes change, so that nothing rebuilds needlessly.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
