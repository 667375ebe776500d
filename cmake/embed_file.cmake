# Run as a script (cmake -P) by orvane_embed_pages: writes OUT, a C++ file
# that defines the function orvane::pages::SYMBOL() returning the bytes of
# IN exactly as they stand in the file.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
# A line break every 16 bytes keeps the generated file readable in a debugger.
string(REGEX REPLACE "(('[^']*',){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUT}.new" "// Made by the build from ${NAME}; edit that file, not this one.
#include <string_view>

namespace orvane::pages {
namespace {
const char kBytes[] = {
    ${bytes}'\\0'};
}  // namespace
std::string_view ${SYMBOL}() { return {kBytes, ${size}}; }
}  // namespace orvane::pages
")
# Rewritten only when it changed, so an unchanged page rebuilds nothing.
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.new" "${OUT}")
file(REMOVE "${OUT}.new")
