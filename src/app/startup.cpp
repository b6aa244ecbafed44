#include "app/startup.h"

#include <system_error>

namespace quillon {

Program::Program(MessageBox& reporter, std::filesystem::path configRoot)
    : errorReporter(reporter),
      ini("quillon.INI"),
      dataFiles(".", std::string(kFileOwnerPassword), reporter),
      settingsStore(std::move(configRoot)),
      settings(settingsStore) {}

std::unique_ptr<Program> StartProgram(const CommandLine& commandLine,
                                      const StartupEnvironment& environment,
                                      MessageBox& errorReporter) {
    auto program = std::make_unique<Program>(errorReporter, environment.configRoot);

    // The INI file and the data files resolve in the program's folder from here on, whatever
    // folder the program was started from. If the folder cannot be entered, the old one stays.
    std::error_code ignored;
    std::filesystem::current_path(environment.programFolder, ignored);

    Globals& globals = program->globals;
    globals.GLO_REGISTRYKEY = kRegistryKey;
    globals.GLO_PREVIOUSWINDOW =
        environment.foregroundWindow ? environment.foregroundWindow() : NativeWindow{0};
    globals.GLO_FILEOWNER = kFileOwnerPassword;
    globals.negativePositionsAllowed = commandLine.negativePositionsAllowed;
    return program;
}

}  // namespace quillon
