#include "conversation.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <utility>

#include "platform/core/text.h"
#include "tokens.h"

namespace catalog_server::tds {
namespace {

constexpr std::uint32_t kTds74 = 0x74000004;
constexpr std::uint32_t kTds73B = 0x730B0003;
constexpr std::uint32_t kTds73A = 0x730A0003;
constexpr std::uint32_t kTds72 = 0x72090002;

std::string Lower(std::string_view s) {
    std::string out(s);
    std::ranges::transform(out, out.begin(), quillon::AsciiLower);
    return out;
}

SqlError MakeError(std::int32_t number, std::uint8_t severity, std::uint8_t state,
                   std::string message) {
    SqlError error;
    error.number = number;
    error.severity = severity;
    error.state = state;
    error.message = std::move(message);
    return error;
}

SqlError InfoMessage(std::int32_t number, std::uint8_t state, std::string message) {
    return MakeError(number, 0, state, std::move(message));
}

// The engine is called behind this guard: a fault inside it becomes an error for this request
// instead of ending the server.
template <typename F>
std::vector<StatementResult> Guarded(F&& run) {
    try {
        return run();
    } catch (const std::exception& e) {
        StatementResult failed;
        failed.error =
            MakeError(8630, 16, 1, std::string("Internal Query Processor Error: ") + e.what());
        return {failed};
    }
}

// The number of the statement's first error (severity above 10), 0 when it has none.
std::int32_t FirstErrorNumber(const StatementResult& result) {
    if (result.error && result.error->severity > 10) {
        return result.error->number;
    }
    for (const SqlError& more : result.moreErrors) {
        if (more.severity > 10) {
            return more.number;
        }
    }
    return 0;
}

bool HasError(const StatementResult& result) {
    return FirstErrorNumber(result) != 0;
}

// Writes one statement's outcome: its result set, its message, then its DONE-type token.
std::int64_t WriteStatement(TokenWriter& tokens, const StatementResult& result, TokenType done,
                            bool more, std::string_view serverName) {
    std::uint16_t status = more ? done_status::kMore : done_status::kFinal;
    std::uint16_t command = current_command::kNone;
    std::uint64_t count = 0;
    std::int64_t rows = 0;
    if (result.resultSet) {
        tokens.ResultSet(*result.resultSet);
        rows = static_cast<std::int64_t>(result.resultSet->rows.size());
        status |= done_status::kCount;
        command = current_command::kSelect;
        count = static_cast<std::uint64_t>(rows);
    } else if (result.rowCount) {
        status |= done_status::kCount;
        count = static_cast<std::uint64_t>(*result.rowCount);
    }
    if (result.error) {
        tokens.Message(*result.error, serverName, "");
    }
    for (const SqlError& more : result.moreErrors) {
        tokens.Message(more, serverName, "");
    }
    if (HasError(result)) {
        status |= done_status::kError;
    }
    tokens.Done(done, status, command, count);
    return rows;
}

// Parameter names of a declaration such as "@P1 nvarchar(4000), @b int OUTPUT", lower-cased.
std::vector<std::string> DeclaredNames(std::string_view declaration) {
    std::vector<std::string> names;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= declaration.size(); ++i) {
        const char c = i < declaration.size() ? declaration[i] : ',';
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            depth = std::max(0, depth - 1);
        } else if (c == ',' && depth == 0) {
            std::string_view item = declaration.substr(start, i - start);
            const std::size_t at = item.find('@');
            if (at != std::string_view::npos) {
                std::size_t end = at + 1;
                while (end < item.size() && !std::isspace(static_cast<unsigned char>(item[end]))) {
                    ++end;
                }
                names.push_back(Lower(item.substr(at, end - at)));
            }
            start = i + 1;
        }
    }
    return names;
}

// Matches values to declared names: named values by name, unnamed ones by position.
std::optional<SqlError> BindParameters(std::string_view declaration, std::string_view statement,
                                       const std::vector<RpcParameter>& values, Parameters& bound) {
    const std::vector<std::string> declared = DeclaredNames(declaration);
    std::size_t position = 0;
    for (const RpcParameter& value : values) {
        if (!value.name.empty()) {
            bound[Lower(value.name)] = value.value;
            continue;
        }
        if (position >= declared.size()) {
            return MakeError(8144, 16, 2,
                             "Procedure or function has too many arguments specified.");
        }
        bound[declared[position++]] = value.value;
    }
    for (const std::string& name : declared) {
        if (!bound.contains(name)) {
            std::string query = "(" + std::string(declaration) + ")" + std::string(statement);
            return MakeError(8178, 16, 1,
                             "The parameterized query '" + query + "' expects the parameter '" +
                                 name + "', which was not supplied.");
        }
    }
    return std::nullopt;
}

// "[Orders]..sp_tables" -> database "Orders", procedure "sp_tables"; "dbo.p" -> "", "dbo.p".
struct ProcedureReference {
    std::string database;
    std::string procedure;  // what follows the database part, as written
    std::string lastPart;   // unquoted and lower-cased, for recognising system procedures
};

ProcedureReference SplitProcedureName(std::string_view name) {
    std::vector<std::string> parts;
    std::vector<std::size_t> partStarts;
    std::string part;
    std::size_t partStart = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            for (++i; i < name.size(); ++i) {
                if (name[i] == close) {
                    if (i + 1 < name.size() && name[i + 1] == close) {
                        part += close;
                        ++i;
                    } else {
                        break;
                    }
                } else {
                    part += name[i];
                }
            }
        } else if (c == '.') {
            parts.push_back(part);
            partStarts.push_back(partStart);
            part.clear();
            partStart = i + 1;
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    partStarts.push_back(partStart);

    ProcedureReference ref;
    ref.lastPart = Lower(parts.back());
    ref.procedure = std::string(name);
    if (parts.size() >= 3) {
        const std::size_t databaseIndex = parts.size() - 3;
        ref.database = parts[databaseIndex];
        const std::size_t schemaIndex = databaseIndex + 1;
        ref.procedure = parts[schemaIndex].empty()
                            ? std::string(name.substr(partStarts[schemaIndex + 1]))
                            : std::string(name.substr(partStarts[schemaIndex]));
    }
    return ref;
}

const std::string* TextValue(const RpcParameter& parameter) {
    return std::get_if<std::string>(&parameter.value);
}

std::optional<std::int64_t> IntegerValue(const RpcParameter& parameter) {
    if (const auto* n = std::get_if<std::int64_t>(&parameter.value)) {
        return *n;
    }
    return std::nullopt;
}

Bytes DonePayload(std::uint16_t status) {
    Bytes payload;
    TokenWriter(payload).Done(TokenType::Done, status, current_command::kNone, 0);
    return payload;
}

}  // namespace

const char* RequestKindName(RequestKind kind) {
    switch (kind) {
        case RequestKind::PreLogin:
            return "prelogin";
        case RequestKind::Login:
            return "login";
        case RequestKind::Batch:
            return "batch";
        case RequestKind::Rpc:
            return "rpc";
        case RequestKind::Attention:
            return "attention";
        case RequestKind::Transaction:
            return "transaction";
    }
    return "other";
}

Conversation::Conversation(const Catalog& catalog, const ConversationConfig& config,
                           std::uint16_t spid)
    : catalog_(catalog), config_(config), spid_(spid) {}

Conversation::~Conversation() = default;

Reply Conversation::Finish(RequestKind kind, const Bytes& payload, std::string what,
                           std::int64_t rows) {
    Reply reply;
    reply.kind = kind;
    reply.what = std::move(what);
    reply.rows = rows;
    AppendPackets(reply.packets, PacketType::TabularResult, payload,
                  loggedIn_ ? packetSize_ : kDefaultPacketSize, spid_);
    return reply;
}

Bytes Conversation::AttentionAck() const {
    Bytes packets;
    AppendPackets(packets, PacketType::TabularResult, DonePayload(done_status::kAttention),
                  packetSize_, spid_);
    return packets;
}

Bytes Conversation::CancelledReply() const {
    Bytes packets;
    AppendPackets(packets, PacketType::TabularResult, DonePayload(done_status::kFinal), packetSize_,
                  spid_);
    const Bytes ack = AttentionAck();
    packets.insert(packets.end(), ack.begin(), ack.end());
    return packets;
}

Reply Conversation::Handle(const Message& message) {
    const auto drop = [](RequestKind kind, std::string reason) {
        Reply reply;
        reply.kind = kind;
        reply.close = true;
        reply.dropReason = std::move(reason);
        return reply;
    };
    if (!loggedIn_) {
        switch (message.type) {
            case PacketType::PreLogin:
                if (preLoginSeen_) {
                    // A second PRELOGIN carries a TLS handshake: encryption was refused.
                    return drop(RequestKind::PreLogin, "client insists on encryption");
                }
                return PreLogin(message);
            case PacketType::Login7:
                return Login(message);
            case PacketType::PreTds7Login:
                return drop(RequestKind::Login, "client speaks TDS before 7.0");
            default:
                return drop(RequestKind::Login, "request before login");
        }
    }
    if (message.type == PacketType::Attention) {
        Reply reply;
        reply.kind = RequestKind::Attention;
        reply.packets = AttentionAck();
        return reply;
    }
    if (message.ignore) {
        // The client gave up on this request while sending it.
        const RequestKind kind =
            message.type == PacketType::Rpc ? RequestKind::Rpc : RequestKind::Batch;
        return Finish(kind, DonePayload(done_status::kFinal), "(ignored)", 0);
    }
    switch (message.type) {
        case PacketType::SqlBatch:
            return Batch(message);
        case PacketType::Rpc:
            return Rpc(message);
        case PacketType::TransactionManager:
            return Transaction(message);
        default:
            return drop(RequestKind::Batch, "unsupported packet type " +
                                                std::to_string(static_cast<int>(message.type)));
    }
}

Reply Conversation::PreLogin(const Message& message) {
    std::string error;
    if (!ParsePreLogin(message.payload, &error)) {
        Reply reply;
        reply.kind = RequestKind::PreLogin;
        reply.close = true;
        reply.dropReason = error;
        return reply;
    }
    preLoginSeen_ = true;
    return Finish(RequestKind::PreLogin, BuildPreLoginReply(config_.version), "", 0);
}

Reply Conversation::LoginFailure(const std::vector<SqlError>& errors, std::string what) {
    Bytes payload;
    TokenWriter tokens(payload);
    for (const SqlError& error : errors) {
        tokens.Message(error, config_.serverName, "");
    }
    tokens.Done(TokenType::Done, done_status::kError, current_command::kNone, 0);
    Reply reply = Finish(RequestKind::Login, payload, std::move(what), 0);
    reply.close = true;
    return reply;
}

Reply Conversation::Login(const Message& message) {
    std::string error;
    const std::optional<Login7> login = ParseLogin7(message.payload, &error);
    if (!login) {
        Reply reply;
        reply.kind = RequestKind::Login;
        reply.close = true;
        reply.dropReason = error;
        return reply;
    }
    const std::string what =
        login->userName + (login->database.empty() ? "" : "@") + login->database;
    const SqlError loginFailed =
        MakeError(18456, 14, 1, "Login failed for user '" + login->userName + "'.");
    if (login->integratedSecurity) {
        return LoginFailure({MakeError(18452, 14, 1,
                                       "Login failed. The login is from an untrusted domain and "
                                       "cannot be used with Integrated authentication.")},
                            what);
    }
    const bool known =
        std::any_of(config_.logins.begin(), config_.logins.end(), [&](const LoginCredentials& c) {
            return quillon::EqualsIgnoringCase(c.user, login->userName) &&
                   c.password == login->password;
        });
    if (!known) {
        return LoginFailure({loginFailed}, what);
    }

    std::string database;
    const std::vector<std::string> databases = catalog_.DatabaseNames();
    if (login->database.empty()) {
        database = databases.empty() ? std::string() : databases.front();
    } else {
        for (const std::string& name : databases) {
            if (quillon::EqualsIgnoringCase(name, login->database)) {
                database = name;
            }
        }
    }
    if (!database.empty()) {
        session_ = catalog_.OpenSession(database);
    }
    if (!session_) {
        return LoginFailure({MakeError(4060, 11, 1,
                                       "Cannot open database \"" + login->database +
                                           "\" requested by the login. The login failed."),
                             loginFailed},
                            what);
    }
    session_->SetSpid(spid_);
    loginDatabase_ = session_->CurrentDatabase();

    const std::uint32_t requested = login->packetSize;
    packetSize_ = (requested >= kMinPacketSize && requested <= kMaxPacketSize) ? requested
                                                                               : kDefaultPacketSize;
    std::uint32_t version = kTds72;
    for (const std::uint32_t known : {kTds74, kTds73B, kTds73A}) {
        if (login->tdsVersion >= known) {
            version = known;
            break;
        }
    }

    Bytes payload;
    TokenWriter tokens(payload);
    tokens.EnvChange(EnvChangeType::Database, loginDatabase_, "master");
    tokens.Message(InfoMessage(5701, 2, "Changed database context to '" + loginDatabase_ + "'."),
                   config_.serverName, "");
    tokens.EnvChangeBytes(EnvChangeType::SqlCollation, kCollation, {});
    tokens.EnvChange(EnvChangeType::Language, "us_english", "");
    tokens.Message(InfoMessage(5703, 1, "Changed language setting to us_english."),
                   config_.serverName, "");
    tokens.LoginAck(config_.programName, version, config_.version);
    tokens.EnvChange(EnvChangeType::PacketSize, std::to_string(packetSize_),
                     std::to_string(requested));
    tokens.Done(TokenType::Done, done_status::kFinal, current_command::kNone, 0);
    // The login reply still goes out in packets of the pre-login size.
    Reply reply = Finish(RequestKind::Login, payload, what, 0);
    loggedIn_ = true;
    return reply;
}

void Conversation::ResetIfAsked(const Message& message, Bytes& tokens) {
    if ((message.firstStatus &
         (packet_status::kResetConnection | packet_status::kResetConnectionSkipTran)) == 0) {
        return;
    }
    const std::string before = session_->CurrentDatabase();
    if (auto fresh = catalog_.OpenSession(loginDatabase_)) {
        session_ = std::move(fresh);
        session_->SetSpid(spid_);
    }
    prepared_.clear();
    TokenWriter writer(tokens);
    writer.EnvChangeBytes(EnvChangeType::ResetConnectionAck, {}, {});
    if (session_->CurrentDatabase() != before) {
        writer.EnvChange(EnvChangeType::Database, session_->CurrentDatabase(), before);
    }
}

Reply Conversation::Batch(const Message& message) {
    auto parsed = ParseSqlBatch(message.payload);
    if (auto* error = std::get_if<ProtocolError>(&parsed)) {
        Reply reply;
        reply.close = true;
        reply.dropReason = error->reason;
        return reply;
    }
    const std::string& text = std::get<SqlBatch>(parsed).text;
    Bytes payload;
    ResetIfAsked(message, payload);
    const std::string before = session_->CurrentDatabase();
    const std::vector<StatementResult> results =
        Guarded([&] { return session_->ExecuteBatch(text); });
    TokenWriter tokens(payload);
    const std::string after = session_->CurrentDatabase();
    if (after != before) {
        tokens.EnvChange(EnvChangeType::Database, after, before);
        tokens.Message(InfoMessage(5701, 1, "Changed database context to '" + after + "'."),
                       config_.serverName, "");
    }
    std::int64_t rows = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        rows += WriteStatement(tokens, results[i], TokenType::Done, i + 1 < results.size(),
                               config_.serverName);
    }
    if (results.empty()) {
        tokens.Done(TokenType::Done, done_status::kFinal, current_command::kNone, 0);
    }
    return Finish(RequestKind::Batch, payload, text, rows);
}

// Runs the calls of one RPC message and writes their tokens.
class Conversation::RpcRunner {
public:
    RpcRunner(Conversation& owner, Bytes& payload) : c_(owner), tokens_(payload) {}

    // Returns the rows sent; `what` receives the log text.
    std::int64_t Run(const RpcCall& call, bool last, std::string& what);

private:
    // The outcome of a call before its closing tokens are written.
    struct Outcome {
        std::vector<StatementResult> results;
        bool metadataOnly = false;  // sp_prepare: column descriptions without rows
        std::vector<std::pair<std::uint16_t, Bytes>> returnValues;  // ordinal, wire value
        std::vector<std::string> returnNames;
    };

    void ExecuteSql(const RpcCall& call, Outcome& out, std::string& what);
    void Prepare(const RpcCall& call, bool execute, Outcome& out, std::string& what);
    void Execute(const RpcCall& call, Outcome& out, std::string& what);
    void Unprepare(const RpcCall& call, Outcome& out);
    void Procedure(const RpcCall& call, const std::string& name, Outcome& out);
    void RunStatement(const std::string& statement, const std::string& declaration,
                      const std::vector<RpcParameter>& values, Outcome& out);
    static void Fail(Outcome& out, SqlError error) {
        StatementResult failed;
        failed.error = std::move(error);
        out.results.push_back(std::move(failed));
    }
    void EchoOutputs(const RpcCall& call, std::size_t from, Outcome& out) {
        for (std::size_t i = from; i < call.parameters.size(); ++i) {
            if (call.parameters[i].output) {
                out.returnValues.emplace_back(static_cast<std::uint16_t>(i),
                                              call.parameters[i].wire);
                out.returnNames.push_back(call.parameters[i].name);
            }
        }
    }

    Conversation& c_;
    TokenWriter tokens_;
};

void Conversation::RpcRunner::RunStatement(const std::string& statement,
                                           const std::string& declaration,
                                           const std::vector<RpcParameter>& values, Outcome& out) {
    Parameters bound;
    if (auto error = BindParameters(declaration, statement, values, bound)) {
        Fail(out, std::move(*error));
        return;
    }
    auto results = Guarded([&] { return c_.session_->ExecuteBatch(statement, bound); });
    out.results.insert(out.results.end(), std::make_move_iterator(results.begin()),
                       std::make_move_iterator(results.end()));
}

void Conversation::RpcRunner::ExecuteSql(const RpcCall& call, Outcome& out, std::string& what) {
    const auto& p = call.parameters;
    const std::string* statement = p.empty() ? nullptr : TextValue(p[0]);
    if (statement == nullptr) {
        Fail(out, MakeError(214, 16, 2,
                            "Procedure expects parameter '@statement' of type "
                            "'ntext/nchar/nvarchar'."));
        return;
    }
    what += ": " + *statement;
    std::string declaration;
    std::size_t firstValue = 1;
    if (p.size() > 1 && (p[1].name.empty() || quillon::EqualsIgnoringCase(p[1].name, "@params"))) {
        if (const std::string* text = TextValue(p[1])) {
            declaration = *text;
        }
        firstValue = 2;
    }
    RunStatement(
        *statement, declaration,
        std::vector<RpcParameter>(p.begin() + static_cast<std::ptrdiff_t>(firstValue), p.end()),
        out);
    EchoOutputs(call, firstValue, out);
}

void Conversation::RpcRunner::Prepare(const RpcCall& call, bool execute, Outcome& out,
                                      std::string& what) {
    const auto& p = call.parameters;
    const std::string* statement = p.size() < 3 ? nullptr : TextValue(p[2]);
    if (statement == nullptr) {
        Fail(out, MakeError(214, 16, 2,
                            "Procedure expects parameter '@stmt' of type 'ntext/nchar/nvarchar'."));
        return;
    }
    what += ": " + *statement;
    Prepared prepared{*statement, {}};
    if (const std::string* declaration = TextValue(p[1])) {
        prepared.declaration = *declaration;
    }
    const std::int32_t handle = c_.nextHandle_++;
    c_.prepared_[handle] = prepared;
    if (execute) {
        RunStatement(prepared.statement, prepared.declaration,
                     std::vector<RpcParameter>(p.begin() + 3, p.end()), out);
    } else if (p.size() > 3 && (IntegerValue(p[3]).value_or(0) & 1) != 0) {
        // Return metadata: describe the result by running it with every parameter NULL.
        Parameters bound;
        for (const std::string& name : DeclaredNames(prepared.declaration)) {
            bound[name] = Value{};
        }
        auto results =
            Guarded([&] { return c_.session_->ExecuteBatch(prepared.statement, bound); });
        for (StatementResult& result : results) {
            if (result.resultSet || HasError(result)) {
                if (result.resultSet) {
                    result.resultSet->rows.clear();
                }
                out.results.push_back(std::move(result));
                break;
            }
        }
        out.metadataOnly = true;
    }
    out.returnValues.emplace_back(0, IntReturnValue(handle));
    out.returnNames.push_back("@handle");
}

void Conversation::RpcRunner::Execute(const RpcCall& call, Outcome& out, std::string& what) {
    const auto& p = call.parameters;
    const std::optional<std::int64_t> handle = p.empty() ? std::nullopt : IntegerValue(p[0]);
    const auto found =
        handle ? c_.prepared_.find(static_cast<std::int32_t>(*handle)) : c_.prepared_.end();
    if (found == c_.prepared_.end()) {
        Fail(out, MakeError(8179, 16, 4,
                            "Could not find prepared statement with handle " +
                                (handle ? std::to_string(*handle) : std::string("NULL")) + "."));
        return;
    }
    what += ": " + found->second.statement;
    // Copied: the statement may be unprepared by a later call of the same message.
    const Prepared prepared = found->second;
    RunStatement(prepared.statement, prepared.declaration,
                 std::vector<RpcParameter>(p.begin() + 1, p.end()), out);
}

void Conversation::RpcRunner::Unprepare(const RpcCall& call, Outcome& out) {
    const auto& p = call.parameters;
    const std::optional<std::int64_t> handle = p.empty() ? std::nullopt : IntegerValue(p[0]);
    if (!handle || c_.prepared_.erase(static_cast<std::int32_t>(*handle)) == 0) {
        Fail(out, MakeError(8179, 16, 2,
                            "Could not find prepared statement with handle " +
                                (handle ? std::to_string(*handle) : std::string("NULL")) + "."));
    }
}

void Conversation::RpcRunner::Procedure(const RpcCall& call, const std::string& name,
                                        Outcome& out) {
    const ProcedureReference ref = SplitProcedureName(name);
    Parameters named;
    // Unnamed arguments of the catalog procedures are taken in their declared order.
    static const std::map<std::string, std::vector<std::string>> kSignatures = {
        {"sp_tables",
         {"@table_name", "@table_owner", "@table_qualifier", "@table_type", "@fusepattern"}},
        {"sp_columns",
         {"@table_name", "@table_owner", "@table_qualifier", "@column_name", "@odbcver"}},
    };
    const auto signature = kSignatures.find(ref.lastPart);
    std::size_t position = 0;
    for (const RpcParameter& parameter : call.parameters) {
        if (!parameter.name.empty()) {
            named[Lower(parameter.name)] = parameter.value;
        } else if (signature != kSignatures.end() && position < signature->second.size()) {
            named[signature->second[position++]] = parameter.value;
        } else {
            named["@" + std::to_string(++position)] = parameter.value;
        }
    }
    const std::string current = c_.session_->CurrentDatabase();
    const bool switchDatabase =
        !ref.database.empty() && !quillon::EqualsIgnoringCase(ref.database, current);
    if (switchDatabase && !c_.session_->UseDatabase(ref.database)) {
        Fail(out, MakeError(911, 16, 1,
                            "Database '" + ref.database +
                                "' does not exist. Make sure that the name is entered correctly."));
        return;
    }
    out.results = Guarded([&] { return c_.session_->ExecuteProcedure(ref.procedure, named); });
    if (switchDatabase) {
        c_.session_->UseDatabase(current);
    }
    EchoOutputs(call, 0, out);
}

std::int64_t Conversation::RpcRunner::Run(const RpcCall& call, bool last, std::string& what) {
    const std::string name = ProcedureName(call);
    what = name;
    Outcome out;
    const std::string procedure = call.procId ? name : SplitProcedureName(name).lastPart;
    if (procedure == "sp_executesql") {
        ExecuteSql(call, out, what);
    } else if (procedure == "sp_prepexec") {
        Prepare(call, true, out, what);
    } else if (procedure == "sp_prepare") {
        Prepare(call, false, out, what);
    } else if (procedure == "sp_execute") {
        Execute(call, out, what);
    } else if (procedure == "sp_unprepare") {
        Unprepare(call, out);
    } else if (call.procId) {
        Fail(out, MakeError(2812, 16, 62, "Could not find stored procedure '" + name + "'."));
    } else {
        Procedure(call, name, out);
    }

    std::int64_t rows = 0;
    std::int32_t returnStatus = 0;
    for (const StatementResult& result : out.results) {
        if (out.metadataOnly && result.resultSet) {
            catalog_server::ResultSet columnsOnly{result.resultSet->columns, {}};
            tokens_.ResultSet(columnsOnly);
            continue;
        }
        rows += WriteStatement(tokens_, result, TokenType::DoneInProc, true, c_.config_.serverName);
        if (returnStatus == 0) {
            returnStatus = FirstErrorNumber(result);
        }
    }
    tokens_.ReturnStatus(returnStatus);
    for (std::size_t i = 0; i < out.returnValues.size(); ++i) {
        tokens_.ReturnValue(out.returnValues[i].first, out.returnNames[i],
                            out.returnValues[i].second);
    }
    std::uint16_t status = returnStatus != 0 ? done_status::kError : done_status::kFinal;
    if (!last) {
        status |= done_status::kMore;
    }
    tokens_.Done(TokenType::DoneProc, status, current_command::kExecute, 0);
    return rows;
}

Reply Conversation::Rpc(const Message& message) {
    auto parsed = ParseRpc(message.payload);
    if (auto* error = std::get_if<ProtocolError>(&parsed)) {
        Reply reply;
        reply.kind = RequestKind::Rpc;
        reply.close = true;
        reply.dropReason = error->reason;
        return reply;
    }
    Bytes payload;
    ResetIfAsked(message, payload);
    if (auto* error = std::get_if<RequestError>(&parsed)) {
        TokenWriter tokens(payload);
        tokens.Message(error->error, config_.serverName, "");
        tokens.Done(TokenType::DoneProc, done_status::kError, current_command::kNone, 0);
        return Finish(RequestKind::Rpc, payload, "(malformed call)", 0);
    }
    const auto& calls = std::get<std::vector<RpcCall>>(parsed);
    const std::string before = session_->CurrentDatabase();
    std::int64_t rows = 0;
    std::string what;
    Bytes body;
    RpcRunner runner(*this, body);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        std::string one;
        rows += runner.Run(calls[i], i + 1 == calls.size(), one);
        what += (what.empty() ? "" : "; ") + one;
    }
    const std::string after = session_->CurrentDatabase();
    if (after != before) {
        TokenWriter(payload).EnvChange(EnvChangeType::Database, after, before);
    }
    payload.insert(payload.end(), body.begin(), body.end());
    return Finish(RequestKind::Rpc, payload, what, rows);
}

Reply Conversation::Transaction(const Message& message) {
    auto parsed = ParseTransactionRequest(message.payload);
    if (auto* error = std::get_if<ProtocolError>(&parsed)) {
        Reply reply;
        reply.kind = RequestKind::Transaction;
        reply.close = true;
        reply.dropReason = error->reason;
        return reply;
    }
    const std::uint16_t type = std::get<TransactionRequest>(parsed).type;
    constexpr std::uint16_t kBegin = 5;
    constexpr std::uint16_t kCommit = 7;
    constexpr std::uint16_t kRollback = 8;
    const auto descriptor = [](std::uint64_t id) {
        Bytes bytes;
        ByteWriter(bytes).U64LE(id);
        return bytes;
    };
    Bytes payload;
    TokenWriter tokens(payload);
    std::uint16_t status = done_status::kFinal;
    std::string what;
    if (type == kBegin) {
        what = "begin";
        if (transaction_ == 0) {
            transaction_ = nextTransaction_++;
        }
        tokens.EnvChangeBytes(EnvChangeType::BeginTransaction, descriptor(transaction_), {});
    } else if (type == kCommit || type == kRollback) {
        what = type == kCommit ? "commit" : "rollback";
        if (transaction_ != 0) {
            tokens.EnvChangeBytes(type == kCommit ? EnvChangeType::CommitTransaction
                                                  : EnvChangeType::RollbackTransaction,
                                  {}, descriptor(transaction_));
            transaction_ = 0;
        } else {
            tokens.Message(MakeError(type == kCommit ? 3902 : 3903, 16, 1,
                                     type == kCommit ? "The COMMIT TRANSACTION request has no "
                                                       "corresponding BEGIN TRANSACTION."
                                                     : "The ROLLBACK TRANSACTION request has no "
                                                       "corresponding BEGIN TRANSACTION."),
                           config_.serverName, "");
            status = done_status::kError;
        }
    } else {
        what = "request " + std::to_string(type);
        tokens.Message(MakeError(8501, 16, 1, "Distributed transactions are not supported."),
                       config_.serverName, "");
        status = done_status::kError;
    }
    tokens.Done(TokenType::Done, status, current_command::kNone, 0);
    return Finish(RequestKind::Transaction, payload, what, 0);
}

}  // namespace catalog_server::tds
