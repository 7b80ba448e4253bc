// The DAT files' XML reader on arbitrary bytes: it never crashes, and what it
// accepts has a named root whose every element is named.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "library/DatXml.h"

using namespace library;

namespace {

void checkNamed(const XmlElement& element) {
    if (element.name.empty())
        __builtin_trap();
    for (const XmlElement& child : element.children)
        checkNamed(child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = parseXml(std::string_view(reinterpret_cast<const char*>(data), size));
    if (parsed)
        checkNamed(parsed.value());
    else if (parsed.failure().reason.empty())
        __builtin_trap();
    return 0;
}
