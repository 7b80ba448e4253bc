// The boot line search on arbitrary SYSTEM.CNF contents.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "install/BootValue.h"

using namespace install;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A buffer of exactly the input's size, so that any read beyond it is caught.
    std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
    if (size != 0)
        std::memcpy(text.get(), data, size);
    std::optional<std::string_view> value = findBootValue(std::string_view(text.get(), size));
    if (value) {
        if (value->data() < text.get() || value->data() + value->size() > text.get() + size) {
            __builtin_trap();
        }
        std::string id = gameIdFromBootValue(*value);
        if (id.size() > value->size())
            __builtin_trap();
    }
    return 0;
}
