#pragma once
// A front end's boxes, passed on, with the text of the last box shown: the
// reason a routine's result carries is what the person read.

#include <string>

#include "report/FrontEnd.h"

namespace install {

class LastSaid : public report::MessageBoxes {
  public:
    explicit LastSaid(report::MessageBoxes& boxes) : boxes_(boxes) {}

    void show(const std::string& text) override {
        last_ = text;
        boxes_.show(text);
    }
    bool ask(const std::string& text, bool defaultNo) override {
        return boxes_.ask(text, defaultNo);
    }

    void forget() { last_.clear(); }
    const std::string& last() const { return last_; }

  private:
    report::MessageBoxes& boxes_;
    std::string last_;
};

}  // namespace install
