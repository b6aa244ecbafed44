#pragma once

// A TDS client over a plain socket, for tests that need to misbehave or to watch the exact
// messages the server sends (attention, latency, broken packets).

#include <optional>
#include <string>
#include <vector>

#include "tds_test_client.h"

namespace catalog_server::testing {

class RawClient {
public:
    RawClient() = default;
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connect(int port);
    bool Send(const Bytes& bytes);
    // One whole response message (packets up to end-of-message), or nullopt on close/timeout.
    std::optional<Bytes> ReadMessage(int timeoutMs = 10000);
    // PRELOGIN and LOGIN7; true when the reply carries a LOGINACK.
    bool Login(const std::string& user = "demo", const std::string& password = "demo",
               const std::string& database = "Orders");
    std::vector<Token> Query(const std::string& sql);
    // True when the server closes the connection within the time.
    bool ClosedByServer(int timeoutMs = 5000);
    void Close();

private:
    int fd_ = -1;
};

}  // namespace catalog_server::testing
