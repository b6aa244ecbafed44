#pragma once

// Parsing of the requests a logged-in client sends: SQL batches, RPC calls (by name or by
// well-known procedure id) with their typed parameters, and transaction-manager requests.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "../engine/engine.h"
#include "wire.h"

namespace catalog_server::tds {

// Procedure ids a client may send instead of a name.
enum class ProcId : std::uint16_t {
    Cursor = 1,
    CursorOpen = 2,
    CursorPrepare = 3,
    CursorExecute = 4,
    CursorPrepExec = 5,
    CursorUnprepare = 6,
    CursorFetch = 7,
    CursorOption = 8,
    CursorClose = 9,
    ExecuteSql = 10,
    Prepare = 11,
    Execute = 12,
    PrepExec = 13,
    PrepExecRpc = 14,
    Unprepare = 15,
};

// A request that parsed as TDS but cannot be run: it becomes an ERROR token, and the connection
// stays open.
struct RequestError {
    SqlError error;
};

// The stream cannot be parsed at all: the connection is dropped.
struct ProtocolError {
    std::string reason;
};

struct SqlBatch {
    std::string text;  // UTF-8
};

std::variant<SqlBatch, ProtocolError> ParseSqlBatch(ByteView payload);

struct RpcParameter {
    std::string name;  // as sent, with '@', or empty
    bool output = false;
    Value value;
    Bytes wire;  // type information and value as received, echoed back for OUTPUT parameters
};

struct RpcCall {
    std::optional<std::uint16_t> procId;
    std::string name;  // when called by name
    std::vector<RpcParameter> parameters;
};

// One or more calls (a message may batch several, separated by 0x80 or 0xFF).
std::variant<std::vector<RpcCall>, RequestError, ProtocolError> ParseRpc(ByteView payload);

// The procedure's name: the given name, or the one the id stands for ("sp_executesql").
std::string ProcedureName(const RpcCall& call);

struct TransactionRequest {
    std::uint16_t type = 0;  // 5 begin, 7 commit, 8 rollback, ...
};

std::variant<TransactionRequest, ProtocolError> ParseTransactionRequest(ByteView payload);

}  // namespace catalog_server::tds
