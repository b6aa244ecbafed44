#pragma once

// The objects of one database as SQL Server would hold them after running the DDL scripts:
// schemas, tables, views, procedures, constraints and indexes, with SQL Server's ids and
// generated names. Built by the script reader, then read-only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace catalog_server {

struct DataType {
    std::string name;   // lower-case system type: "int", "nvarchar", ...
    int length = 0;     // declared length for character and binary types; -1 = max
    int precision = 0;  // decimal/numeric precision, or fractional-second scale of time types
    int scale = 0;
    bool sysname = false;  // declared as sysname (nvarchar(128), user type 256)
    bool explicitLength = false;
};

struct ColumnDef {
    std::string name;
    DataType type;
    bool nullable = true;
    bool identity = false;
    bool computed = false;
    int defaultId = 0;  // DEFAULT constraint object id
    std::string defaultText;
};

struct IndexKey {
    int colid = 0;
    bool descending = false;
};

struct IndexDef {
    std::string name;
    int indid = 0;
    bool clustered = false;
    bool unique = false;
    bool primaryKey = false;
    bool uniqueConstraint = false;
    std::vector<IndexKey> keys;
    std::vector<int> included;  // colids listed with keyno 0
};

enum class ConstraintKind { PrimaryKey, Unique, ForeignKey, Check, Default };

struct ConstraintDef {
    ConstraintKind kind = ConstraintKind::Check;
    int id = 0;
    int tableId = 0;
    std::string name;
    std::vector<int> columns;     // key / referencing / referenced-by-check / defaulted colids
    int refTableId = 0;           // FOREIGN KEY: the referenced table
    std::vector<int> refColumns;  // FOREIGN KEY: referenced colids, paired with columns
    int refIndid = 0;             // FOREIGN KEY: the unique index it binds to
    bool columnLevel = false;
};

enum class ObjectKind { Table, View, Procedure, Constraint };

// One row of sysobjects.
struct ObjectDef {
    int id = 0;
    int schemaId = 1;
    std::string name;
    std::string xtype;  // "U", "V", "P", "PK", "UQ", "F", "C", "D"
    int parentId = 0;
    ObjectKind kind = ObjectKind::Table;
    std::size_t index = 0;  // into tables, procedures or constraints
};

struct TableDef {
    int id = 0;
    int schemaId = 1;
    std::string name;
    bool view = false;
    std::vector<ColumnDef> columns;
    std::vector<IndexDef> indexes;  // includes the heap (indid 0, empty name) when not clustered
    std::string text;               // view definition as written
};

struct ProcedureDef {
    int id = 0;
    int schemaId = 1;
    std::string name;
    std::string text;  // the batch as written, comments and blanks included
    std::vector<ColumnDef> parameters;
};

struct SchemaDef {
    int id = 0;
    std::string name;
};

// A system view served by the engine (INFORMATION_SCHEMA.TABLES, sys.sysobjects, ...).
struct SystemView {
    int id = 0;
    std::string schema;
    std::string name;
    std::string storeTable;  // the SQLite table holding its rows
};

struct Database {
    std::string name;
    std::vector<SchemaDef> schemas;
    std::vector<TableDef> tables;  // tables and views
    std::vector<ProcedureDef> procedures;
    std::vector<ConstraintDef> constraints;
    std::vector<ObjectDef> objects;  // sysobjects, in creation order

    // Lookups, filled by Index().
    std::unordered_map<std::string, int> objectIdByName;  // FoldName(schema) '\x1f' FoldName(name)
    std::unordered_map<int, std::size_t> objectById;      // into objects
    std::unordered_map<int, std::size_t> tableById;       // into tables

    void Index();
    const SchemaDef* FindSchema(std::string_view name) const;
    const SchemaDef* SchemaById(int id) const;
    const ObjectDef* ObjectById(int id) const;
    const TableDef* TableById(int id) const;
    std::optional<int> ObjectIdOf(int schemaId, std::string_view name) const;
    std::string SchemaName(int id) const;
};

// The system views every database serves, with their fixed (negative) object ids.
const std::vector<SystemView>& SystemViews();

// OBJECT_ID: resolves '[db.][schema.]name' (parts bracketed or quoted, blanks around dots)
// in database db; nullopt when the name is malformed or names nothing.
std::optional<int> ResolveObjectId(const Database& db, std::string_view qualifiedName,
                                   std::string_view typeFilter = {});

// Splits a multi-part name as OBJECT_ID reads it; nullopt when malformed.
std::optional<std::vector<std::string>> SplitMultipartName(std::string_view text);

// Ids as SQL Server hands them out: each new object gets the previous id + 16,000,057, modulo 2^31.
class ObjectIdSequence {
public:
    int Next();
    int Last() const { return last_; }

private:
    std::int64_t last_ = 229575856;  // so that the first user object gets 245575913
};

}  // namespace catalog_server
