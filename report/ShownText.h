#pragma once
// Texts that came from a drive or a disc are shown to a user only with their
// control bytes made visible, so that a name cannot move a terminal's cursor,
// change its colours or hide part of a message.

#include <string>
#include <string_view>

namespace report {

// True when the text holds a byte below 0x20 or the byte 0x7F.
bool hasControlByte(std::string_view text);

// Control bytes written as \xNN; the bytes listed in `keep` stay as they are.
std::string escapeControls(std::string_view text, std::string_view keep = {});

// What stands at `path`, for a message about a file that should be a plain
// one: "a folder", "a FIFO", "a socket", "a character device", "a block
// device" or "a link to nothing"; empty for a plain file (or a link to one)
// and when nothing is there. Nothing is opened, so nothing can block.
std::string specialFileKind(const std::string& path);

}  // namespace report
