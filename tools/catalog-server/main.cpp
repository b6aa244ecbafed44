// catalog-server: a small SQL Server emulator. It loads databases from T-SQL scripts and serves
// them over TDS to any SQL Server client (ODBC with FreeTDS, tsql, tedious).

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tds/options.h"
#include "tds/server.h"

namespace {

int g_stopWrite = -1;

extern "C" void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_stopWrite, &byte, 1);
}

int Fail(const std::string& message, int code) {
    std::fprintf(stderr, "catalog-server: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace catalog_server;

    const std::vector<std::string_view> args(argv + 1, argv + argc);
    auto parsed = ParseOptions(args);
    if (auto* error = std::get_if<std::string>(&parsed)) {
        return Fail(*error + " (--help shows the usage)", 2);
    }
    const ServerOptions& options = std::get<ServerOptions>(parsed);
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    for (const ScriptSource& database : options.databases) {
        for (const std::string& file : database.files) {
            std::ifstream in(file);
            if (!in) {
                return Fail("cannot read script " + file + ": " + std::strerror(errno), 2);
            }
        }
    }

    RequestLog log;
    std::string error;
    if (!options.logFile.empty() && !log.Open(options.logFile, &error)) {
        return Fail(error, 2);
    }

    LoadResult loaded = LoadCatalog(options.databases);
    for (const ScriptWarning& warning : loaded.warnings) {
        std::fprintf(stderr, "catalog-server: %s:%d: warning: %s\n", warning.file.c_str(),
                     warning.line, warning.message.c_str());
    }
    if (!loaded.catalog) {
        const LoadError failure = loaded.error.value_or(LoadError{"", 0, "cannot load scripts"});
        return Fail(failure.file + ":" + std::to_string(failure.line) + ": " + failure.reason, 2);
    }

    int stopPipe[2];
    if (::pipe2(stopPipe, O_CLOEXEC) != 0) {
        return Fail(std::string("cannot create a pipe: ") + std::strerror(errno), 1);
    }
    const UniqueFd stopRead(stopPipe[0]);
    const UniqueFd stopWrite(stopPipe[1]);
    g_stopWrite = stopWrite.Get();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    tds::ConversationConfig config;
    config.logins = options.logins;
    Server server(*loaded.catalog, config,
                  ListenSettings{options.host, options.port, options.latencyMs}, log);
    if (!server.Listen(&error)) {
        return Fail(error, 1);
    }
    std::printf("listening on %s:%u\n", options.host.c_str(), static_cast<unsigned>(server.Port()));
    std::fflush(stdout);

    server.Run(stopRead.Get());
    std::fprintf(stderr, "%s\n", log.Summary().c_str());
    return 0;
}
