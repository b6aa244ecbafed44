#pragma once

// One client connection's protocol state, free of sockets: it takes whole request messages and
// returns the packets to send back. PRELOGIN, LOGIN7 and the login reply, SQL batches, RPC
// calls (sp_executesql, sp_prepexec, sp_prepare, sp_execute, sp_unprepare and any procedure the
// engine knows, by name or id), attention, reset-connection and transaction-manager requests.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../engine/engine.h"
#include "login.h"
#include "packet.h"
#include "requests.h"

namespace catalog_server::tds {

struct LoginCredentials {
    std::string user;
    std::string password;
};

struct ConversationConfig {
    std::vector<LoginCredentials> logins;
    std::string serverName = "catalog-server";
    std::string programName = "Microsoft SQL Server";
    ServerVersion version;
};

enum class RequestKind { PreLogin, Login, Batch, Rpc, Attention, Transaction };
inline constexpr int kRequestKindCount = 6;
const char* RequestKindName(RequestKind kind);

struct Reply {
    Bytes packets;       // whole packets, ready to send
    bool close = false;  // close the connection once the packets are sent
    RequestKind kind = RequestKind::Batch;
    std::string what;  // the SQL text or procedure, for the request log
    std::int64_t rows = 0;
    std::string dropReason;  // set when the client broke the protocol (nothing is sent)
};

class Conversation {
public:
    Conversation(const Catalog& catalog, const ConversationConfig& config, std::uint16_t spid);
    ~Conversation();

    Reply Handle(const Message& message);
    // The message that acknowledges an attention: a DONE with the attention bit.
    Bytes AttentionAck() const;
    // What replaces the answer to a request cancelled before its answer went out: the answer
    // cut to a final DONE, then the acknowledgement as a message of its own (tedious reads the
    // request's answer first, then exactly one more message for the acknowledgement).
    Bytes CancelledReply() const;
    // Size of the packets the client may send now: the default until the login is answered,
    // then the negotiated one.
    std::size_t PacketSize() const { return loggedIn_ ? packetSize_ : kMaxPacketSize; }
    bool LoggedIn() const { return loggedIn_; }

private:
    struct Prepared {
        std::string statement;
        std::string declaration;
    };

    Reply PreLogin(const Message& message);
    Reply Login(const Message& message);
    Reply Batch(const Message& message);
    Reply Rpc(const Message& message);
    Reply Transaction(const Message& message);
    Reply LoginFailure(const std::vector<SqlError>& errors, std::string what);
    Reply Finish(RequestKind kind, const Bytes& payload, std::string what, std::int64_t rows);
    // Restores the state of a fresh login when the client asks for a connection reset.
    void ResetIfAsked(const Message& message, Bytes& tokens);

    class RpcRunner;

    const Catalog& catalog_;
    const ConversationConfig& config_;
    std::uint16_t spid_;
    bool preLoginSeen_ = false;
    bool loggedIn_ = false;
    std::size_t packetSize_ = kDefaultPacketSize;
    std::string loginDatabase_;
    std::unique_ptr<Session> session_;
    std::map<std::int32_t, Prepared> prepared_;
    std::int32_t nextHandle_ = 1;
    std::uint64_t transaction_ = 0;  // open transaction's descriptor, 0 when none
    std::uint64_t nextTransaction_ = 1;
};

}  // namespace catalog_server::tds
