#pragma once
// Which of a command's file operations a crash-safety walk stops at. Every
// one where operations are cheap (Linux), or with ZT_FULL_WALK=1; under Wine,
// where each stop costs a second or more, a fixed sample of about 25 that
// stops at least once at every kind of operation (what it does, and to which
// of the drive's files).

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FullWalk.h"
#include "platform/FaultPoint.h"
#include "store/ChangeIntent.h"
#include "store/DriveRoot.h"

// What a path is to a command: a folder, the table, the record of a change
// under way, a part (new, set aside or in place), or a file outside the
// drive; staged when it is written under a temporary name first.
inline std::string fileRoleOf(const std::string& path) {
    if (path.empty())
        return "";
    if (path.back() == '/' || path.back() == '\\' || std::filesystem::is_directory(path))
        return "folder";
    const std::string name = path.substr(path.find_last_of("/\\") + 1);
    if (name == store::kTableName || name == store::kIntentName)
        return name;
    if (name == store::kTempTableName || name == store::kIntentTempName)
        return "staged " + name;
    if (name.find(".zt-old") != std::string::npos)
        return "aside part";
    if (name.find(".zt-") != std::string::npos)
        return "staged file";
    if (name.find("~new") != std::string::npos)
        return "new part";
    return name.starts_with("zt.") ? "part" : "file";
}

inline std::string operationKind(platform::FileOp op, const std::string& path,
                                 const std::string& other) {
    static const char* const kOps[] = {"open", "write", "flush", "rename", "remove"};
    return std::string(kOps[static_cast<int>(op)]) + " " + fileRoleOf(path) +
           (other.empty() ? "" : " to " + fileRoleOf(other));
}

class StopSample {
  public:
    // Every stop from the first.
    StopSample() = default;
    // About `budget` stops of the operations `kinds`, as the undisturbed
    // command made them, and the stop past the last: the first and last
    // three, the first of each kind, then as many as fit of the first of
    // each kind after each other kind, then others evenly spread.
    StopSample(const std::vector<std::string>& kinds, std::size_t budget) : sampled_(true) {
        const long total = static_cast<long>(kinds.size());
        std::set<std::string> kindsSeen;
        std::set<std::pair<std::string, std::string>> pairsSeen;
        std::vector<long> firstAfter;
        for (long i = 0; i < total; ++i) {
            const bool firstOfKind = kindsSeen.insert(kinds[i]).second;
            if (i < 3 || i >= total - 3 || firstOfKind)
                stops_.insert(i);
            if (pairsSeen.insert({i == 0 ? std::string() : kinds[i - 1], kinds[i]}).second &&
                stops_.count(i) == 0)
                firstAfter.push_back(i);
        }
        addSpread(firstAfter, budget);
        std::vector<long> rest;
        for (long i = 0; i < total; ++i) {
            if (stops_.count(i) == 0)
                rest.push_back(i);
        }
        addSpread(rest, budget);
        stops_.insert(total);
    }

    long first() const { return sampled_ ? *stops_.begin() : 0; }
    // The stop after `stop`; past the sample, every one until the command ends unstopped.
    long after(long stop) const {
        if (!sampled_)
            return stop + 1;
        auto next = stops_.upper_bound(stop);
        return next == stops_.end() ? stop + 1 : *next;
    }
    // How many stops there are, with the one past the last operation.
    std::size_t size() const { return stops_.size(); }

  private:
    // Adds of `candidates` (not yet stops) as many as the budget leaves, evenly spread.
    void addSpread(const std::vector<long>& candidates, std::size_t budget) {
        const std::size_t room = budget > stops_.size() ? budget - stops_.size() : 0;
        const std::size_t take = std::min(room, candidates.size());
        for (std::size_t j = 0; j < take; ++j)
            stops_.insert(candidates[j * candidates.size() / take]);
    }

    bool sampled_ = false;
    std::set<long> stops_;
};
