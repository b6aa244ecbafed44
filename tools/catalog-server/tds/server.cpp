#include "server.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <vector>

#include "packet.h"

namespace catalog_server {
namespace {

using Clock = std::chrono::steady_clock;

// Largest request accepted: a LOGIN7 is capped at 128 KiB by the protocol; batches and calls
// may be long, but not unbounded.
constexpr std::size_t kMaxLoginMessage = 128 * 1024;
constexpr std::size_t kMaxRequestMessage = 64 * 1024 * 1024;
constexpr std::size_t kReceiveBuffer = 64 * 1024;

bool SendAll(int fd, const tds::Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads what is available into the assembler; false when the peer closed or broke the protocol.
bool ReceiveInto(int fd, tds::MessageAssembler& assembler, std::vector<std::uint8_t>& buffer) {
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        return assembler.Feed(tds::ByteView(buffer.data(), static_cast<std::size_t>(n)));
    }
}

std::string EscapeForLog(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.Release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int UniqueFd::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

RequestLog::~RequestLog() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool RequestLog::Open(const std::string& path, std::string* error) {
    file_ = std::fopen(path.c_str(), "a");
    if (file_ == nullptr) {
        *error = "cannot open log file " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void RequestLog::Record(tds::RequestKind kind, const std::string& what, std::int64_t rows,
                        double ms) {
    counts_[static_cast<std::size_t>(kind)].fetch_add(1, std::memory_order_relaxed);
    if (file_ == nullptr) {
        return;
    }
    const std::string line = std::string(tds::RequestKindName(kind)) + "\t" + EscapeForLog(what) +
                             "\t" + std::to_string(rows) + "\t";
    std::lock_guard lock(mutex_);
    std::fprintf(file_, "%s%.3f\n", line.c_str(), ms);
    std::fflush(file_);
}

void RequestLog::Note(const std::string& line) {
    if (file_ == nullptr) {
        return;
    }
    std::lock_guard lock(mutex_);
    std::fprintf(file_, "%s\n", EscapeForLog(line).c_str());
    std::fflush(file_);
}

std::string RequestLog::Summary() const {
    std::string text = "requests:";
    for (int i = 0; i < tds::kRequestKindCount; ++i) {
        text += std::string(i == 0 ? " " : ", ") +
                tds::RequestKindName(static_cast<tds::RequestKind>(i)) + " " +
                std::to_string(counts_[static_cast<std::size_t>(i)].load());
    }
    return text;
}

Server::Server(const Catalog& catalog, tds::ConversationConfig config, ListenSettings settings,
               RequestLog& log)
    : catalog_(catalog), config_(std::move(config)), settings_(std::move(settings)), log_(log) {}

Server::~Server() {
    CloseAll();
}

bool Server::Listen(std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(settings_.port);
    if (const int rc = ::getaddrinfo(settings_.host.c_str(), service.c_str(), &hints, &found);
        rc != 0) {
        *error = "cannot resolve " + settings_.host + ": " + ::gai_strerror(rc);
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    std::string reason = "no address";
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        UniqueFd fd(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
        if (!fd) {
            reason = std::strerror(errno);
            continue;
        }
        const int on = 1;
        ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd.Get(), a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd.Get(), 128) != 0) {
            reason = std::strerror(errno);
            continue;
        }
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&bound), &length);
        port_ = ntohs(bound.ss_family == AF_INET6
                          ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                          : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
        listener_ = std::move(fd);
        return true;
    }
    *error = "cannot listen on " + settings_.host + ":" + service + ": " + reason;
    return false;
}

void Server::Run(int stopFd) {
    for (;;) {
        pollfd fds[2] = {{listener_.Get(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[1].revents != 0) {
            break;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            continue;
        }
        UniqueFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client) {
            continue;  // the client left before being accepted, or out of descriptors
        }
        const int on = 1;
        ::setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ReapFinished();
        std::lock_guard lock(mutex_);
        auto connection = std::make_unique<Connection>();
        connection->socket = std::move(client);
        Connection& ref = *connection;
        const std::uint16_t spid = nextSpid_;
        nextSpid_ = nextSpid_ >= 32000 ? 51 : static_cast<std::uint16_t>(nextSpid_ + 1);
        connections_.push_back(std::move(connection));
        ref.thread = std::thread([this, &ref, spid] {
            // Whatever goes wrong in one connection (an engine fault, memory) ends only it.
            try {
                Serve(ref, spid);
            } catch (const std::exception& e) {
                log_.Note("dropped connection " + std::to_string(spid) + ": " + e.what());
                ::shutdown(ref.socket.Get(), SHUT_RDWR);
            }
            ref.finished = true;
        });
    }
    listener_ = UniqueFd();
    CloseAll();
}

void Server::ReapFinished() {
    std::list<std::unique_ptr<Connection>> done;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->finished) {
                done.splice(done.end(), connections_, it++);
            } else {
                ++it;
            }
        }
    }
    for (auto& connection : done) {
        connection->thread.join();
    }
}

void Server::CloseAll() {
    std::list<std::unique_ptr<Connection>> all;
    {
        std::lock_guard lock(mutex_);
        for (auto& connection : connections_) {
            // Wakes the thread from recv/poll; the descriptor is closed after the join.
            ::shutdown(connection->socket.Get(), SHUT_RDWR);
        }
        all.splice(all.end(), connections_);
    }
    for (auto& connection : all) {
        connection->thread.join();
    }
}

void Server::Serve(Connection& connection, std::uint16_t spid) {
    const int fd = connection.socket.Get();
    tds::Conversation conversation(catalog_, config_, spid);
    tds::MessageAssembler assembler(conversation.PacketSize(), kMaxLoginMessage);
    std::vector<std::uint8_t> buffer(kReceiveBuffer);
    const auto drop = [&](const std::string& reason) {
        log_.Note("dropped connection " + std::to_string(spid) + ": " + reason);
        ::shutdown(fd, SHUT_RDWR);
    };
    for (;;) {
        while (!assembler.HasMessage()) {
            if (!ReceiveInto(fd, assembler, buffer)) {
                if (!assembler.Error().empty()) {
                    drop(assembler.Error());
                } else if (assembler.Partial()) {
                    drop("client left in the middle of a request");
                }
                return;
            }
        }
        const tds::Message message = *assembler.Next();
        const Clock::time_point start = Clock::now();
        tds::Reply reply = conversation.Handle(message);
        if (!reply.dropReason.empty()) {
            drop(reply.dropReason);
            return;
        }
        if (settings_.latencyMs > 0) {
            // The slow network: the answer waits; an attention in the meantime cancels it.
            const Clock::time_point due = start + std::chrono::milliseconds(settings_.latencyMs);
            const auto attentionWaiting = [&] {
                const tds::Message* next = assembler.Peek();
                return next != nullptr && next->type == tds::PacketType::Attention &&
                       conversation.LoggedIn();
            };
            bool cancelled = attentionWaiting();
            while (!cancelled) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
                if (left.count() <= 0) {
                    break;
                }
                pollfd pfd{fd, POLLIN, 0};
                if (::poll(&pfd, 1, static_cast<int>(left.count())) > 0) {
                    if (!ReceiveInto(fd, assembler, buffer)) {
                        if (!assembler.Error().empty()) {
                            drop(assembler.Error());
                        }
                        return;
                    }
                    cancelled = attentionWaiting();
                }
            }
            if (cancelled) {
                assembler.Next();
                log_.Record(
                    reply.kind, reply.what, 0,
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                reply.kind = tds::RequestKind::Attention;
                reply.what = "(cancelled the request above)";
                reply.rows = 0;
                reply.packets = conversation.CancelledReply();
            }
        }
        const bool sent = SendAll(fd, reply.packets);
        log_.Record(reply.kind, reply.what, reply.rows,
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!sent) {
            return;
        }
        if (reply.close) {
            ::shutdown(fd, SHUT_RDWR);
            return;
        }
        assembler.SetMaxPacketSize(conversation.PacketSize());
        assembler.SetMaxMessageSize(conversation.LoggedIn() ? kMaxRequestMessage
                                                            : kMaxLoginMessage);
    }
}

}  // namespace catalog_server
