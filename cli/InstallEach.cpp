#include "cli/InstallEach.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/ExitCode.h"
#include "install/InstallCommand.h"
#include "install/InstallQueue.h"
#include "library/GameListText.h"
#include "platform/Console.h"
#include "platform/DriveNames.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "report/ShownText.h"

namespace cli {

using namespace install;
using namespace library;
using namespace platform;
using namespace report;
using namespace store;

namespace {

constexpr const char* kNoTerminal =
    "a game of this name is on the drive; with no terminal to ask, it was not replaced "
    "(--yes replaces it)";

std::optional<std::uint64_t> imageSize(const std::string& path) {
    if (!platform::pathTaken(path))
        return std::nullopt;
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(platform::fsPath(path), error);
    return error ? 0 : static_cast<std::uint64_t>(bytes);  // the install says what it is
}

const char* outcomeWord(const QueueOutcome& outcome) {
    if (outcome) {
        switch (outcome.value().kind) {
            case QueueKind::Installed:
                return "installed";
            case QueueKind::Replaced:
                return "replaced";
            case QueueKind::Skipped:
                return "skipped";
        }
        return "";
    }
    switch (outcome.failure().step) {
        case QueueStep::Failed:
            return "failed";
        case QueueStep::Cancelled:
            return "cancelled";
    }
    return "";
}

std::string jsonLine(const ImageResult& result) {
    return std::string("{\"image\": ") + jsonString(result.path) +
           ", \"name\": " + jsonString(result.name) + ", \"outcome\": \"" +
           outcomeWord(result.outcome) + "\", \"reason\": " + jsonString(result.reason()) +
           ", \"shortened\": " + (result.shortened ? "true" : "false") + "}\n";
}

// The images planned and the replace questions asked, all before the first game.
std::vector<QueuedImage> planned(const std::vector<std::string>& paths, const std::string& root,
                                 bool yes, MessageBoxes& boxes) {
    std::vector<QueuedImage> images = planQueue(paths, false, imageSize);
    // A table that cannot be read asks nothing here; each install then says why.
    const std::vector<std::string> onDrive = gameNamesOn(root).value_or(std::vector<std::string>{});
    if (!yes && !platform::stdinIsTerminal()) {
        for (QueuedImage& image : images) {
            if (image.skipped.empty() &&
                std::find(onDrive.begin(), onDrive.end(), image.name) != onDrive.end())
                image.skipped = kNoTerminal;
        }
    }
    askReplaceQuestions(images, onDrive, boxes);
    return images;
}

}  // namespace

int installEach(const CommandLine& line, ConsoleFrontEnd& console) {
    const bool json = line.has("--json");
    if (line.operands.size() < 2 || line.operands[0].empty()) {
        std::cerr << "zt_install: --each takes the drive TARGET, then one IMAGE or more\n";
        std::cout << "Usage: " << kEachUsage;
        return kExitUsage;
    }
    if (std::string trap = platform::driveNameTrap(line.operands[0]); !trap.empty()) {
        std::cerr << "zt_install: " << escapeControls(trap) << '\n';
        return kExitUsage;
    }
    const std::string root = platform::driveRootNamed(line.operands[0]);
    const std::vector<std::string> paths(line.operands.begin() + 1, line.operands.end());

    FrontEnd consoleUi = console.frontEnd();
    // With --json, standard output holds the outcomes alone; the installs'
    // printed lines go with the status texts.
    FrontEnd ui{consoleUi.status, consoleUi.boxes, consoleUi.progress,
                json ? std::cerr : consoleUi.out};
    const std::vector<QueuedImage> images = planned(paths, root, line.yes, ui.boxes);

    QueueSteps steps;
    steps.starting = [&ui](std::size_t number, std::size_t count, const QueuedImage& image,
                           std::uint64_t) {
        const std::string file = platform::pathText(platform::fsPath(image.path).filename());
        ui.out << "Game " << number << " of " << count << ": " << escapeControls(image.name) << " ("
               << escapeControls(file) << ")" << std::endl;
    };
    steps.install = [&root](const QueuedImage& image, FrontEnd& each) {
        InstallCommand command(each);
        return command.install({image.path, root, image.name, image.dvd ? Media::Dvd : Media::Cd});
    };
    steps.stopped = [&console] { return console.progress().cancelRequested(); };
    const std::vector<ImageResult> results = runQueue(root, images, ui, steps);

    if (json) {
        for (const ImageResult& result : results)
            std::cout << jsonLine(result);
    } else {
        std::cout << queueSummary(results);
    }
    const bool all = installedCount(results) == results.size();
    return exitAfterOutput("zt_install", all ? kExitSuccess : kExitFailure);
}

}  // namespace cli
