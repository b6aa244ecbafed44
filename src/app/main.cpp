#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/startup.h"
#include "platform/core/message_box.h"
#include "quillon/version.h"

namespace {

// The error reporter of the program: a modal box with a stop icon.
class DialogMessageBox final : public quillon::MessageBox {
public:
    void Show(std::string_view caption, std::string_view text) override {
        QMessageBox::critical(nullptr, QString::fromUtf8(caption.data(), qsizetype(caption.size())),
                              QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
};

}  // namespace

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

    // The window engine and the error reporter come first.
    QApplication application(argc, argv);
    DialogMessageBox errorReporter;

    const quillon::StartupEnvironment environment{
        QCoreApplication::applicationDirPath().toStdString(),
        quillon::SettingsFileStore::DefaultConfigRoot(),
        nullptr,
    };
    const auto program = quillon::StartProgram(commandLine, environment, errorReporter);

    // Until the main window exists, a plain window stands in for it; it applies the
    // preferences the way the main window will.
    program->globals.GLO_PREFER =
        quillon::LoadPreferences(program->settings, program->globals.GLO_REGISTRYKEY);
    QLabel placeholder(QStringLiteral("Quillon %1").arg(QString::fromLatin1(quillon::kVersion)));
    placeholder.setWindowTitle(QStringLiteral("Quillon"));
    placeholder.setMinimumSize(240, 120);
    placeholder.setAlignment(Qt::AlignCenter);
    placeholder.show();
    const int status = QApplication::exec();

    // Shutdown releases the INI file, the data-file managers and the error reporter, in the
    // reverse order of start-up, as `program` and `errorReporter` go out of scope.
    return status;
}
