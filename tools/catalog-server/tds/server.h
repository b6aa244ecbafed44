#pragma once

// The listening socket and one thread per connection. Each connection reads whole messages,
// lets its Conversation answer them, honours the configured latency (an attention that arrives
// meanwhile cancels the pending answer) and is dropped on any protocol violation without
// touching the others.

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "../engine/engine.h"
#include "conversation.h"

namespace catalog_server {

// A file descriptor that closes itself.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int Get() const { return fd_; }
    int Release();
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Counts requests by kind and, when a file is given, writes one line per request:
// kind, text or procedure, rows, milliseconds (tab-separated).
class RequestLog {
public:
    RequestLog() = default;
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;
    ~RequestLog();

    bool Open(const std::string& path, std::string* error);
    void Record(tds::RequestKind kind, const std::string& what, std::int64_t rows, double ms);
    void Note(const std::string& line);  // other events: dropped connections
    // "requests: prelogin 2, login 2, batch 5, rpc 1, attention 0, transaction 0"
    std::string Summary() const;

private:
    std::array<std::atomic<std::uint64_t>, tds::kRequestKindCount> counts_{};
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

struct ListenSettings {
    std::string host = "127.0.0.1";
    std::uint16_t port = 1433;
    int latencyMs = 0;
};

class Server {
public:
    Server(const Catalog& catalog, tds::ConversationConfig config, ListenSettings settings,
           RequestLog& log);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool Listen(std::string* error);
    std::uint16_t Port() const { return port_; }
    // Accepts connections until stopFd becomes readable, then closes every connection and
    // waits for their threads.
    void Run(int stopFd);

private:
    struct Connection {
        UniqueFd socket;
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    void Serve(Connection& connection, std::uint16_t spid);
    void ReapFinished();
    void CloseAll();

    const Catalog& catalog_;
    const tds::ConversationConfig config_;
    const ListenSettings settings_;
    RequestLog& log_;
    UniqueFd listener_;
    std::uint16_t port_ = 0;
    std::mutex mutex_;
    std::list<std::unique_ptr<Connection>> connections_;
    std::uint16_t nextSpid_ = 51;
};

}  // namespace catalog_server
