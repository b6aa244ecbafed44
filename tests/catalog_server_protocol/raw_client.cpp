#include "raw_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace catalog_server::testing {

RawClient::~RawClient() {
    Close();
}

void RawClient::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool RawClient::Connect(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return fd_ >= 0 &&
           ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool RawClient::Send(const Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<Bytes> RawClient::ReadMessage(int timeoutMs) {
    Bytes payload;
    const auto readExactly = [&](std::uint8_t* out, std::size_t n) {
        std::size_t got = 0;
        while (got < n) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, timeoutMs) <= 0) {
                return false;
            }
            const ssize_t r = ::recv(fd_, out + got, n - got, 0);
            if (r <= 0) {
                return false;
            }
            got += static_cast<std::size_t>(r);
        }
        return true;
    };
    for (;;) {
        std::uint8_t header[8];
        if (!readExactly(header, 8)) {
            return std::nullopt;
        }
        const std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (length < 8) {
            return std::nullopt;
        }
        const std::size_t at = payload.size();
        payload.resize(at + length - 8);
        if (!readExactly(payload.data() + at, length - 8)) {
            return std::nullopt;
        }
        if ((header[1] & 0x01) != 0) {
            return payload;
        }
    }
}

bool RawClient::Login(const std::string& user, const std::string& password,
                      const std::string& database) {
    if (!Send(Packets(0x12, PreLoginPayload(0))) || !ReadMessage()) {
        return false;
    }
    LoginFields fields;
    fields.user = user;
    fields.password = password;
    fields.database = database;
    if (!Send(Packets(0x10, Login7Payload(fields)))) {
        return false;
    }
    const auto reply = ReadMessage();
    if (!reply) {
        return false;
    }
    std::string error;
    for (const Token& t : DecodeTokens(*reply, &error)) {
        if (t.type == 0xAD) {
            return true;
        }
    }
    return false;
}

std::vector<Token> RawClient::Query(const std::string& sql) {
    if (!Send(Packets(0x01, BatchPayload(sql)))) {
        return {};
    }
    const auto reply = ReadMessage();
    if (!reply) {
        return {};
    }
    std::string error;
    return DecodeTokens(*reply, &error);
}

bool RawClient::ClosedByServer(int timeoutMs) {
    std::uint8_t buffer[4096];
    for (;;) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, timeoutMs) <= 0) {
            return false;
        }
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return true;
        }
    }
}

}  // namespace catalog_server::testing
