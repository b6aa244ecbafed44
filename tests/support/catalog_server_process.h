#pragma once

#include <sys/types.h>
#include <optional>
#include <string>
#include <vector>

namespace quillon::testing {

// One request as the emulator's log records it.
struct LoggedRequest {
    std::string kind;  // "batch", "rpc", ...
    std::string text;  // the SQL text or the procedure's name
    long rows = 0;
};

// Runs build/bin/catalog-server on a free loopback port for the life of this object and stops it
// (SIGTERM, then wait) when it goes. Every request is logged to a file of its own.
class CatalogServerProcess {
public:
    // Starts the server with these arguments added to --host, --port and --log, and waits for its
    // "listening on HOST:PORT" line. nullopt, with `error` set, when it does not come up.
    static std::optional<CatalogServerProcess> Start(const std::vector<std::string>& arguments,
                                                     std::string& error);

    CatalogServerProcess(CatalogServerProcess&& other) noexcept;
    CatalogServerProcess& operator=(CatalogServerProcess&&) = delete;
    CatalogServerProcess(const CatalogServerProcess&) = delete;
    ~CatalogServerProcess();

    const std::string& host() const { return host_; }
    int port() const { return port_; }
    // "host,port", as a connection string's Server value.
    std::string ServerValue() const;

    // Every request logged so far.
    std::vector<LoggedRequest> Requests() const;

    // The texts of the SQL batches and procedure calls logged so far (logins and the like left
    // out). The server writes a line once it has answered, so this waits, up to five seconds,
    // until there are at least `atLeast` of them.
    std::vector<std::string> QueryTexts(std::size_t atLeast = 0) const;

    // The path of build/bin/catalog-server (from QUILLON_BUILD_DIR) and of samples/orders.sql
    // (from QUILLON_SOURCE_DIR).
    static std::string ProgramPath();
    static std::string SamplePath(const std::string& name);

private:
    CatalogServerProcess() = default;

    pid_t pid_ = -1;
    std::string host_;
    int port_ = 0;
    std::string logPath_;
    std::string directory_;
};

}  // namespace quillon::testing
