#include "ui/WindowLog.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "platform/PathText.h"
#include "platform/SystemPlaces.h"
#include "report/ShownText.h"

namespace ui {

using namespace platform;
using namespace report;

WindowLog::WindowLog(const std::string& path, bool toStandardOutput)
    : path_(path), toStandardOutput_(toStandardOutput) {
    if (path_.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(platform::fsPath(path_).parent_path(), error);
    file_ = std::fopen(path_.c_str(), "a");
}

WindowLog::~WindowLog() {
    if (file_ != nullptr)
        std::fclose(file_);
}

std::string WindowLog::defaultPath() {
    const std::string folder = platform::stateFolder();
    return folder.empty() ? std::string() : folder + "/tarnwick-game-installer/zt_installer.log";
}

void WindowLog::write(const std::string& raw) {
    // Names in the lines come from drives and discs: control bytes are shown
    // as \xNN, so that none reaches a terminal or the log raw. The line's own
    // end stays.
    std::string line = raw;
    std::string end;
    if (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        end = line.back();
        line.pop_back();
    }
    line = escapeControls(line, "\t") + end;
    std::lock_guard<std::mutex> lock(mutex_);
    if (toStandardOutput_) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }
    if (file_ != nullptr && !line.empty() && line.back() != '\r') {
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fflush(file_);
    }
}

LogStream::LogStream(WindowLog& log) : std::ostream(nullptr), buffer_(log) {
    rdbuf(&buffer_);
}

LogStream::~LogStream() {
    buffer_.flushLine();
}

void LogStream::LineBuffer::flushLine() {
    if (!line_.empty())
        log_.write(line_);
    line_.clear();
}

LogStream::LineBuffer::int_type LogStream::LineBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    line_ += traits_type::to_char_type(c);
    if (c == '\n' || c == '\r')
        flushLine();
    return c;
}

int LogStream::LineBuffer::sync() {
    return 0;
}

}  // namespace ui
