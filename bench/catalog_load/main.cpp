// Catalog loading against catalog-server on loopback: QueryTables over 1,000 and 10,000 generated
// tables and QueryRelations of a table with 20 relations, each without and with 1 ms added to
// every answer. Prints wall time and requests (counted by the client and by the server's log).
//
//   build/bin/catalog_load [--quick] [--latency MS ...]
//     --quick         1,000 tables only
//     --latency MS    the added delays to measure (default: 0 and 1; repeatable)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/catalog_queries.h"
#include "db/connection_string.h"
#include "db/relation_queries.h"
#include "db/run_query.h"
#include "platform/odbc/odbc_client.h"
#include "support/catalog_server_process.h"
#include "support/recording_connection.h"

namespace {

using quillon::testing::CatalogServerProcess;
using quillon::testing::RecordingConnection;

// A hub table that 20 others refer to: its relations list holds 20 records.
std::string WriteHubScript(const std::filesystem::path& directory) {
    const auto path = directory / "hub.sql";
    std::ofstream script(path);
    script << "CREATE TABLE dbo.Hub (HubID int NOT NULL PRIMARY KEY)\nGO\n";
    for (int i = 1; i <= 20; ++i) {
        script << "CREATE TABLE dbo.Spoke" << i << " (SpokeID int NOT NULL PRIMARY KEY, "
               << "HubID int NOT NULL CONSTRAINT FK_Spoke" << i
               << "_Hub REFERENCES dbo.Hub (HubID))\nGO\n";
    }
    return path.string();
}

struct Measure {
    double ms = 0;
    std::size_t clientRequests = 0;
    std::size_t serverRequests = 0;
    std::size_t rows = 0;
};

// Starts a server with `arguments`, connects, runs `prepare` (not measured), then measures `work`.
template <class Prepare, class Work>
bool Run(const char* label, const std::vector<std::string>& arguments, Prepare prepare, Work work) {
    std::string error;
    auto server = CatalogServerProcess::Start(arguments, error);
    if (!server) {
        std::fprintf(stderr, "%s: %s\n", label, error.c_str());
        return false;
    }
    quillon::OdbcClient client;
    std::vector<std::string> sent;
    quillon::ConnectionContext context;
    auto connection = std::make_unique<RecordingConnection>(client.NewConnection(), sent);
    if (!connection->Open(quillon::BuildConnectionString(server->ServerValue(), "Orders", "demo",
                                                         "demo", false))) {
        std::fprintf(stderr, "%s: cannot connect\n", label);
        return false;
    }
    context.CONN = std::move(connection);
    const auto parameter = prepare(context);
    const std::size_t before = server->QueryTexts(sent.size()).size();
    sent.clear();

    Measure m;
    const auto start = std::chrono::steady_clock::now();
    m.rows = work(context, parameter);
    m.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    m.clientRequests = sent.size();
    context.CONN->Close();
    m.serverRequests = server->QueryTexts(before + m.clientRequests).size() - before;
    std::printf("%-40s %8zu rows %8zu requests (server log %zu) %10.1f ms\n", label, m.rows,
                m.clientRequests, m.serverRequests, m.ms);
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::vector<std::string> latencies;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--quick") {
            quick = true;
        } else if (argument == "--latency" && i + 1 < argc) {
            latencies.push_back(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: catalog_load [--quick] [--latency MS ...]\n");
            return 2;
        }
    }
    if (latencies.empty()) {
        latencies = {"0", "1"};
    }
    const auto directory = std::filesystem::temp_directory_path() / "quillon-catalog-load";
    std::filesystem::create_directories(directory);
    const std::string hub = WriteHubScript(directory);
    bool ok = true;

    for (const std::string& latency : latencies) {
        for (const int tables : {1000, 10000}) {
            if (quick && tables > 1000) {
                continue;
            }
            const std::string label =
                "QueryTables " + std::to_string(tables) + " tables, latency " + latency + " ms";
            ok &= Run(
                label.c_str(),
                {"--database", "Orders", "--generate-tables", std::to_string(tables),
                 "--latency-ms", latency},
                [](quillon::ConnectionContext&) { return 0; },
                [](quillon::ConnectionContext& context, int) {
                    std::vector<quillon::TableRow> rows;
                    quillon::QueryTables(&context, rows);
                    return rows.size();
                });
        }
        const std::string label =
            std::string("QueryRelations 20 relations, latency ") + latency + " ms";
        ok &= Run(
            label.c_str(), {"--database", "Orders", "--script", hub, "--latency-ms", latency},
            [](quillon::ConnectionContext& context) {
                std::vector<quillon::NumberResult> id;
                quillon::RunQuery(&context, "select object_id('dbo.Hub') as result", id,
                                  quillon::MatchMode::ByName);
                return id.empty() ? 0 : id.front().RESULT;
            },
            [](quillon::ConnectionContext& context, std::int32_t hubId) {
                std::vector<quillon::RelationRow> rows;
                quillon::QueryRelations(&context, hubId, rows);
                return rows.size();
            });
    }
    std::filesystem::remove_all(directory);
    return ok ? 0 : 1;
}
