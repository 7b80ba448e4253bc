#pragma once
// The boot line of a disc's SYSTEM.CNF ("BOOT2 = cdrom0:\ABCD_123.45;1") and
// the game ID it names.

#include <optional>
#include <string>
#include <string_view>

namespace install {

// The value of the first line that starts with "BOOT2" or "BOOT" followed by
// blanks and '=', trimmed of blanks; none when there is no such line or the
// text ends before a value. Never reads outside `text`.
std::optional<std::string_view> findBootValue(std::string_view text);

// The game ID inside a boot value: after the first ':' and one '\', up to ';'.
std::string gameIdFromBootValue(std::string_view value);

}  // namespace install
