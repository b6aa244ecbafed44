#include "support/catalog_server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace quillon::testing {

namespace {

std::string EnvironmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

// Reads one line from `fd` within the time limit; nullopt at end of file or time-out.
std::optional<std::string> ReadLine(int fd, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string line;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char c = 0;
        if (read(fd, &c, 1) != 1) {
            return std::nullopt;
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
}

// The log writes backslash, tab, newline and carriage return as \\, \t, \n and \r.
std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

}  // namespace

std::string CatalogServerProcess::ProgramPath() {
    const char* build = std::getenv("QUILLON_BUILD_DIR");
    if (build != nullptr && *build != '\0') {
        return std::string(build) + "/bin/catalog-server";
    }
    // Benchmarks run from build/bin, beside the server.
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "catalog-server")
        .string();
}

std::string CatalogServerProcess::SamplePath(const std::string& name) {
    return EnvironmentOr("QUILLON_SOURCE_DIR", QUILLON_DEFAULT_SOURCE_DIR) + "/samples/" + name;
}

std::optional<CatalogServerProcess> CatalogServerProcess::Start(
    const std::vector<std::string>& arguments, std::string& error) {
    char pattern[] = "/tmp/quillon-catalog-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error = "cannot make a temporary directory";
        return std::nullopt;
    }
    CatalogServerProcess server;
    server.directory_ = pattern;
    server.logPath_ = server.directory_ + "/requests.log";
    const std::string errorPath = server.directory_ + "/stderr.txt";

    std::vector<std::string> argv = {ProgramPath(), "--host", "127.0.0.1",    "--port",
                                     "0",           "--log",  server.logPath_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (auto& a : argv) {
        raw.push_back(a.data());
    }
    raw.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error = "cannot make a pipe";
        return std::nullopt;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) {
            dup2(err, STDERR_FILENO);
        }
        execv(raw[0], raw.data());
        _exit(127);
    }
    close(out[1]);
    if (pid < 0) {
        close(out[0]);
        error = "cannot start " + argv[0];
        return std::nullopt;
    }
    server.pid_ = pid;
    const auto line = ReadLine(out[0], std::chrono::seconds(60));
    close(out[0]);  // the server prints nothing more on standard output

    const std::string prefix = "listening on ";
    const auto colon = line ? line->rfind(':') : std::string::npos;
    if (!line || !line->starts_with(prefix) || colon == std::string::npos) {
        std::ifstream stderrFile(errorPath);
        std::stringstream text;
        text << stderrFile.rdbuf();
        error = argv[0] + " did not start: " + (line ? *line : "no line") + " " + text.str();
        return std::nullopt;  // the destructor stops what was started
    }
    server.host_ = line->substr(prefix.size(), colon - prefix.size());
    server.port_ = std::atoi(line->c_str() + colon + 1);
    return server;
}

CatalogServerProcess::CatalogServerProcess(CatalogServerProcess&& other) noexcept
    : pid_(other.pid_),
      host_(std::move(other.host_)),
      port_(other.port_),
      logPath_(std::move(other.logPath_)),
      directory_(std::move(other.directory_)) {
    other.pid_ = -1;
    other.directory_.clear();
}

CatalogServerProcess::~CatalogServerProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (!directory_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
}

std::string CatalogServerProcess::ServerValue() const {
    return host_ + "," + std::to_string(port_);
}

std::vector<LoggedRequest> CatalogServerProcess::Requests() const {
    std::vector<LoggedRequest> requests;
    std::ifstream log(logPath_);
    std::string line;
    while (std::getline(log, line)) {
        // kind <TAB> text <TAB> rows <TAB> ms; other lines are notes
        std::vector<std::string> parts;
        std::stringstream fields(line);
        std::string part;
        while (std::getline(fields, part, '\t')) {
            parts.push_back(part);
        }
        if (parts.size() >= 3) {
            requests.push_back({parts[0], Unescaped(parts[1]), std::atol(parts[2].c_str())});
        }
    }
    return requests;
}

}  // namespace quillon::testing

namespace quillon::testing {

std::vector<std::string> CatalogServerProcess::QueryTexts(std::size_t atLeast) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::vector<std::string> texts;
    for (;;) {
        texts.clear();
        for (const LoggedRequest& request : Requests()) {
            if (request.kind == "batch" || request.kind == "rpc") {
                texts.push_back(request.text);
            }
        }
        if (texts.size() >= atLeast || std::chrono::steady_clock::now() >= deadline) {
            return texts;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace quillon::testing
