#pragma once
// A small XML reader for DAT files: elements and their attributes, with
// comments, processing instructions, a DOCTYPE, text and CDATA passed over.
// The same code reads DAT files on every system the tools run on.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/Failure.h"

namespace library {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;  // values with entities decoded
    std::vector<XmlElement> children;

    // The value of the attribute `name`, or null when the element has none.
    const std::string* attribute(std::string_view wanted) const;
};

// Reading a document has one step; a failure's object is the byte where the
// text stops being well-formed, and its reason names that byte too.
enum class XmlStep { Parse };

// Reads the document `text` into its root element.
store::Result<XmlElement, XmlStep> parseXml(std::string_view text);

}  // namespace library
