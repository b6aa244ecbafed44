#include <QApplication>
#include <QLabel>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "quillon/version.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const quillon::CommandLine commandLine = quillon::ParseCommandLine(arguments);
    if (commandLine.showHelp) {
        std::fputs(quillon::HelpText("quillon").c_str(), stdout);
        return 0;
    }
    if (commandLine.showVersion) {
        std::printf("quillon %s\n", quillon::kVersion);
        return 0;
    }

    QApplication application(argc, argv);
    QLabel placeholder(QStringLiteral("Quillon"));
    placeholder.show();
    return QApplication::exec();
}
