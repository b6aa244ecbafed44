#pragma once

// What the peer tests share: the built catalog-server as a child process, shell commands with
// captured output, a temporary folder, and where the tools and the sample database are.

#include "support/temp_dir.h"

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace catalog_server::testing {

std::filesystem::path BuildDir();
std::filesystem::path SourceDir();
std::filesystem::path ServerBinary();
std::filesystem::path SampleScript();  // samples/orders.sql, database "Orders"
// The FreeTDS ODBC driver, wherever the architecture put it; empty when not installed.
std::filesystem::path FreeTdsDriver();
bool HaveProgram(const std::string& name);

using quillon::testing::TempDir;

// catalog-server started with the given arguments; Start() waits for "listening on HOST:PORT".
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> args);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // False (with the reason in Error()) when the server exits or stays silent.
    bool Start();
    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    const std::string& Error() const { return error_; }
    // What the server wrote to stdout: up to the listening line, and all of it after Stop().
    std::string Stdout() const { return stdout_; }
    // SIGTERM, then the exit code (or -1) and everything written to stderr.
    int Stop(std::string* stderrText = nullptr, int signal = 15);
    bool Running();

private:
    std::vector<std::string> args_;
    TempDir dir_;
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    int port_ = 0;
    std::string stdout_;
    std::string error_;
};

// The standard arguments for the sample database on a free loopback port.
std::vector<std::string> SampleServerArgs(std::vector<std::string> extra = {});

struct CommandResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};
// Runs a shell command with a time limit, feeding `input` on standard input.
CommandResult RunCommand(const std::string& command, const std::string& input = "",
                         int timeoutSeconds = 60);
std::string ShellQuote(const std::string& s);

}  // namespace catalog_server::testing
