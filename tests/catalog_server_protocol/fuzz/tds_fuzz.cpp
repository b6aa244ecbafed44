// libFuzzer target for the packet and token code: the input is what a client sends. The first
// byte picks how the stream is cut and whether the harness logs in first, so that batches, RPC
// calls, attention and transaction requests are reached as well as PRELOGIN and LOGIN7.
// Every request is answered by an engine that echoes the text and parameters back as rows, so
// the token writers see whatever the parsers produced.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "../tds_test_client.h"
#include "tds/conversation.h"
#include "tds/login.h"
#include "tds/packet.h"
#include "tds/requests.h"

namespace {

using namespace catalog_server;

class EchoSession : public Session {
public:
    std::string CurrentDatabase() const override { return database_; }
    bool UseDatabase(std::string_view name) override {
        if (name == "Orders" || name == "Other") {
            database_ = std::string(name);
            return true;
        }
        return false;
    }
    std::vector<StatementResult> ExecuteBatch(std::string_view sql,
                                              const Parameters& parameters) override {
        return Echo(sql, parameters);
    }
    std::vector<StatementResult> ExecuteProcedure(std::string_view name,
                                                  const Parameters& parameters) override {
        return Echo(name, parameters);
    }

private:
    static std::vector<StatementResult> Echo(std::string_view text, const Parameters& parameters) {
        ResultSet rows;
        rows.columns = {{"text", ColumnType::NVarChar, 10, false},
                        {"full", ColumnType::NVarChar, -1, true},
                        {"n", ColumnType::Int, 0, false},
                        {"b", ColumnType::Bit, 0, true},
                        {"t", ColumnType::TinyInt, 0, true}};
        rows.rows.push_back({std::string(text), std::string(text),
                             static_cast<std::int64_t>(text.size()), Value{}, std::int64_t{1}});
        for (const auto& [name, value] : parameters) {
            rows.rows.push_back({name, value, value, value, value});
        }
        StatementResult result;
        result.resultSet = std::move(rows);
        StatementResult failed;
        failed.error = SqlError{102, 1, 15, 1, std::string(text)};
        failed.moreErrors.push_back(SqlError{105, 1, 15, 1, "more"});
        return {result, StatementResult{}, failed};
    }

    std::string database_ = "Orders";
};

class EchoCatalog : public Catalog {
public:
    std::unique_ptr<Session> OpenSession(std::string_view database) const override {
        auto session = std::make_unique<EchoSession>();
        return session->UseDatabase(database) ? std::move(session) : nullptr;
    }
    std::vector<std::string> DatabaseNames() const override { return {"Orders", "Other"}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    const tds::ByteView stream(data + 1, size - 1);

    // The parsers on their own, with the whole input as one payload.
    std::string error;
    tds::ParsePreLogin(stream, &error);
    tds::ParseLogin7(stream, &error);
    tds::ParseRpc(stream);
    tds::ParseSqlBatch(stream);
    tds::ParseTransactionRequest(stream);

    static const EchoCatalog catalog;
    static const tds::ConversationConfig config = [] {
        tds::ConversationConfig c;
        c.logins = {{"demo", "demo"}};
        return c;
    }();
    tds::Conversation conversation(catalog, config, 51);
    if ((mode & 0x01) != 0) {
        static const std::uint32_t kSizes[] = {512, 4096, 32767, 9000};
        testing::LoginFields login;
        login.packetSize = kSizes[(mode >> 3) & 0x03];
        conversation.Handle({tds::PacketType::PreLogin, 0, false, testing::PreLoginPayload(0)});
        conversation.Handle({tds::PacketType::Login7, 0, false, testing::Login7Payload(login)});
    }
    tds::MessageAssembler assembler(conversation.PacketSize(), 1 << 20);
    static const std::size_t kChunks[] = {1, 7, 512, 1 << 20};
    const std::size_t chunk = kChunks[(mode >> 1) & 0x03];
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        if (!assembler.Feed(stream.subspan(at, std::min(chunk, stream.size() - at)))) {
            return 0;
        }
        while (auto message = assembler.Next()) {
            const tds::Reply reply = conversation.Handle(*message);
            if (reply.close) {
                return 0;
            }
            assembler.SetMaxPacketSize(conversation.PacketSize());
        }
    }
    return 0;
}
