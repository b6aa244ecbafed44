#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// What the command line asks for. "/NEGXY" may stand anywhere, in any letter case; other
// arguments are ignored, apart from --help and --version, which print and end the program.
struct CommandLine {
    bool negativePositionsAllowed = false;
    bool showHelp = false;
    bool showVersion = false;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string HelpText(std::string_view programName);

}  // namespace quillon
