#pragma once
// The window core's view without a toolkit: controls as plain values, the
// window thread as a queue the test runs, dialogs and menus answered from a
// script. What the core shows is recorded for the tests to read.

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "ScriptedFrontEnd.h"
#include "ui/ControlIds.h"
#include "ui/DriveList.h"
#include "ui/WindowView.h"

// The test's thread is the window thread; tasks posted by workers wait in a
// queue until the test runs them.
class QueuedThread : public ui::WindowThread {
  public:
    bool current() const override { return std::this_thread::get_id() == owner_; }
    void post(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    // Runs the queued tasks until `done` holds; false after 30 s without.
    bool runUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::function<void()> task;
            {
                std::lock_guard lock(mutex_);
                if (!tasks_.empty()) {
                    task = std::move(tasks_.front());
                    tasks_.pop_front();
                }
            }
            if (task)
                task();
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

  private:
    std::thread::id owner_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::deque<std::function<void()>> tasks_;
};

// A progress window that, as the real ones, lets no routine wait on the window thread.
struct WindowProgress : ScriptedProgress {
    bool mayWait() const override { return std::this_thread::get_id() != owner; }
    std::thread::id owner = std::this_thread::get_id();
};

struct FakeProgressView : ui::ProgressView {
    report::ProgressWindow& window() override { return progress; }
    void stopForClose() override { stopped = true; }
    void hideWindow() override { progress.visible = false; }
    void restore() override { ++restored; }
    bool shown() const override { return progress.visible; }
    void beginJob(const ui::ProgressJob& job) override {
        jobs.push_back(job.prefix + job.doing + " " + job.name);
    }
    void finishJob(const std::string& outcome) override {
        outcomes.push_back(outcome);
        progress.visible = true;
    }
    WindowProgress progress;
    std::vector<std::string> jobs, outcomes;
    std::atomic<bool> stopped{false};
    int restored = 0;
};

// Boxes whose questions may run a step first, as a person's wait does.
struct HookedBoxes : ScriptedBoxes {
    bool ask(const std::string& text, bool defaultNo) override {
        if (beforeAnswer)
            beforeAnswer();
        return ScriptedBoxes::ask(text, defaultNo);
    }
    std::function<void()> beforeAnswer;
};

struct FakeDriveList : ui::DriveList {
    std::vector<std::string> opticalDrives() override { return optical; }
    std::vector<ui::FixedDrive> fixedDrives() override { return fixed; }
    std::vector<ui::FixedDrive> unmountedDisks() override { return disks; }
    std::vector<std::string> systemDevices() override { return {}; }
    std::vector<std::string> optical;
    std::vector<ui::FixedDrive> fixed;
    std::vector<ui::FixedDrive> disks;
};

struct FakeWindowView : ui::WindowView {
    report::StatusLine& statusLine() override { return status; }
    report::MessageBoxes& boxes() override { return boxesShown; }
    ui::ProgressView& jobProgress() override { return progress; }
    ui::ProgressView& copyProgress() override { return copying; }
    ui::WindowThread& thread() override { return queue; }

    void setTabs(const std::vector<std::string>& captions) override { tabs = captions; }
    void setColumns(std::span<const ui::ListColumn> given) override {
        columns.assign(given.begin(), given.end());
    }
    void setMediaTypes(const std::vector<std::string>& items) override { mediaItems = items; }
    void setLink(const ui::LinkLook&, const std::string& url) override { linkUrl = url; }
    void setSources(const std::vector<ui::SourceRow>& rows, int selected) override {
        sourceRows = rows;
        sources.clear();
        for (const ui::SourceRow& row : rows)
            sources.push_back(row.item);
        state.source = selected;
    }
    void setDrives(const std::vector<ui::DriveRow>& rows, int selected) override {
        drives = rows;
        state.drive = selected;
    }
    void setMedia(int index) override { state.media = index; }
    void setGames(const std::vector<ui::ListedGame>& rows) override {
        games = rows;
        state.selectedGame = -1;
    }
    void setGameTooltip(int row, const std::string& tooltip) override {
        games.at(static_cast<std::size_t>(row)).tooltip = tooltip;
    }
    void setControlText(int id, const std::string& text) override {
        texts[id] = text;
        if (id == ui::control::kGameNameEdit)
            state.gameName = text;
    }
    void showControl(int id, bool show) override { shown[id] = show; }
    void enableControl(int id, bool enable) override { enabled[id] = enable; }
    void enableInput(bool enable) override { inputOn = enable; }
    void bringToFront() override { ++broughtToFront; }
    ui::WindowInput input() const override { return state; }

    std::string chooseDrive(const std::vector<ui::DriveRow>& rows) override {
        driveDialogRows = rows;
        ++driveDialogs;
        if (whileDriveDialog)
            whileDriveDialog();
        return driveChoice;
    }
    std::vector<ui::DriveRow> driveDialogRows;
    std::optional<std::string> askNewName() override { return newName; }
    int popUpMenu(std::span<const ui::MenuRow> rows, bool atSelection) override {
        menu.assign(rows.begin(), rows.end());
        menuAtSelection = atSelection;
        return menuChoice;
    }
    std::vector<std::string> chooseFiles(const ui::FileDialogLook& dialog) override {
        if (dialog.kind == ui::FileDialogLook::Kind::Save) {
            exportSuggestions.push_back(dialog.name);
            return exportFile.empty() ? std::vector<std::string>{}
                                      : std::vector<std::string>{exportFile};
        }
        imageFolders.push_back(dialog.folder);
        if (!imageFiles.empty())
            return imageFiles;
        return imageFile.empty() ? std::vector<std::string>{} : std::vector<std::string>{imageFile};
    }
    bool openUrl(const std::string& url) override {
        opened.push_back(url);
        return browserOpens;
    }
    void after(int, std::function<void()> task) override { timers.push_back(std::move(task)); }
    void closeWindow() override { ++closed; }

    // The person selects the game named `text` in the list.
    void select(const std::string& text) {
        for (std::size_t i = 0; i < games.size(); ++i) {
            if (games[i].text == text)
                state.selectedGame = static_cast<int>(i);
        }
    }
    std::vector<std::string> listed() const {
        std::vector<std::string> rows;
        for (const ui::ListedGame& game : games)
            rows.push_back(game.text);
        return rows;
    }

    ScriptedStatus status;
    HookedBoxes boxesShown;
    FakeProgressView progress, copying;
    QueuedThread queue;
    ui::WindowInput state;
    std::vector<std::string> tabs, mediaItems, sources;  // sources: the items, not their texts
    std::vector<ui::SourceRow> sourceRows;
    std::vector<ui::ListColumn> columns;
    std::vector<ui::DriveRow> drives;
    std::vector<ui::ListedGame> games;
    std::map<int, std::string> texts;
    std::map<int, bool> shown, enabled;
    std::string linkUrl;
    bool inputOn = true;
    int broughtToFront = 0;
    int driveDialogs = 0;
    std::string driveChoice;
    std::function<void()> whileDriveDialog;  // what the person does meanwhile
    std::optional<std::string> newName;
    std::vector<ui::MenuRow> menu;
    bool menuAtSelection = false;
    int menuChoice = 0;
    std::string imageFile;
    std::vector<std::string> imageFiles;  // several chosen at once
    std::vector<std::string> imageFolders, opened;
    std::string exportFile;
    std::vector<std::string> exportSuggestions;
    bool browserOpens = true;
    std::vector<std::function<void()>> timers;
    int closed = 0;
};
