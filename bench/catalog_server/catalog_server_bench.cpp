// Measures catalog-server as the program meets it, through the FreeTDS ODBC driver on loopback:
//   1. requests per second for one-row requests sent one after another (the per-table
//      "select object_id(...) as result" of the object list, directly and prepared);
//   2. start-up time (spawn to "listening on") and peak memory with --generate-tables N, and the
//      time of one SQLTables over all those tables.
// Usage: catalog_server_bench [--requests 10000] [--tables 10000]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "odbc_client.h"
#include "peer_support.h"

namespace {

using namespace catalog_server::testing;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Peak resident memory of a process in MB (VmHWM), or -1.
double PeakRssMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            return std::atof(line.c_str() + 6) / 1024.0;
        }
    }
    return -1;
}

int RequestsPerSecond(int requests) {
    ServerProcess server(SampleServerArgs());
    if (!server.Start()) {
        std::fprintf(stderr, "cannot start catalog-server: %s\n", server.Error().c_str());
        return 1;
    }
    OdbcConnection connection;
    if (!connection.Connect(FreeTdsConnectionString(FreeTdsDriver().string(), server.Port(),
                                                    "Orders", "demo", "demo"))) {
        std::fprintf(stderr, "cannot connect: %s\n", connection.Error().c_str());
        return 1;
    }
    const std::string text = "select object_id('Orders.dbo.Customers') as result";
    const auto direct = [&](int n) {
        for (int i = 0; i < n; ++i) {
            OdbcStatement statement(connection);
            if (!statement.ExecDirect(text) || statement.Fetch().size() != 1) {
                std::fprintf(stderr, "request failed: %s\n", statement.Error().c_str());
                std::exit(1);
            }
        }
    };
    direct(200);  // warm-up
    auto start = Clock::now();
    direct(requests);
    const double directSeconds = Seconds(Clock::now() - start);

    OdbcStatement prepared(connection);
    std::string name = "Orders.dbo.Customers";
    if (!prepared.Prepare("select object_id(?) as result") || !prepared.BindText(1, name)) {
        std::fprintf(stderr, "prepare failed: %s\n", prepared.Error().c_str());
        return 1;
    }
    start = Clock::now();
    for (int i = 0; i < requests; ++i) {
        if (!prepared.Execute() || prepared.Fetch().size() != 1 || !prepared.CloseCursor()) {
            std::fprintf(stderr, "request failed: %s\n", prepared.Error().c_str());
            return 1;
        }
    }
    const double preparedSeconds = Seconds(Clock::now() - start);

    std::printf("one-row requests through ODBC, one after another on loopback (%d each):\n",
                requests);
    std::printf("  SQLExecDirect (SQL batch)        %8.0f requests/s  (%.1f us each)\n",
                requests / directSeconds, 1e6 * directSeconds / requests);
    std::printf("  SQLExecute prepared (sp_execute) %8.0f requests/s  (%.1f us each)\n",
                requests / preparedSeconds, 1e6 * preparedSeconds / requests);
    return 0;
}

int GeneratedTables(int tables) {
    ServerProcess server(
        {"--port", "0", "--database", "Big", "--generate-tables", std::to_string(tables)});
    const auto start = Clock::now();
    if (!server.Start()) {
        std::fprintf(stderr, "cannot start catalog-server: %s\n", server.Error().c_str());
        return 1;
    }
    const double startup = Seconds(Clock::now() - start);
    const double rssAtStart = PeakRssMb(server.Pid());

    OdbcConnection connection;
    if (!connection.Connect(FreeTdsConnectionString(FreeTdsDriver().string(), server.Port(), "Big",
                                                    "demo", "demo"))) {
        std::fprintf(stderr, "cannot connect: %s\n", connection.Error().c_str());
        return 1;
    }
    OdbcStatement statement(connection);
    const auto tablesStart = Clock::now();
    if (!statement.Tables(nullptr, nullptr, nullptr, nullptr)) {
        std::fprintf(stderr, "SQLTables failed: %s\n", statement.Error().c_str());
        return 1;
    }
    const std::size_t rows = statement.Fetch().size();
    const double tablesSeconds = Seconds(Clock::now() - tablesStart);

    std::printf("catalog-server --generate-tables %d:\n", tables);
    std::printf("  start-up to \"listening on\"       %8.3f s\n", startup);
    std::printf("  peak memory (VmHWM) after start  %8.1f MB\n", rssAtStart);
    std::printf("  SQLTables: %zu rows in %.3f s; peak memory then %.1f MB\n", rows, tablesSeconds,
                PeakRssMb(server.Pid()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int requests = 10000;
    int tables = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--requests") {
            requests = std::atoi(argv[i + 1]);
        } else if (option == "--tables") {
            tables = std::atoi(argv[i + 1]);
        }
    }
    if (FreeTdsDriver().empty()) {
        std::fprintf(stderr, "the FreeTDS ODBC driver (tdsodbc) is not installed\n");
        return 1;
    }
    const int first = RequestsPerSecond(requests);
    const int second = GeneratedTables(tables);
    return first != 0 ? first : second;
}
