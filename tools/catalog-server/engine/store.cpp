#include "store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <variant>

#include "engine.h"
#include "functions.h"
#include "text.h"

namespace catalog_server {
namespace {

struct ColumnSpec {
    const char* name;
    const char* type;  // SQL Server type; text types get the MSSQL collation
    bool notNull;
};

struct TableSpec {
    const char* name;
    std::vector<ColumnSpec> columns;
    std::vector<const char*> indexes;  // column lists to index
};

const std::vector<TableSpec>& Specs() {
    static const std::vector<TableSpec> specs = {
        {"sysobjects",
         {{"name", "sysname", true},          {"id", "int", true},
          {"xtype", "char(2)", true},         {"uid", "smallint", false},
          {"info", "smallint", false},        {"status", "int", false},
          {"base_schema_ver", "int", false},  {"replinfo", "int", false},
          {"parent_obj", "int", true},        {"crdate", "datetime", true},
          {"ftcatid", "smallint", false},     {"schema_ver", "int", false},
          {"stats_schema_ver", "int", false}, {"type", "char(2)", false},
          {"userstat", "smallint", false},    {"sysstat", "smallint", false},
          {"indexdel", "smallint", false},    {"refdate", "datetime", true},
          {"version", "int", false},          {"deltrig", "int", false},
          {"instrig", "int", false},          {"updtrig", "int", false},
          {"seltrig", "int", false},          {"category", "int", false},
          {"cache", "smallint", false}},
         {"id", "name"}},
        {"syscolumns",
         {{"name", "sysname", false},
          {"id", "int", true},
          {"xtype", "tinyint", true},
          {"typestat", "tinyint", false},
          {"xusertype", "smallint", false},
          {"length", "smallint", true},
          {"xprec", "tinyint", true},
          {"xscale", "tinyint", true},
          {"colid", "smallint", false},
          {"xoffset", "smallint", false},
          {"bitpos", "tinyint", false},
          {"reserved", "tinyint", false},
          {"colstat", "smallint", false},
          {"cdefault", "int", true},
          {"domain", "int", true},
          {"number", "smallint", false},
          {"colorder", "smallint", false},
          {"autoval", "varbinary(8000)", false},
          {"offset", "smallint", false},
          {"collationid", "int", true},
          {"language", "int", false},
          {"status", "tinyint", false},
          {"type", "tinyint", true},
          {"usertype", "smallint", false},
          {"printfmt", "varchar(255)", false},
          {"prec", "smallint", false},
          {"scale", "int", false},
          {"iscomputed", "int", false},
          {"isoutparam", "int", false},
          {"isnullable", "int", false},
          {"collation", "sysname", false},
          {"tdscollation", "binary(5)", false}},
         {"id, colid"}},
        {"sysindexes",
         {{"id", "int", true},
          {"status", "int", false},
          {"first", "binary(6)", false},
          {"indid", "smallint", false},
          {"root", "binary(6)", false},
          {"minlen", "smallint", false},
          {"keycnt", "smallint", false},
          {"groupid", "smallint", false},
          {"dpages", "int", false},
          {"reserved", "int", false},
          {"used", "int", false},
          {"rowcnt", "bigint", false},
          {"rowmodctr", "int", false},
          {"reserved3", "tinyint", false},
          {"reserved4", "tinyint", false},
          {"xmaxlen", "smallint", false},
          {"maxirow", "smallint", false},
          {"OrigFillFactor", "tinyint", false},
          {"StatVersion", "tinyint", false},
          {"reserved2", "int", false},
          {"FirstIAM", "binary(6)", false},
          {"impid", "smallint", false},
          {"lockflags", "smallint", false},
          {"pgmodctr", "int", false},
          {"keys", "varbinary(1088)", false},
          {"name", "sysname", false},
          {"statblob", "image", false},
          {"maxlen", "int", false},
          {"rows", "int", false}},
         {"id, indid", "name"}},
        {"sysindexkeys",
         {{"id", "int", true},
          {"indid", "smallint", false},
          {"colid", "smallint", false},
          {"keyno", "smallint", false}},
         {"id, indid"}},
        {"sysreferences", {}, {"fkeyid", "rkeyid", "constid"}},
        {"INFORMATION_SCHEMA.TABLES",
         {{"TABLE_CATALOG", "nvarchar(128)", false},
          {"TABLE_SCHEMA", "sysname", false},
          {"TABLE_NAME", "sysname", true},
          {"TABLE_TYPE", "varchar(10)", false}},
         {"TABLE_NAME"}},
        {"INFORMATION_SCHEMA.COLUMNS",
         {{"TABLE_CATALOG", "nvarchar(128)", false},
          {"TABLE_SCHEMA", "nvarchar(128)", false},
          {"TABLE_NAME", "sysname", true},
          {"COLUMN_NAME", "sysname", false},
          {"ORDINAL_POSITION", "int", false},
          {"COLUMN_DEFAULT", "nvarchar(4000)", false},
          {"IS_NULLABLE", "varchar(3)", false},
          {"DATA_TYPE", "nvarchar(128)", false},
          {"CHARACTER_MAXIMUM_LENGTH", "int", false},
          {"CHARACTER_OCTET_LENGTH", "int", false},
          {"NUMERIC_PRECISION", "tinyint", false},
          {"NUMERIC_PRECISION_RADIX", "smallint", false},
          {"NUMERIC_SCALE", "int", false},
          {"DATETIME_PRECISION", "smallint", false},
          {"CHARACTER_SET_CATALOG", "sysname", false},
          {"CHARACTER_SET_SCHEMA", "sysname", false},
          {"CHARACTER_SET_NAME", "sysname", false},
          {"COLLATION_CATALOG", "sysname", false},
          {"COLLATION_SCHEMA", "sysname", false},
          {"COLLATION_NAME", "sysname", false},
          {"DOMAIN_CATALOG", "sysname", false},
          {"DOMAIN_SCHEMA", "sysname", false},
          {"DOMAIN_NAME", "sysname", false}},
         {"TABLE_NAME"}},
        {"INFORMATION_SCHEMA.TABLE_CONSTRAINTS",
         {{"CONSTRAINT_CATALOG", "nvarchar(128)", false},
          {"CONSTRAINT_SCHEMA", "nvarchar(128)", false},
          {"CONSTRAINT_NAME", "sysname", true},
          {"TABLE_CATALOG", "nvarchar(128)", false},
          {"TABLE_SCHEMA", "nvarchar(128)", false},
          {"TABLE_NAME", "sysname", false},
          {"CONSTRAINT_TYPE", "varchar(11)", false},
          {"IS_DEFERRABLE", "varchar(2)", true},
          {"INITIALLY_DEFERRED", "varchar(2)", true}},
         {"TABLE_NAME"}},
        {"INFORMATION_SCHEMA.CONSTRAINT_COLUMN_USAGE",
         {{"TABLE_CATALOG", "nvarchar(128)", false},
          {"TABLE_SCHEMA", "nvarchar(128)", false},
          {"TABLE_NAME", "sysname", true},
          {"COLUMN_NAME", "nvarchar(128)", false},
          {"CONSTRAINT_CATALOG", "nvarchar(128)", false},
          {"CONSTRAINT_SCHEMA", "nvarchar(128)", false},
          {"CONSTRAINT_NAME", "sysname", true}},
         {"CONSTRAINT_NAME"}},
        {"INFORMATION_SCHEMA.ROUTINES",
         {{"SPECIFIC_CATALOG", "nvarchar(128)", false},
          {"SPECIFIC_SCHEMA", "nvarchar(128)", false},
          {"SPECIFIC_NAME", "sysname", true},
          {"ROUTINE_CATALOG", "nvarchar(128)", false},
          {"ROUTINE_SCHEMA", "nvarchar(128)", false},
          {"ROUTINE_NAME", "sysname", true},
          {"ROUTINE_TYPE", "nvarchar(20)", false},
          {"MODULE_CATALOG", "sysname", false},
          {"MODULE_SCHEMA", "sysname", false},
          {"MODULE_NAME", "sysname", false},
          {"UDT_CATALOG", "sysname", false},
          {"UDT_SCHEMA", "sysname", false},
          {"UDT_NAME", "sysname", false},
          {"DATA_TYPE", "sysname", false},
          {"CHARACTER_MAXIMUM_LENGTH", "int", false},
          {"CHARACTER_OCTET_LENGTH", "int", false},
          {"COLLATION_CATALOG", "sysname", false},
          {"COLLATION_SCHEMA", "sysname", false},
          {"COLLATION_NAME", "sysname", false},
          {"CHARACTER_SET_CATALOG", "sysname", false},
          {"CHARACTER_SET_SCHEMA", "sysname", false},
          {"CHARACTER_SET_NAME", "sysname", false},
          {"NUMERIC_PRECISION", "tinyint", false},
          {"NUMERIC_PRECISION_RADIX", "smallint", false},
          {"NUMERIC_SCALE", "int", false},
          {"DATETIME_PRECISION", "smallint", false},
          {"INTERVAL_TYPE", "nvarchar(30)", false},
          {"INTERVAL_PRECISION", "smallint", false},
          {"TYPE_UDT_CATALOG", "sysname", false},
          {"TYPE_UDT_SCHEMA", "sysname", false},
          {"TYPE_UDT_NAME", "sysname", false},
          {"SCOPE_CATALOG", "sysname", false},
          {"SCOPE_SCHEMA", "sysname", false},
          {"SCOPE_NAME", "sysname", false},
          {"MAXIMUM_CARDINALITY", "bigint", false},
          {"DTD_IDENTIFIER", "sysname", false},
          {"ROUTINE_BODY", "nvarchar(30)", false},
          {"ROUTINE_DEFINITION", "nvarchar(4000)", false},
          {"EXTERNAL_NAME", "sysname", false},
          {"EXTERNAL_LANGUAGE", "nvarchar(30)", false},
          {"PARAMETER_STYLE", "nvarchar(30)", false},
          {"IS_DETERMINISTIC", "nvarchar(10)", false},
          {"SQL_DATA_ACCESS", "nvarchar(30)", false},
          {"IS_NULL_CALL", "nvarchar(10)", false},
          {"SQL_PATH", "sysname", false},
          {"SCHEMA_LEVEL_ROUTINE", "nvarchar(10)", false},
          {"MAX_DYNAMIC_RESULT_SETS", "smallint", false},
          {"IS_USER_DEFINED_CAST", "nvarchar(10)", false},
          {"IS_IMPLICITLY_INVOCABLE", "nvarchar(10)", false},
          {"CREATED", "datetime", true},
          {"LAST_ALTERED", "datetime", true}},
         {"ROUTINE_NAME"}},
    };
    return specs;
}

std::vector<ColumnSpec> ReferenceColumns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (int i = 1; i <= 16; ++i) {
            n.push_back("fkey" + std::to_string(i));
        }
        for (int i = 1; i <= 16; ++i) {
            n.push_back("rkey" + std::to_string(i));
        }
        return n;
    }();
    std::vector<ColumnSpec> cols = {{"constid", "int", true},
                                    {"fkeyid", "int", true},
                                    {"rkeyid", "int", false},
                                    {"rkeyindid", "smallint", false},
                                    {"keycnt", "smallint", false},
                                    {"forkeys", "varbinary(32)", false},
                                    {"refkeys", "varbinary(32)", false},
                                    {"fkeydbid", "smallint", false},
                                    {"rkeydbid", "smallint", false}};
    for (const auto& n : names) {
        cols.push_back({n.c_str(), "smallint", false});
    }
    return cols;
}

bool IsTextType(std::string_view type) {
    return type.find("char") != std::string_view::npos || type == "sysname";
}

// A value to bind. Texts mostly point into the model or into temporaries of the statement that
// inserts the row, so building hundreds of thousands of rows allocates almost nothing.
using Cell = std::variant<std::monostate, std::int64_t, std::string_view, std::string>;
using Row = std::vector<Cell>;
const Cell kNull{};
Cell I(std::int64_t v) {
    return Cell{v};
}
Cell S(std::string_view v) {
    return Cell{v};
}
Cell Owned(std::string v) {
    return Cell{std::move(v)};
}
Cell OptI(const std::optional<int>& v) {
    return v ? Cell{std::int64_t{*v}} : kNull;
}

// What SQL Server reports about a column of a given type in syscolumns and
// INFORMATION_SCHEMA.COLUMNS.
struct TypeFacts {
    int systemTypeId = 0;
    int bytes = 0;
    int xprec = 0;
    int xscale = 0;
    bool character = false;
    bool unicode = false;
    std::optional<int> charMax;
    std::optional<int> octets;
    std::optional<int> numericPrecision;
    std::optional<int> numericRadix;
    std::optional<int> numericScale;
    std::optional<int> datetimePrecision;
};

TypeFacts Facts(const DataType& t) {
    TypeFacts f;
    const std::string& n = t.name;
    auto numeric = [&](int id, int bytes, int prec, int radix, std::optional<int> scale) {
        f.systemTypeId = id;
        f.bytes = bytes;
        f.xprec = prec;
        f.xscale = scale.value_or(0);
        f.numericPrecision = prec;
        f.numericRadix = radix;
        f.numericScale = scale;
    };
    auto timeLike = [&](int id, int bytes, int prec, int scale) {
        f.systemTypeId = id;
        f.bytes = bytes;
        f.xprec = prec;
        f.xscale = scale;
        f.datetimePrecision = scale;
    };
    auto chars = [&](int id, bool unicode) {
        f.systemTypeId = id;
        f.character = true;
        f.unicode = unicode;
        f.charMax = t.length;
        f.octets = t.length < 0 ? -1 : (unicode ? 2 * t.length : t.length);
        f.bytes = *f.octets;
    };
    const int fraction = t.precision;
    if (n == "int") {
        numeric(56, 4, 10, 10, 0);
    } else if (n == "bigint") {
        numeric(127, 8, 19, 10, 0);
    } else if (n == "smallint") {
        numeric(52, 2, 5, 10, 0);
    } else if (n == "tinyint") {
        numeric(48, 1, 3, 10, 0);
    } else if (n == "bit") {
        f.systemTypeId = 104;
        f.bytes = 1;
        f.xprec = 1;
    } else if (n == "decimal" || n == "numeric") {
        const int p = t.precision;
        numeric(n == "decimal" ? 106 : 108,
                p <= 9    ? 5
                : p <= 19 ? 9
                : p <= 28 ? 13
                          : 17,
                p, 10, t.scale);
    } else if (n == "money") {
        numeric(60, 8, 19, 10, 4);
    } else if (n == "smallmoney") {
        numeric(122, 4, 10, 10, 4);
    } else if (n == "float") {
        numeric(62, 8, 53, 2, std::nullopt);
    } else if (n == "real") {
        numeric(59, 4, 24, 2, std::nullopt);
    } else if (n == "datetime") {
        timeLike(61, 8, 23, 3);
    } else if (n == "smalldatetime") {
        timeLike(58, 4, 16, 0);
    } else if (n == "date") {
        timeLike(40, 3, 10, 0);
    } else if (n == "time") {
        timeLike(41,
                 fraction <= 2   ? 3
                 : fraction <= 4 ? 4
                                 : 5,
                 fraction == 0 ? 8 : 9 + fraction, fraction);
    } else if (n == "datetime2") {
        timeLike(42,
                 fraction <= 2   ? 6
                 : fraction <= 4 ? 7
                                 : 8,
                 fraction == 0 ? 19 : 20 + fraction, fraction);
    } else if (n == "datetimeoffset") {
        timeLike(43,
                 fraction <= 2   ? 8
                 : fraction <= 4 ? 9
                                 : 10,
                 fraction == 0 ? 26 : 27 + fraction, fraction);
    } else if (n == "char") {
        chars(175, false);
    } else if (n == "varchar") {
        chars(167, false);
    } else if (n == "nchar") {
        chars(239, true);
    } else if (n == "nvarchar") {
        chars(231, true);
    } else if (n == "binary" || n == "varbinary") {
        f.systemTypeId = n == "binary" ? 173 : 165;
        f.charMax = t.length;
        f.octets = t.length;
        f.bytes = t.length;
    } else if (n == "text") {
        f.systemTypeId = 35;
        f.character = true;
        f.charMax = 2147483647;
        f.octets = 2147483647;
        f.bytes = 16;
    } else if (n == "ntext") {
        f.systemTypeId = 99;
        f.character = true;
        f.unicode = true;
        f.charMax = 1073741823;
        f.octets = 2147483646;
        f.bytes = 16;
    } else if (n == "image") {
        f.systemTypeId = 34;
        f.charMax = 2147483647;
        f.octets = 2147483647;
        f.bytes = 16;
    } else if (n == "xml") {
        f.systemTypeId = 241;
        f.charMax = -1;
        f.octets = -1;
        f.bytes = -1;
    } else if (n == "uniqueidentifier") {
        f.systemTypeId = 36;
        f.bytes = 16;
    } else if (n == "sql_variant") {
        f.systemTypeId = 98;
        f.bytes = 8016;
    } else if (n == "timestamp") {
        f.systemTypeId = 189;
        f.bytes = 8;
    } else {  // hierarchyid, geography, geometry
        f.systemTypeId = 240;
        f.bytes = n == "hierarchyid" ? 892 : -1;
    }
    return f;
}

constexpr const char* kCollation = "SQL_Latin1_General_CP1_CI_AS";
constexpr int kCollationId = 872468488;

std::string DefaultDefinition(std::string text) {
    if (text.empty()) {
        return text;
    }
    while (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        // Only strip parentheses that enclose the whole expression.
        int depth = 0;
        bool whole = true;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '(') {
                ++depth;
            } else if (text[i] == ')') {
                --depth;
                if (depth == 0 && i + 1 < text.size()) {
                    whole = false;
                    break;
                }
            }
        }
        if (!whole) {
            break;
        }
        text = text.substr(1, text.size() - 2);
    }
    const bool number =
        !text.empty() && text.find_first_not_of("+-.0123456789") == std::string::npos;
    return number ? "((" + text + "))" : "(" + text + ")";
}

class Builder {
public:
    Builder(sqlite3* sqlite, const Database& db) : sqlite_(sqlite), db_(db) {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        gmtime_r(&now, &tm);
        char buf[32];
        std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S.000", &tm);
        created_ = buf;
    }

    bool Run(std::string& error) {
        for (const auto& spec : Specs()) {
            const auto columns =
                std::string(spec.name) == "sysreferences" ? ReferenceColumns() : spec.columns;
            std::string sql = "CREATE TABLE \"" + std::string(spec.name) + "\" (";
            for (std::size_t i = 0; i < columns.size(); ++i) {
                sql += (i ? ", \"" : "\"") + std::string(columns[i].name) + "\" " + columns[i].type;
                if (IsTextType(columns[i].type)) {
                    sql += " COLLATE MSSQL";
                }
                if (columns[i].notNull) {
                    sql += " NOT NULL";
                }
            }
            sql += ")";
            if (!Exec(sql, error)) {
                return false;
            }
            columnCounts_[spec.name] = columns.size();
        }
        if (!Exec("PRAGMA journal_mode = OFF", error) || !Exec("BEGIN", error)) {
            return false;
        }
        Objects();
        Columns();
        Indexes();
        References();
        InformationSchema();
        if (!error_.empty()) {
            error = error_;
            return false;
        }
        if (!Exec("COMMIT", error)) {
            return false;
        }
        for (const auto& spec : Specs()) {
            int n = 0;
            for (const char* cols : spec.indexes) {
                std::string sql = "CREATE INDEX \"ix_" + std::string(spec.name) + "_" +
                                  std::to_string(n++) + "\" ON \"" + spec.name + "\" (" + cols +
                                  ")";
                if (!Exec(sql, error)) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    bool Exec(const std::string& sql, std::string& error) {
        char* message = nullptr;
        if (sqlite3_exec(sqlite_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            error = std::string(message ? message : "SQLite error") + " in: " + sql;
            sqlite3_free(message);
            return false;
        }
        return true;
    }

    void Insert(const char* table, const Row& row) {
        auto it = inserts_.find(std::string_view(table));
        if (it == inserts_.end()) {
            const std::size_t count = columnCounts_.find(std::string_view(table))->second;
            std::string sql = "INSERT INTO \"" + std::string(table) + "\" VALUES (";
            for (std::size_t i = 0; i < count; ++i) {
                sql += i ? ",?" : "?";
            }
            sql += ")";
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(sqlite_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
                error_ = sqlite3_errmsg(sqlite_);
                return;
            }
            it = inserts_.emplace(table, Insertion{StatementHandle(raw), count}).first;
        }
        sqlite3_stmt* s = it->second.stmt.get();
        if (row.size() != it->second.columns) {
            error_ = "internal: row of " + std::to_string(row.size()) + " values for " + table;
            return;
        }
        for (std::size_t i = 0; i < row.size(); ++i) {
            const int at = static_cast<int>(i) + 1;
            if (const auto* v = std::get_if<std::int64_t>(&row[i])) {
                sqlite3_bind_int64(s, at, *v);
            } else if (const auto* t = std::get_if<std::string_view>(&row[i])) {
                sqlite3_bind_text(s, at, t->data(), static_cast<int>(t->size()), SQLITE_STATIC);
            } else if (const auto* o = std::get_if<std::string>(&row[i])) {
                sqlite3_bind_text(s, at, o->data(), static_cast<int>(o->size()), SQLITE_STATIC);
            } else {
                sqlite3_bind_null(s, at);
            }
        }
        if (sqlite3_step(s) != SQLITE_DONE && error_.empty()) {
            error_ = sqlite3_errmsg(sqlite_);
        }
        sqlite3_reset(s);
    }

    std::vector<const ObjectDef*> ObjectsById() const {
        std::vector<const ObjectDef*> sorted;
        for (const auto& o : db_.objects) {
            sorted.push_back(&o);
        }
        std::sort(sorted.begin(), sorted.end(),
                  [](const ObjectDef* a, const ObjectDef* b) { return a->id < b->id; });
        return sorted;
    }

    std::vector<const TableDef*> TablesById() const {
        std::vector<const TableDef*> sorted;
        for (const auto& t : db_.tables) {
            sorted.push_back(&t);
        }
        std::sort(sorted.begin(), sorted.end(),
                  [](const TableDef* a, const TableDef* b) { return a->id < b->id; });
        return sorted;
    }

    void Objects() {
        for (const ObjectDef* o : ObjectsById()) {
            std::string xtype = o->xtype;
            if (xtype.size() < 2) {
                xtype += ' ';
            }
            std::string type = (o->xtype == "PK" || o->xtype == "UQ") ? "K " : xtype;
            int sysstat = 0;
            if (o->xtype == "U") {
                sysstat = 3;
            } else if (o->xtype == "V") {
                sysstat = 2;
            } else if (o->xtype == "P") {
                sysstat = 4;
            } else if (o->xtype == "PK" || o->xtype == "UQ" || o->xtype == "C") {
                sysstat = 9;
            } else if (o->xtype == "F") {
                sysstat = 11;
            } else if (o->xtype == "D") {
                sysstat = 6;
            }
            Insert("sysobjects",
                   {S(o->name), I(o->id), S(xtype),    I(o->schemaId), I(0),
                    I(0),       I(0),     I(0),        I(o->parentId), S(created_),
                    I(0),       I(0),     I(0),        S(type),        I(o->xtype == "U" ? 1 : 0),
                    I(sysstat), I(0),     S(created_), I(0),           I(0),
                    I(0),       I(0),     I(0),        I(0),           I(0)});
        }
    }

    void ColumnRow(int objectId, const ColumnDef& c, int colid, bool parameter) {
        const TypeFacts f = Facts(c.type);
        const int xusertype = c.type.sysname ? 256 : f.systemTypeId;
        int status = 0;
        if (c.nullable && !parameter) {
            status |= 0x08;
        }
        if (c.identity) {
            status |= 0x80;
        }
        if (parameter && c.computed) {
            status |= 0x40;
        }
        const Cell prec = f.character ? I(c.type.length) : I(f.xprec);
        const Cell scale = f.character ? kNull : I(f.xscale);
        Insert("syscolumns", {S(c.name),
                              I(objectId),
                              I(f.systemTypeId),
                              I(0),
                              I(xusertype),
                              I(f.bytes),
                              I(f.xprec),
                              I(f.xscale),
                              I(colid),
                              I(0),
                              I(0),
                              I(0),
                              I(c.identity ? 1 : 0),
                              I(c.defaultId),
                              I(0),
                              I(0),
                              I(colid),
                              kNull,
                              I(0),
                              I(f.character ? kCollationId : 0),
                              I(0),
                              I(status),
                              I(f.systemTypeId),
                              I(xusertype),
                              kNull,
                              prec,
                              scale,
                              I(!parameter && c.computed ? 1 : 0),
                              I(parameter && c.computed ? 1 : 0),
                              I(c.nullable ? 1 : 0),
                              f.character ? S(kCollation) : kNull,
                              kNull});
    }

    void Columns() {
        for (const TableDef* t : TablesById()) {
            for (std::size_t i = 0; i < t->columns.size(); ++i) {
                ColumnRow(t->id, t->columns[i], static_cast<int>(i) + 1, false);
            }
        }
        for (const auto& p : db_.procedures) {
            for (std::size_t i = 0; i < p.parameters.size(); ++i) {
                ColumnRow(p.id, p.parameters[i], static_cast<int>(i) + 1, true);
            }
        }
    }

    void Indexes() {
        for (const TableDef* t : TablesById()) {
            int minlen = 4;
            for (const auto& c : t->columns) {
                const TypeFacts f = Facts(c.type);
                if (!f.character && f.bytes > 0 && c.type.name != "varbinary") {
                    minlen += f.bytes;
                }
            }
            for (const auto& ix : t->indexes) {
                int status = 0;
                if (ix.unique) {
                    status |= 2;
                }
                if (ix.clustered) {
                    status |= 16;
                }
                if (ix.primaryKey) {
                    status |= 2048;
                }
                if (ix.uniqueConstraint) {
                    status |= 4096;
                }
                const bool heap = ix.indid == 0;
                Insert("sysindexes", {I(t->id),
                                      I(status),
                                      kNull,
                                      I(ix.indid),
                                      kNull,
                                      I(heap ? 0 : minlen),
                                      I(static_cast<int>(ix.keys.size())),
                                      I(1),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      I(0),
                                      kNull,
                                      I(0),
                                      I(0),
                                      I(0),
                                      kNull,
                                      heap ? kNull : S(ix.name),
                                      kNull,
                                      I(8000),
                                      I(0)});
                for (std::size_t k = 0; k < ix.keys.size(); ++k) {
                    Insert("sysindexkeys", {I(t->id), I(ix.indid), I(ix.keys[k].colid),
                                            I(static_cast<int>(k) + 1)});
                }
                for (const int colid : ix.included) {
                    Insert("sysindexkeys", {I(t->id), I(ix.indid), I(colid), I(0)});
                }
            }
        }
    }

    void References() {
        std::vector<const ConstraintDef*> fks;
        for (const auto& c : db_.constraints) {
            if (c.kind == ConstraintKind::ForeignKey) {
                fks.push_back(&c);
            }
        }
        std::sort(fks.begin(), fks.end(),
                  [](const ConstraintDef* a, const ConstraintDef* b) { return a->id < b->id; });
        for (const ConstraintDef* c : fks) {
            Row row = {I(c->id),
                       I(c->tableId),
                       I(c->refTableId),
                       I(c->refIndid),
                       I(static_cast<int>(c->columns.size())),
                       kNull,
                       kNull,
                       I(0),
                       I(0)};
            for (std::size_t i = 0; i < 16; ++i) {
                row.push_back(I(i < c->columns.size() ? c->columns[i] : 0));
            }
            for (std::size_t i = 0; i < 16; ++i) {
                row.push_back(I(i < c->refColumns.size() ? c->refColumns[i] : 0));
            }
            Insert("sysreferences", row);
        }
    }

    void InformationSchema() {
        const Cell catalog = S(db_.name);
        for (const TableDef* t : TablesById()) {
            const Cell schema = Owned(db_.SchemaName(t->schemaId));
            Insert("INFORMATION_SCHEMA.TABLES",
                   {catalog, schema, S(t->name), S(t->view ? "VIEW" : "BASE TABLE")});
            for (std::size_t i = 0; i < t->columns.size(); ++i) {
                const ColumnDef& c = t->columns[i];
                const TypeFacts f = Facts(c.type);
                Insert("INFORMATION_SCHEMA.COLUMNS",
                       {catalog,
                        schema,
                        S(t->name),
                        S(c.name),
                        I(static_cast<int>(i) + 1),
                        c.defaultText.empty() ? kNull : S(DefaultDefinition(c.defaultText)),
                        S(c.nullable ? "YES" : "NO"),
                        S(c.type.name),
                        OptI(f.charMax),
                        OptI(f.octets),
                        OptI(f.numericPrecision),
                        OptI(f.numericRadix),
                        OptI(f.numericScale),
                        OptI(f.datetimePrecision),
                        kNull,
                        kNull,
                        f.character ? S(f.unicode ? "UNICODE" : "iso_1") : kNull,
                        kNull,
                        kNull,
                        f.character ? S(kCollation) : kNull,
                        kNull,
                        kNull,
                        kNull});
            }
        }
        std::vector<const ConstraintDef*> constraints;
        for (const auto& c : db_.constraints) {
            if (c.kind != ConstraintKind::Default) {
                constraints.push_back(&c);
            }
        }
        std::sort(constraints.begin(), constraints.end(),
                  [](const ConstraintDef* a, const ConstraintDef* b) { return a->id < b->id; });
        for (const ConstraintDef* c : constraints) {
            const TableDef* t = db_.TableById(c->tableId);
            const Cell schema = Owned(db_.SchemaName(t->schemaId));
            const char* type = c->kind == ConstraintKind::PrimaryKey   ? "PRIMARY KEY"
                               : c->kind == ConstraintKind::Unique     ? "UNIQUE"
                               : c->kind == ConstraintKind::ForeignKey ? "FOREIGN KEY"
                                                                       : "CHECK";
            Insert("INFORMATION_SCHEMA.TABLE_CONSTRAINTS",
                   {catalog, schema, S(c->name), catalog, schema, S(t->name), S(type), S("NO"),
                    S("NO")});
            for (const int colid : c->columns) {
                Insert("INFORMATION_SCHEMA.CONSTRAINT_COLUMN_USAGE",
                       {catalog, schema, S(t->name), S(t->columns[colid - 1].name), catalog, schema,
                        S(c->name)});
            }
        }
        std::vector<const ProcedureDef*> procs;
        for (const auto& p : db_.procedures) {
            procs.push_back(&p);
        }
        std::sort(procs.begin(), procs.end(),
                  [](const ProcedureDef* a, const ProcedureDef* b) { return a->id < b->id; });
        for (const ProcedureDef* p : procs) {
            const Cell schema = Owned(db_.SchemaName(p->schemaId));
            Row row = {catalog, schema, S(p->name), catalog, schema, S(p->name), S("PROCEDURE")};
            for (int i = 0; i < 29; ++i) {
                row.push_back(kNull);  // MODULE_CATALOG .. DTD_IDENTIFIER
            }
            row.push_back(S("SQL"));
            row.push_back(Owned(CutToCharacters(p->text, 4000)));
            row.push_back(kNull);  // EXTERNAL_NAME
            row.push_back(kNull);  // EXTERNAL_LANGUAGE
            row.push_back(kNull);  // PARAMETER_STYLE
            row.push_back(S("NO"));
            row.push_back(S("MODIFIES"));
            row.push_back(kNull);  // IS_NULL_CALL
            row.push_back(kNull);  // SQL_PATH
            row.push_back(S("YES"));
            row.push_back(I(-1));
            row.push_back(S("NO"));
            row.push_back(S("NO"));
            row.push_back(S(created_));
            row.push_back(S(created_));
            Insert("INFORMATION_SCHEMA.ROUTINES", row);
        }
    }

    sqlite3* sqlite_;
    const Database& db_;
    std::string created_;
    std::string error_;
    struct Insertion {
        StatementHandle stmt;
        std::size_t columns;
    };
    std::map<std::string, std::size_t, std::less<>> columnCounts_;
    std::map<std::string, Insertion, std::less<>> inserts_;
};

}  // namespace

const std::vector<std::string>& StoreTableNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const auto& s : Specs()) {
            n.emplace_back(s.name);
        }
        return n;
    }();
    return names;
}

std::optional<std::vector<unsigned char>> BuildStore(const Database& db, std::string& error) {
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        error = "cannot open an in-memory SQLite database";
        sqlite3_close_v2(raw);
        return std::nullopt;
    }
    SqliteHandle sqlite(raw);
    if (!RegisterCollation(sqlite.get())) {
        error = "cannot register the collation";
        return std::nullopt;
    }
    Builder builder(sqlite.get(), db);
    if (!builder.Run(error)) {
        return std::nullopt;
    }
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(sqlite.get(), "main", &size, 0);
    if (!data) {
        error = "cannot serialize the catalog";
        return std::nullopt;
    }
    std::vector<unsigned char> image(data, data + size);
    sqlite3_free(data);
    return image;
}

}  // namespace catalog_server
