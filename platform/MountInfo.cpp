#include "platform/MountInfo.h"

#include <map>

namespace platform {
namespace {

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        fields.push_back(
            line.substr(start, end - start));  // empty fields kept: a source may be empty
        start = end + 1;
    }
    return fields;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The end of the run of digits that starts at `i`.
std::size_t digitRunEnd(std::string_view text, std::size_t i) {
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

bool parseNumber(std::string_view text, long& value) {
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (!isDigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace

std::string decodeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::vector<std::string_view> fields = splitFields(text.substr(start, end - start));
        start = end + 1;

        // Six fixed fields, optional tagged fields, "-", then three more.
        std::size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-")
            ++dash;
        if (dash + 3 >= fields.size())
            continue;
        MountEntry entry;
        if (!parseNumber(fields[0], entry.id) || !parseNumber(fields[1], entry.parentId))
            continue;
        entry.majorMinor = std::string(fields[2]);
        entry.root = decodeMountField(fields[3]);
        entry.mountPoint = decodeMountField(fields[4]);
        entry.mountOptions = std::string(fields[5]);
        entry.fsType = decodeMountField(fields[dash + 1]);
        entry.source = decodeMountField(fields[dash + 2]);
        entry.superOptions = std::string(fields[dash + 3]);
        bool holdsNul = false;
        for (const std::string* s : {&entry.root, &entry.mountPoint, &entry.fsType, &entry.source})
            holdsNul = holdsNul || s->find('\0') != std::string::npos;
        if (holdsNul || entry.mountPoint.empty() || entry.mountPoint[0] != '/')
            continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<bool> hiddenMounts(const std::vector<MountEntry>& entries) {
    std::map<long, std::size_t> byId;
    for (std::size_t i = 0; i < entries.size(); ++i)
        byId.emplace(entries[i].id, i);
    auto isAncestor = [&](std::size_t ancestor, std::size_t of) {
        long id = entries[of].parentId;
        // Bounded walk: a damaged or looping parent chain ends it.
        for (std::size_t steps = 0; steps < entries.size(); ++steps) {
            auto it = byId.find(id);
            if (it == byId.end() || it->second == of)
                return false;
            if (it->second == ancestor)
                return true;
            if (entries[it->second].parentId == id)
                return false;
            id = entries[it->second].parentId;
        }
        return false;
    };
    std::vector<bool> hidden(entries.size(), false);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::size_t later = i + 1; later < entries.size() && !hidden[i]; ++later) {
            if (isPathUnder(entries[i].mountPoint, entries[later].mountPoint) &&
                !isAncestor(later, i))
                hidden[i] = true;
        }
    }
    return hidden;
}

bool hasMountOption(std::string_view options, std::string_view option) {
    std::size_t start = 0;
    while (start <= options.size()) {
        std::size_t end = options.find(',', start);
        if (end == std::string_view::npos)
            end = options.size();
        if (options.substr(start, end - start) == option)
            return true;
        start = end + 1;
    }
    return false;
}

bool isPathUnder(std::string_view path, std::string_view mountPoint) {
    if (mountPoint == "/")
        return !path.empty() && path[0] == '/';
    if (path.substr(0, mountPoint.size()) != mountPoint)
        return false;
    return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t ie = digitRunEnd(a, i), je = digitRunEnd(b, j);
            std::string_view x = a.substr(i, ie - i), y = b.substr(j, je - j);
            while (x.size() > 1 && x[0] == '0')
                x.remove_prefix(1);
            while (y.size() > 1 && y[0] == '0')
                y.remove_prefix(1);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (x != y)
                return x < y;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;  // equal numbers spelled differently ("sr01", "sr1"): a fixed order all the same
}

}  // namespace platform
