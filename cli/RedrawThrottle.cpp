#include "cli/RedrawThrottle.h"

namespace cli {

void RedrawThrottle::write(const std::string& text) {
    const auto size = static_cast<std::streamsize>(text.size());
    if (target_->sputn(text.data(), size) != size)
        failed_ = true;  // the stream says so at its next write or flush
}

void RedrawThrottle::put(char ch) {
    line_ += ch;
    if (ch == '\r') {
        Clock::time_point now = now_();
        if (redrawn_ && now - lastRedraw_ < kInterval) {
            heldBack_ = std::move(line_);  // an older one held back is overdrawn anyway
        } else {
            heldBack_.clear();
            write(line_);
            lastRedraw_ = now;
            redrawn_ = true;
        }
        line_.clear();
    } else if (ch == '\n') {
        release();
    }
}

void RedrawThrottle::release() {
    write(heldBack_);
    write(line_);
    heldBack_.clear();
    line_.clear();
    target_->pubsync();
}

RedrawThrottle::int_type RedrawThrottle::overflow(int_type ch) {
    if (!traits_type::eq_int_type(ch, traits_type::eof()))
        put(traits_type::to_char_type(ch));
    return failed_ ? traits_type::eof() : traits_type::not_eof(ch);
}

std::streamsize RedrawThrottle::xsputn(const char* text, std::streamsize count) {
    for (std::streamsize i = 0; i < count; ++i)
        put(text[i]);
    return failed_ ? 0 : count;
}

int RedrawThrottle::sync() {
    // Text that waits for more on its line (a prompt) is shown now; a
    // redrawn line stays held back.
    if (!line_.empty())
        release();
    return target_->pubsync() == 0 && !failed_ ? 0 : -1;
}

}  // namespace cli
