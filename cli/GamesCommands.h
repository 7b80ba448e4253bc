#pragma once
// The zt_games commands that go through a game's whole image, each in its
// own file: verify (GamesVerify.cpp), export (GamesExport.cpp) and frag
// (GamesFrag.cpp). `ops` are the operands, the command word first.

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "report/FrontEnd.h"

namespace cli {

int verifyCommand(const std::vector<std::string>& ops, const CommandLine& line,
                  report::FrontEnd frontEnd);
int exportCommand(const std::vector<std::string>& ops, report::FrontEnd frontEnd);
int fragCommand(const std::vector<std::string>& ops, bool rewrite, report::FrontEnd frontEnd);

// Text from a drive or a file, safe to print on a terminal: control bytes as \xNN.
std::string printableText(const std::string& text);

}  // namespace cli
