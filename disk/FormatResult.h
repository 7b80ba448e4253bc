#pragma once
// What came of a disk command (INFO, INIT, FORMAT) and of each of its
// steps. A failure's reason is the lines the command printed to say why,
// without the lines that only tell how far it got.

#include <ostream>
#include <string>

#include "store/Failure.h"

namespace disk {

enum class FormatStep {
    Refused,  // something else uses the drive
    Open,     // the device cannot be opened
    Read,     // its partition table or geometry cannot be read
    Table,    // no partition FORMAT can use, or no table INIT can write
    Lock,     // the device cannot be locked
    Write,    // writing the file system or the table failed
    Unmount,  // the volume cannot be dismounted or unlocked afterwards
    Stopped,  // a cancel came before the first write
    Command,  // no such command
};

using FormatResult = store::Outcome<FormatStep>;

// Prints `text` and returns the failure of `step` it tells of; `earlier`:
// what a failed inner step said first.
inline FormatResult formatFailure(std::ostream& out, FormatStep step, const std::string& text,
                                  const std::string& earlier = {}) {
    out << text;
    return store::Failure<FormatStep>{step, {}, earlier + text};
}

}  // namespace disk
