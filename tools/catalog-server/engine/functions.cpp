#include "functions.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "model.h"
#include "text.h"

namespace catalog_server {
namespace {

const SessionInfo& Info(sqlite3_context* ctx) {
    return *static_cast<const SessionInfo*>(sqlite3_user_data(ctx));
}

std::string_view Text(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v)))
             : std::string_view();
}

bool IsNull(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

void ResultText(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

int CollateMssql(void*, int n1, const void* a, int n2, const void* b) {
    return CompareNoCase(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(n1)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(n2)));
}

void Like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    // SQLite calls like(pattern, text[, escape]).
    if (IsNull(argv[0]) || IsNull(argv[1]) || (argc == 3 && IsNull(argv[2]))) {
        sqlite3_result_null(ctx);
        return;
    }
    char32_t escape = 0;
    if (argc == 3) {
        const std::string_view e = Text(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(
                ctx, "The invalid escape character was specified in a LIKE predicate.", -1);
            return;
        }
        escape = static_cast<unsigned char>(e[0]);
    }
    sqlite3_result_int(ctx, LikeMatch(Text(argv[0]), Text(argv[1]), escape) ? 1 : 0);
}

void ObjectId(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto id =
        ResolveObjectId(*Info(ctx).database, Text(argv[0]),
                        argc > 1 && !IsNull(argv[1]) ? Text(argv[1]) : std::string_view());
    if (id) {
        sqlite3_result_int(ctx, *id);
    } else {
        sqlite3_result_null(ctx);
    }
}

void ObjectName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (IsNull(argv[0]) || (argc > 1 && !IsNull(argv[1]) && sqlite3_value_int(argv[1]) != 5)) {
        sqlite3_result_null(ctx);
        return;
    }
    const int id = sqlite3_value_int(argv[0]);
    if (const ObjectDef* o = Info(ctx).database->ObjectById(id)) {
        ResultText(ctx, o->name);
        return;
    }
    for (const auto& v : SystemViews()) {
        if (v.id == id) {
            ResultText(ctx, v.name);
            return;
        }
    }
    sqlite3_result_null(ctx);
}

void SchemaName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const int id = argc == 0 ? 1 : sqlite3_value_int(argv[0]);
    if (argc > 0 && IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    if (const SchemaDef* s = Info(ctx).database->SchemaById(id)) {
        ResultText(ctx, s->name);
    } else {
        sqlite3_result_null(ctx);
    }
}

void SchemaId(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc == 0) {
        sqlite3_result_int(ctx, 1);
        return;
    }
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    if (const SchemaDef* s = Info(ctx).database->FindSchema(Text(argv[0]))) {
        sqlite3_result_int(ctx, s->id);
    } else {
        sqlite3_result_null(ctx);
    }
}

const IndexDef* FindIndex(const TableDef* t, sqlite3_value* indid) {
    if (!t || IsNull(indid)) {
        return nullptr;
    }
    const int wanted = sqlite3_value_int(indid);
    for (const auto& ix : t->indexes) {
        if (ix.indid == wanted && ix.indid != 0) {
            return &ix;
        }
    }
    return nullptr;
}

void IndexProperty(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]) || IsNull(argv[1]) || IsNull(argv[2])) {
        sqlite3_result_null(ctx);
        return;
    }
    const TableDef* t = Info(ctx).database->TableById(sqlite3_value_int(argv[0]));
    const IndexDef* found = nullptr;
    if (t) {
        for (const auto& ix : t->indexes) {
            if (ix.indid != 0 && EqualsNoCase(ix.name, Text(argv[1]))) {
                found = &ix;
            }
        }
    }
    if (!found) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string property = FoldName(Text(argv[2]));
    if (property == "isstatistics" || property == "isautostatistics" ||
        property == "ishypothetical") {
        sqlite3_result_int(ctx, 0);
    } else if (property == "isclustered") {
        sqlite3_result_int(ctx, found->clustered ? 1 : 0);
    } else if (property == "isunique") {
        sqlite3_result_int(ctx, found->unique ? 1 : 0);
    } else if (property == "indexid") {
        sqlite3_result_int(ctx, found->indid);
    } else {
        sqlite3_result_null(ctx);
    }
}

void IndexKeyProperty(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]) || IsNull(argv[2]) || IsNull(argv[3])) {
        sqlite3_result_null(ctx);
        return;
    }
    const IndexDef* ix =
        FindIndex(Info(ctx).database->TableById(sqlite3_value_int(argv[0])), argv[1]);
    const int keyno = sqlite3_value_int(argv[2]);
    if (!ix || keyno < 1 || keyno > static_cast<int>(ix->keys.size())) {
        sqlite3_result_null(ctx);
        return;
    }
    const IndexKey& key = ix->keys[static_cast<std::size_t>(keyno) - 1];
    const std::string property = FoldName(Text(argv[3]));
    if (property == "isdescending") {
        sqlite3_result_int(ctx, key.descending ? 1 : 0);
    } else if (property == "columnid") {
        sqlite3_result_int(ctx, key.colid);
    } else {
        sqlite3_result_null(ctx);
    }
}

void ObjectProperty(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    const Database& db = *Info(ctx).database;
    const ObjectDef* o = db.ObjectById(sqlite3_value_int(argv[0]));
    if (!o) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string p = FoldName(Text(argv[1]));
    int r = -1;
    if (p == "isusertable") {
        r = o->xtype == "U";
    } else if (p == "istable") {
        r = o->xtype == "U";
    } else if (p == "isview") {
        r = o->xtype == "V";
    } else if (p == "isprocedure") {
        r = o->xtype == "P";
    } else if (p == "isprimarykey") {
        r = o->xtype == "PK";
    } else if (p == "isforeignkey") {
        r = o->xtype == "F";
    } else if (p == "ischeckcnst") {
        r = o->xtype == "C";
    } else if (p == "isdefaultcnst") {
        r = o->xtype == "D";
    } else if (p == "isconstraint") {
        r = o->kind == ObjectKind::Constraint;
    } else if (p == "ismsshipped" || p == "issystemtable") {
        r = 0;
    } else if (p == "ownerid" || p == "schemaid") {
        r = o->schemaId;
    } else if (p == "tablehasprimarykey") {
        r = 0;
        if (const TableDef* t = db.TableById(o->id)) {
            for (const auto& ix : t->indexes) {
                r = r || ix.primaryKey;
            }
        }
    }
    if (r < 0) {
        sqlite3_result_null(ctx);
    } else {
        sqlite3_result_int(ctx, r);
    }
}

void ColName(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const TableDef* t =
        IsNull(argv[0]) ? nullptr : Info(ctx).database->TableById(sqlite3_value_int(argv[0]));
    const int colid = IsNull(argv[1]) ? 0 : sqlite3_value_int(argv[1]);
    if (!t || colid < 1 || colid > static_cast<int>(t->columns.size())) {
        sqlite3_result_null(ctx);
        return;
    }
    ResultText(ctx, t->columns[static_cast<std::size_t>(colid) - 1].name);
}

void QuoteName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string_view s = Text(argv[0]);
    std::string open = "[";
    if (argc > 1) {
        if (IsNull(argv[1])) {
            sqlite3_result_null(ctx);
            return;
        }
        open = std::string(Text(argv[1]).substr(0, 1));
    }
    char close;
    if (open == "[" || open == "]") {
        open = "[";
        close = ']';
    } else if (open == "\"") {
        close = '"';
    } else if (open == "'") {
        close = '\'';
    } else if (open == "(" || open == ")") {
        open = "(";
        close = ')';
    } else if (open == "<" || open == ">") {
        open = "<";
        close = '>';
    } else if (open == "{" || open == "}") {
        open = "{";
        close = '}';
    } else if (open == "`") {
        close = '`';
    } else {
        sqlite3_result_null(ctx);
        return;
    }
    if (CodePointCount(s) > 128) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string out = open;
    for (const char c : s) {
        out += c;
        if (c == close) {
            out += c;
        }
    }
    out += close;
    ResultText(ctx, out);
}

void Len(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int64(
        ctx, static_cast<sqlite3_int64>(CodePointCount(TrimTrailingBlanks(Text(argv[0])))));
}

void DataLength(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        sqlite3_result_int(ctx, 4);
        return;
    }
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(2 * CodePointCount(Text(argv[0]))));
}

void DbName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc > 0 && (IsNull(argv[0]) || sqlite3_value_int(argv[0]) != 5)) {
        sqlite3_result_null(ctx);
        return;
    }
    ResultText(ctx, Info(ctx).database->name);
}

void DbId(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc > 0 && (IsNull(argv[0]) || !EqualsNoCase(Text(argv[0]), Info(ctx).database->name))) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int(ctx, 5);
}

void UserName(sqlite3_context* ctx, int, sqlite3_value**) {
    ResultText(ctx, "dbo");
}

void Upper(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
    } else {
        ResultText(ctx, UpperText(Text(argv[0])));
    }
}

void Lower(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
    } else {
        ResultText(ctx, LowerText(Text(argv[0])));
    }
}

void IsNullFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_value(ctx, IsNull(argv[0]) ? argv[1] : argv[0]);
}

void GetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[40];
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    std::snprintf(buf + n, sizeof buf - n, ".%03d", static_cast<int>(ms));
    ResultText(ctx, buf);
}

void CharIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string needle = LowerText(Text(argv[0]));
    const std::string hay = LowerText(Text(argv[1]));
    std::size_t start = 0;
    if (argc > 2 && !IsNull(argv[2]) && sqlite3_value_int(argv[2]) > 1) {
        start =
            CutToCharacters(hay, static_cast<std::size_t>(sqlite3_value_int(argv[2]) - 1)).size();
    }
    if (needle.empty()) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const std::size_t at = hay.find(needle, start);
    sqlite3_result_int64(ctx, at == std::string::npos ? 0
                                                      : static_cast<sqlite3_int64>(
                                                            CodePointCount(hay.substr(0, at)) + 1));
}

void LeftRight(sqlite3_context* ctx, sqlite3_value** argv, bool left) {
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    const int n = sqlite3_value_int(argv[1]);
    if (n < 0) {
        sqlite3_result_error(ctx, "Invalid length parameter passed to the LEFT or RIGHT function.",
                             -1);
        return;
    }
    const std::string_view s = Text(argv[0]);
    const std::size_t count = CodePointCount(s);
    if (left) {
        ResultText(ctx, CutToCharacters(s, static_cast<std::size_t>(n)));
    } else {
        const std::size_t skip = count > static_cast<std::size_t>(n) ? count - n : 0;
        ResultText(ctx, std::string(s.substr(CutToCharacters(s, skip).size())));
    }
}

void Left(sqlite3_context* ctx, int, sqlite3_value** argv) {
    LeftRight(ctx, argv, true);
}
void Right(sqlite3_context* ctx, int, sqlite3_value** argv) {
    LeftRight(ctx, argv, false);
}

struct FunctionSpec {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic;
};

}  // namespace

bool RegisterCollation(sqlite3* db) {
    return sqlite3_create_collation(db, "MSSQL", SQLITE_UTF8, nullptr, &CollateMssql) == SQLITE_OK;
}

bool RegisterFunctions(sqlite3* db, const SessionInfo* info) {
    if (!RegisterCollation(db)) {
        return false;
    }
    static const FunctionSpec kFunctions[] = {
        {"like", 2, &Like, true},
        {"like", 3, &Like, true},
        {"object_id", 1, &ObjectId, true},
        {"object_id", 2, &ObjectId, true},
        {"object_name", 1, &ObjectName, true},
        {"object_name", 2, &ObjectName, true},
        {"schema_name", 0, &SchemaName, true},
        {"schema_name", 1, &SchemaName, true},
        {"schema_id", 0, &SchemaId, true},
        {"schema_id", 1, &SchemaId, true},
        {"indexproperty", 3, &IndexProperty, true},
        {"indexkey_property", 4, &IndexKeyProperty, true},
        {"objectproperty", 2, &ObjectProperty, true},
        {"col_name", 2, &ColName, true},
        {"quotename", 1, &QuoteName, true},
        {"quotename", 2, &QuoteName, true},
        {"len", 1, &Len, true},
        {"datalength", 1, &DataLength, true},
        {"db_name", 0, &DbName, true},
        {"db_name", 1, &DbName, true},
        {"db_id", 0, &DbId, true},
        {"db_id", 1, &DbId, true},
        {"user_name", 0, &UserName, true},
        {"current_user", 0, &UserName, true},
        {"upper", 1, &Upper, true},
        {"lower", 1, &Lower, true},
        {"tsql_isnull", 2, &IsNullFunction, true},
        {"getdate", 0, &GetDate, false},
        {"charindex", 2, &CharIndex, true},
        {"charindex", 3, &CharIndex, true},
        {"tsql_left", 2, &Left, true},
        {"tsql_right", 2, &Right, true},
    };
    for (const auto& f : kFunctions) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (sqlite3_create_function_v2(db, f.name, f.args, flags, const_cast<SessionInfo*>(info),
                                       f.fn, nullptr, nullptr, nullptr) != SQLITE_OK) {
            return false;
        }
    }
    return true;
}

}  // namespace catalog_server
