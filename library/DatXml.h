#pragma once
// A small XML reader for DAT files: elements and their attributes, with
// comments, processing instructions, a DOCTYPE, text and CDATA passed over.
// The same code reads DAT files on every system the tools run on.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace library {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;  // values with entities decoded
    std::vector<XmlElement> children;

    // The value of the attribute `name`, or null when the element has none.
    const std::string* attribute(std::string_view wanted) const;
};

// Reads the document `text` into its root element. False, with the reason and
// the byte where it was found in `error`, when the text is not well-formed.
bool parseXml(std::string_view text, XmlElement& root, std::string& error);

}  // namespace library
