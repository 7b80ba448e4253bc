#include "library/GameListText.h"

#include <cstdio>

#include "report/ShownText.h"
#include "store/GameEntry.h"

namespace library {

using namespace store;
using namespace report;
using namespace platform;

namespace {

std::string escapedByte(const char* format, unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, format, byte);
    return text;
}

std::string withoutControls(const std::string& text) {
    return escapeControls(text);
}

// Length of the well-formed UTF-8 sequence at `i` (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when there is none.
std::size_t utf8SequenceLength(const std::string& s, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    }
    return length;
}

void appendLatin1(std::string& out, unsigned char c) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

}  // namespace

const char* mediaText(std::uint32_t mediaType) {
    return mediaType == kMediaDvd ? "DVD" : "CD";
}

const char* stateText(const GameRow& row) {
    if (row.damaged)
        return "damaged";
    return row.complete ? "complete" : "incomplete";
}

std::string gameRowLine(const GameRow& row) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "\t%llu\t%d\t",
                  static_cast<unsigned long long>(row.sizeKB), row.parts);
    return withoutControls(row.name) + numbers + withoutControls(row.gameId) + "\t" +
           mediaText(row.mediaType) + "\t" + stateText(row) + "\n";
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            out += escapedByte("\\u%04X", c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (std::size_t length = utf8SequenceLength(text, i)) {
            out.append(text, i, length);
            i += length;
            continue;
        } else {
            appendLatin1(out, c);
        }
        ++i;
    }
    return out + "\"";
}

bool isUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
        } else if (std::size_t length = utf8SequenceLength(text, i)) {
            i += length;
        } else {
            return false;
        }
    }
    return true;
}

// A name that is no UTF-8 reaches JSON changed; its bytes, as hexadecimal
// digits, name the game again exactly.
std::string nameBytesMember(const std::string& name) {
    if (isUtf8(name))
        return {};
    std::string hex;
    for (unsigned char c : name)
        hex += escapedByte("%02X", c);
    return ", \"name_bytes\": \"" + hex + "\"";
}

std::string gameRowsJson(const std::vector<GameRow>& rows) {
    std::string out = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const GameRow& row = rows[i];
        char numbers[96];
        std::snprintf(numbers, sizeof numbers, ", \"sizeKB\": %llu, \"parts\": %d, \"gameId\": ",
                      static_cast<unsigned long long>(row.sizeKB), row.parts);
        out += i == 0 ? "\n" : ",\n";
        out += "  {\"name\": " + jsonString(row.name) + nameBytesMember(row.name) + numbers +
               jsonString(row.gameId) + ", \"media\": \"" + mediaText(row.mediaType) +
               "\", \"complete\": " + (row.complete ? "true" : "false") +
               ", \"damaged\": " + (row.damaged ? "true" : "false") + "}";
    }
    return out + (rows.empty() ? "]\n" : "\n]\n");
}

}  // namespace library
