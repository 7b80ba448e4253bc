#include "library/DatXml.h"

#include <cstdint>

namespace library {

namespace {

// Deeper nesting than any DAT file has is taken as a damaged file, so that
// the reader's recursion stays small.
constexpr int kMaxDepth = 64;

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == ':' || c == '-' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool document(XmlElement& root) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF")
            at_ = 3;
        bool haveRoot = false;
        for (;;) {
            skipSpace();
            if (at_ >= text_.size())
                return haveRoot || fail("no root element");
            if (startsWith("<?")) {
                if (!skipPast("?>"))
                    return false;
            } else if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return false;
            } else if (startsWith("<!DOCTYPE") && !haveRoot) {
                if (!skipDoctype())
                    return false;
            } else if (text_[at_] == '<' && !haveRoot) {
                if (!element(root, 0))
                    return false;
                haveRoot = true;
            } else {
                return fail("unexpected text outside the root element");
            }
        }
    }

    std::string error;
    std::size_t errorAt = 0;

  private:
    bool fail(const std::string& reason) {
        errorAt = at_;
        error = reason + " (at byte " + std::to_string(at_) + ")";
        return false;
    }
    bool startsWith(std::string_view prefix) const {
        return text_.substr(at_, prefix.size()) == prefix;
    }
    void skipSpace() {
        while (at_ < text_.size() && isSpace(text_[at_]))
            ++at_;
    }
    bool skipPast(std::string_view end) {
        const std::size_t found = text_.find(end, at_);
        if (found == std::string_view::npos)
            return fail("unterminated markup");
        at_ = found + end.size();
        return true;
    }
    // <!DOCTYPE name ... [ internal subset ] >
    bool skipDoctype() {
        const std::size_t bracket = text_.find_first_of("[>", at_);
        if (bracket == std::string_view::npos)
            return fail("unterminated DOCTYPE");
        at_ = bracket;
        if (text_[at_] == '[' && !skipPast("]"))
            return false;
        return skipPast(">");
    }
    bool name(std::string& out) {
        const std::size_t start = at_;
        while (at_ < text_.size() && isNameChar(text_[at_]))
            ++at_;
        if (at_ == start)
            return fail("a name was expected");
        out.assign(text_.substr(start, at_ - start));
        return true;
    }
    bool entity(std::string& out) {
        const std::size_t end = text_.find(';', at_);
        if (end == std::string_view::npos || end - at_ > 12)
            return fail("unterminated entity");
        const std::string_view ref = text_.substr(at_ + 1, end - at_ - 1);
        static const std::pair<std::string_view, char> kNamed[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        bool known = false;
        for (const auto& [entityName, c] : kNamed) {
            if (ref == entityName) {
                out += c;
                known = true;
            }
        }
        if (!known && ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            std::uint32_t code = 0;
            std::size_t digits = 0;
            for (char c : ref.substr(hex ? 2 : 1)) {
                const int value = c >= '0' && c <= '9'          ? c - '0'
                                  : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                : -1;
                if (value < 0 || code > 0x10FFFF)
                    return fail("bad character reference");
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
                ++digits;
            }
            if (digits == 0 || code == 0 || code > 0x10FFFF)
                return fail("bad character reference");
            appendUtf8(out, code);
            known = true;
        }
        if (!known)
            return fail("unknown entity");
        at_ = end + 1;
        return true;
    }
    bool attributeValue(std::string& out) {
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\''))
            return fail("a quoted attribute value was expected");
        const char quote = text_[at_++];
        while (at_ < text_.size() && text_[at_] != quote) {
            if (text_[at_] == '<')
                return fail("'<' in an attribute value");
            if (text_[at_] == '&') {
                if (!entity(out))
                    return false;
            } else {
                out += text_[at_++];
            }
        }
        if (at_ >= text_.size())
            return fail("unterminated attribute value");
        ++at_;
        return true;
    }
    // The start tag at `at_`, through its end tag. True for an empty element too.
    bool startTag(XmlElement& element, bool& empty) {
        ++at_;  // '<'
        if (!name(element.name))
            return false;
        for (;;) {
            const std::size_t before = at_;
            skipSpace();
            if (startsWith("/>") || startsWith(">")) {
                empty = text_[at_] == '/';
                at_ += empty ? 2 : 1;
                return true;
            }
            if (at_ == before)
                return fail("a space was expected between attributes");
            std::pair<std::string, std::string> attribute;
            if (!name(attribute.first))
                return false;
            skipSpace();
            if (at_ >= text_.size() || text_[at_] != '=')
                return fail("'=' was expected");
            ++at_;
            skipSpace();
            if (!attributeValue(attribute.second))
                return false;
            if (element.attribute(attribute.first) != nullptr)
                return fail("attribute given twice");
            element.attributes.push_back(std::move(attribute));
        }
    }
    bool element(XmlElement& element, int depth) {
        if (depth > kMaxDepth)
            return fail("elements nested too deeply");
        bool empty = false;
        if (!startTag(element, empty))
            return false;
        while (!empty) {
            const std::size_t tag = text_.find('<', at_);
            if (tag == std::string_view::npos)
                return fail("element <" + element.name + "> is not closed");
            at_ = tag;
            if (startsWith("</")) {
                at_ += 2;
                std::string closing;
                if (!name(closing))
                    return false;
                skipSpace();
                if (closing != element.name || at_ >= text_.size() || text_[at_] != '>')
                    return fail("end tag does not match <" + element.name + ">");
                ++at_;
                return true;
            }
            if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return false;
            } else if (startsWith("<![CDATA[")) {
                if (!skipPast("]]>"))
                    return false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>"))
                    return false;
            } else if (!this->element(element.children.emplace_back(), depth + 1)) {
                return false;
            }
        }
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const std::string* XmlElement::attribute(std::string_view wanted) const {
    for (const auto& [key, value] : attributes) {
        if (key == wanted)
            return &value;
    }
    return nullptr;
}

store::Result<XmlElement, XmlStep> parseXml(std::string_view text) {
    XmlElement root;
    Reader reader(text);
    if (reader.document(root))
        return root;
    return store::Failure<XmlStep>{XmlStep::Parse, "byte " + std::to_string(reader.errorAt),
                                   reader.error};
}

}  // namespace library
