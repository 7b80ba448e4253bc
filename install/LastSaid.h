#pragma once
// A front end's boxes and status line, passed on, with the last text each
// was given: the reason a routine's result carries is what the person read.

#include <string>

#include "store/FrontEnd.h"

class LastSaid : public MessageBoxes, public StatusLine {
  public:
    LastSaid(StatusLine& status, MessageBoxes& boxes) : status_(status), boxes_(boxes) {}

    void show(const std::string& text) override {
        box_ = text;
        boxes_.show(text);
    }
    bool ask(const std::string& text, bool defaultNo) override {
        return boxes_.ask(text, defaultNo);
    }
    void setText(const std::string& text) override {
        if (text.find_first_not_of(" \n\r") != std::string::npos)
            statusText_ = text;
        status_.setText(text);
    }

    void forget() {
        box_.clear();
        statusText_.clear();
    }
    // The last box's text, else the last status text that said something.
    const std::string& last() const { return box_.empty() ? statusText_ : box_; }

  private:
    StatusLine& status_;
    MessageBoxes& boxes_;
    std::string box_;
    std::string statusText_;
};
