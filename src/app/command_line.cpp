#include "app/command_line.h"

#include "platform/core/text.h"

namespace quillon {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    for (const std::string& argument : arguments) {
        if (EqualsIgnoringCase(argument, "/NEGXY")) {
            result.negativePositionsAllowed = true;
        } else if (argument == "--help" || argument == "-h") {
            result.showHelp = true;
        } else if (argument == "--version") {
            result.showVersion = true;
        }
    }
    return result;
}

std::string HelpText(std::string_view programName) {
    std::string text = "Usage: ";
    text += programName;
    text +=
        " [/NEGXY]\n"
        "\n"
        "Quillon sits beside your SQL editor, lists the catalog of a Microsoft SQL Server\n"
        "database and types the chosen name into the editor you were working in.\n"
        "\n"
        "Options:\n"
        "  /NEGXY     let the main window and the connect window keep negative screen\n"
        "             coordinates (a monitor left of or above the primary one);\n"
        "             accepted anywhere on the command line, in any letter case\n"
        "  --help     show this text and exit\n"
        "  --version  show the version and exit\n"
        "\n"
        "Other arguments are ignored.\n";
    return text;
}

}  // namespace quillon
