#include "peer_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace catalog_server::testing {
namespace {

std::filesystem::path FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::filesystem::path(value)
                                              : std::filesystem::path(fallback);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

// The environment (set by ctest) wins; the folders of this build serve runs by hand.
std::filesystem::path BuildDir() {
    return FromEnvironment("QUILLON_BUILD_DIR", QUILLON_DEFAULT_BUILD_DIR);
}
std::filesystem::path SourceDir() {
    return FromEnvironment("QUILLON_SOURCE_DIR", QUILLON_DEFAULT_SOURCE_DIR);
}
std::filesystem::path ServerBinary() {
    return BuildDir() / "bin" / "catalog-server";
}
std::filesystem::path SampleScript() {
    return SourceDir() / "samples" / "orders.sql";
}

std::filesystem::path FreeTdsDriver() {
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc",
                            "/usr/lib/i386-linux-gnu/odbc", "/usr/lib/odbc", "/usr/lib64"}) {
        const std::filesystem::path candidate = std::filesystem::path(dir) / "libtdsodbc.so";
        if (std::filesystem::exists(candidate)) {
            return candidate;
        }
    }
    return {};
}

bool HaveProgram(const std::string& name) {
    return RunCommand("command -v " + ShellQuote(name) + " >/dev/null 2>&1").exitCode == 0;
}

std::vector<std::string> SampleServerArgs(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--port", "0",        "--database",
                                     "Orders", "--script", SampleScript().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

ServerProcess::ServerProcess(std::vector<std::string> args) : args_(std::move(args)) {}

ServerProcess::~ServerProcess() {
    if (pid_ > 0) {
        Stop();
    }
    if (stdoutFd_ >= 0) {
        ::close(stdoutFd_);
    }
}

bool ServerProcess::Start() {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return false;
    }
    const std::string binary = ServerBinary().string();
    const std::string errFile = (dir_.path() / "stderr.txt").string();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (std::string& arg : args_) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int rc = posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    stdoutFd_ = out[0];
    if (rc != 0) {
        pid_ = -1;
        error_ = "cannot start " + binary;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (stdout_.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{stdoutFd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            error_ = "no listening line within 30 s";
            return false;
        }
        char buffer[256];
        const ssize_t n = ::read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            error_ = "server exited: " + ReadFile(errFile);
            return false;
        }
        stdout_.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string line = stdout_.substr(0, stdout_.find('\n'));
    const std::size_t colon = line.rfind(':');
    if (!line.starts_with("listening on ") || colon == std::string::npos) {
        error_ = "unexpected first line: " + line;
        return false;
    }
    port_ = std::atoi(line.c_str() + colon + 1);
    return port_ > 0;
}

bool ServerProcess::Running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    return ::waitpid(pid_, &status, WNOHANG) == 0;
}

int ServerProcess::Stop(std::string* stderrText, int signal) {
    int code = -1;
    if (pid_ > 0) {
        ::kill(pid_, signal);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        pid_t done = 0;
        while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (done == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        } else if (WIFEXITED(status)) {
            code = WEXITSTATUS(status);
        }
        pid_ = -1;
        char buffer[256];
        ssize_t n = 0;
        while (stdoutFd_ >= 0 && (n = ::read(stdoutFd_, buffer, sizeof buffer)) > 0) {
            stdout_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    if (stderrText != nullptr) {
        *stderrText = ReadFile(dir_.path() / "stderr.txt");
    }
    return code;
}

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (const char c : s) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

CommandResult RunCommand(const std::string& command, const std::string& input, int timeoutSeconds) {
    TempDir dir;
    const std::filesystem::path in = dir.Write("stdin.txt", input);
    const std::filesystem::path out = dir.path() / "output.txt";
    const std::string line = "timeout " + std::to_string(timeoutSeconds) + " sh -c " +
                             ShellQuote(command) + " <" + ShellQuote(in.string()) + " >" +
                             ShellQuote(out.string()) + " 2>&1";
    const int status = std::system(line.c_str());
    CommandResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = ReadFile(out);
    return result;
}

}  // namespace catalog_server::testing
