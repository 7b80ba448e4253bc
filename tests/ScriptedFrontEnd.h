#pragma once
// The tests' front end: records every text a routine shows and answers its
// questions from a script.

#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "report/FrontEnd.h"

struct ScriptedStatus : report::StatusLine {
    void setText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

struct ScriptedBoxes : report::MessageBoxes {
    void show(const std::string& text) override { shown.push_back(text); }
    bool ask(const std::string& text, bool defaultNo) override {
        questions.push_back(text);
        defaultNoFlags.push_back(defaultNo);
        if (answers.empty())
            return false;  // an unscripted question is answered No
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> shown;
    std::vector<std::string> questions;
    std::vector<bool> defaultNoFlags;
    std::deque<bool> answers;
};

struct ScriptedProgress : report::ProgressWindow {
    void show() override {
        events.push_back("show");
        visible = true;
    }
    void hide() override {
        events.push_back("hide");
        visible = false;
    }
    void setRange(int upper) override { range = upper; }
    void setPosition(int value) override {
        position = value;
        ++positionUpdates;
        if (cancelAfterUpdates >= 0 && positionUpdates > cancelAfterUpdates)
            cancel = true;
    }
    void setText(const std::string& text) override { texts.push_back(text); }
    void bringToFront() override { events.push_back("front"); }
    void setButtonCaption(const std::string& caption) override { buttonCaption = caption; }
    bool cancelRequested() const override { return cancel; }
    void clearCancel() override { cancel = false; }

    std::vector<std::string> events;
    std::vector<std::string> texts;
    std::string buttonCaption;
    int range = -1;
    int position = -1;
    int positionUpdates = 0;
    int cancelAfterUpdates = -1;  // raise the cancel flag after this many position updates
    bool visible = false;
    bool cancel = false;
};

struct ScriptedFrontEnd {
    ScriptedStatus status;
    ScriptedBoxes boxes;
    ScriptedProgress progress;
    std::ostringstream out;

    report::FrontEnd frontEnd() { return report::FrontEnd{status, boxes, progress, out}; }
};
