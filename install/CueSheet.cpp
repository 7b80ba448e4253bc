#include "install/CueSheet.h"

#include <cstdio>

namespace install {

namespace {

constexpr int kFramesPerSecond = 75;

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// Splits a line into words; a word in double quotes may hold blanks.
bool splitWords(std::string_view line, std::vector<std::string>& words) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        if (line[i] == '"') {
            std::size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos)
                return false;
            words.emplace_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
            if (i < line.size() && line[i] != ' ' && line[i] != '\t')
                return false;
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        words.emplace_back(line.substr(i, end - i));
        i = end;
    }
    return true;
}

bool parseNumber(std::string_view text, int low, int high, int& value) {
    if (text.empty() || text.size() > 3)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= low && value <= high;
}

// "mm:ss:ff" in frames of 1/75 second.
bool parseTime(std::string_view text, std::int64_t& frames) {
    std::size_t first = text.find(':');
    std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos)
        return false;
    int minutes = 0, seconds = 0, frame = 0;
    if (!parseNumber(text.substr(0, first), 0, 999, minutes) ||
        !parseNumber(text.substr(first + 1, second - first - 1), 0, 59, seconds) ||
        !parseNumber(text.substr(second + 1), 0, kFramesPerSecond - 1, frame))
        return false;
    frames = (std::int64_t{minutes} * 60 + seconds) * kFramesPerSecond + frame;
    return true;
}

// Printable form of a sheet's text, for messages.
std::string shown(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 40))
        out += (c >= 0x20 && c < 0x7F) ? c : '?';
    return out;
}

}  // namespace

int cueModeSectorBytes(std::string_view mode) {
    if (mode == "AUDIO" || mode == "MODE1/2352" || mode == "MODE2/2352")
        return 2352;
    if (mode == "MODE1/2048" || mode == "MODE2/2048")
        return 2048;
    return 0;
}

namespace {

bool isDescriptive(const std::string& keyword) {
    return keyword == "REM" || keyword == "CATALOG" || keyword == "CDTEXTFILE" ||
           keyword == "TITLE" || keyword == "PERFORMER" || keyword == "SONGWRITER" ||
           keyword == "ISRC" || keyword == "FLAGS" || keyword == "PREGAP" || keyword == "POSTGAP";
}

// Each reader takes one line's words and returns what is wrong with it; empty when nothing is.
std::string readFile(const std::vector<std::string>& words, CueSheet& sheet) {
    if (words.size() != 3 || words[1].empty())
        return "FILE needs a file name and a type";
    const std::string type = upper(words[2]);
    if (type != "BINARY" && type != "MOTOROLA" && type != "WAVE" && type != "MP3" && type != "AIFF")
        return "unknown FILE type " + shown(words[2]);
    sheet.files.push_back({words[1], type});
    return {};
}

std::string readTrack(const std::vector<std::string>& words, CueSheet& sheet) {
    int number = 0;
    if (words.size() != 3 || !parseNumber(words[1], 1, 99, number))
        return "TRACK needs a number from 1 to 99 and a mode";
    if (sheet.files.empty())
        return "TRACK before any FILE";
    if (!sheet.tracks.empty() && number <= sheet.tracks.back().number)
        return "track numbers must rise";
    if (!sheet.tracks.empty() && sheet.tracks.back().index1 < 0)
        return "the track before has no INDEX 01";
    const std::string mode = upper(words[2]);
    if (cueModeSectorBytes(mode) == 0 && mode != "MODE2/2336" && mode != "CDG" &&
        mode != "CDI/2336" && mode != "CDI/2352")
        return "unknown track mode " + shown(words[2]);
    CueTrack track;
    track.number = number;
    track.mode = mode;
    track.file = sheet.files.size() - 1;
    sheet.tracks.push_back(track);
    return {};
}

std::string readIndex(const std::vector<std::string>& words, CueSheet& sheet) {
    int number = 0;
    std::int64_t frames = 0;
    if (words.size() != 3 || !parseNumber(words[1], 0, 99, number) || !parseTime(words[2], frames))
        return "INDEX needs a number and a time mm:ss:ff";
    if (sheet.tracks.empty())
        return "INDEX before any TRACK";
    CueTrack& track = sheet.tracks.back();
    if (track.file != sheet.files.size() - 1) {
        // A pregap may stand at the end of the file before; the track
        // itself then starts in the new file.
        if (number != 1 || track.index1 >= 0)
            return "INDEX of a track whose FILE has ended";
        track.file = sheet.files.size() - 1;
        track.index0 = -1;
    }
    if (number == 0) {
        if (track.index0 >= 0 || track.index1 >= 0)
            return "INDEX 00 out of order";
        track.index0 = frames;
    } else if (number == 1) {
        if (track.index1 >= 0 || (track.index0 >= 0 && frames < track.index0))
            return "INDEX 01 out of order";
        track.index1 = frames;
    } else if (track.index1 < 0) {
        return "INDEX after 01 before INDEX 01";
    }
    return {};
}

// Reads one line of the sheet into `sheet`; returns what is wrong with it.
std::string readLine(std::string_view line, CueSheet& sheet) {
    for (char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return "control character in the sheet";
    }
    std::vector<std::string> words;
    if (!splitWords(line, words))
        return "unmatched quote";
    if (words.empty())
        return {};
    const std::string keyword = upper(words[0]);
    if (isDescriptive(keyword))
        return {};  // the layout of the data does not depend on them
    if (keyword == "FILE")
        return readFile(words, sheet);
    if (keyword == "TRACK")
        return readTrack(words, sheet);
    if (keyword == "INDEX")
        return readIndex(words, sheet);
    return "unknown command " + shown(words[0]);
}

}  // namespace

store::Result<CueSheet, CueStep> parseCueSheet(std::string_view text) {
    const auto malformed = [](std::string line, std::string why) {
        return store::Failure<CueStep>{CueStep::ParseSheet, std::move(line), std::move(why)};
    };
    if (text.size() > kMaxCueSheetBytes)
        return malformed({}, "the sheet is too large to be a CUE sheet");
    // A byte-order mark before the first line is tolerated.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    CueSheet sheet;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string why = readLine(line, sheet);
        if (!why.empty()) {
            char where[32];
            std::snprintf(where, sizeof where, "line %d", lineNumber);
            return malformed(where, std::string(where) + ": " + why);
        }
    }
    if (sheet.tracks.empty())
        return malformed({}, "the sheet names no track");
    if (sheet.tracks.back().index1 < 0)
        return malformed({}, "the last track has no INDEX 01");
    return sheet;
}

}  // namespace install
