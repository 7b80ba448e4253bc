#include "ui/GameRows.h"

namespace ui {

using namespace library;
using namespace platform;
using namespace report;

std::string gameState(const GameRow& row) {
    if (row.damaged)
        return "damaged";
    return row.complete ? std::string() : "incomplete";
}

std::string gameRowText(const GameRow& row) {
    const std::string state = gameState(row);
    return state.empty() ? row.name : row.name + "  (" + state + ")";
}

std::string gameStateTip(const GameRow& row) {
    const std::string state = gameState(row);
    if (state.empty())
        return {};
    return "This game is " + state +
           ". \"Check Drive\" in this list's menu (or \"zt_games "
           "check\") finds what is wrong and offers to repair it.";
}

}  // namespace ui
