#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "app/command_line.h"
#include "app/data_files.h"
#include "app/globals.h"
#include "app/registry_settings.h"
#include "platform/store/ini_file.h"
#include "platform/store/settings_file_store.h"

namespace quillon {

class MessageBox;

// Everything the program's windows share, alive from start-up to shutdown. Members are declared
// in start-up order, so they are released in the reverse order.
struct Program {
    Globals globals;
    MessageBox& errorReporter;
    IniFile ini;          // ".\quillon.INI", resolved in the current folder
    DataFiles dataFiles;  // no file opened yet
    SettingsFileStore settingsStore;
    RegistrySettings settings;

    Program(MessageBox& reporter, std::filesystem::path configRoot);
};

// What start-up needs of the desktop; the real ones in the program, fakes in tests.
struct StartupEnvironment {
    std::filesystem::path programFolder;  // where the program file lives
    std::filesystem::path configRoot;     // the per-user settings folder
    std::function<NativeWindow()> foregroundWindow;
};

// Start-up steps 2 to 7: INI file, data-file managers, the program's folder as the current
// folder (a failure is ignored), the globals. The window engine and the error reporter (step 1)
// exist before; running the main window and shutdown are the caller's.
std::unique_ptr<Program> StartProgram(const CommandLine& commandLine,
                                      const StartupEnvironment& environment,
                                      MessageBox& errorReporter);

}  // namespace quillon
